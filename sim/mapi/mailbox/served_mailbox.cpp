#include "sim/mapi/mailbox/served_mailbox.h"

#include <mutex>
#include <string>
#include <vector>

#include "sim/common/ledger.h"
#include "sim/mapi/mailbox/mailbox_messages.h"
#include "sim/mapi/exports/mapi32_state.h"

namespace qvsim::mapi {
namespace {

struct ServingState {
  std::mutex mutex;
  std::shared_ptr<const ServedMailbox> mailbox;
  std::wstring path;
  std::string error;
  unsigned long logons = 0;
  unsigned long logoffs = 0;
  unsigned long released_uninitialized = 0;
  unsigned long spooler_sessions = 0;
  std::vector<std::string> dialogs;
};

ServingState& serving() {
  static ServingState* state = new ServingState();  // outlives process-exit reporting
  return *state;
}

bool same_name(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

MailboxEntry find_in_folder(const Folder& folder, const Bytes& entry_id) {
  if (folder.entry_id == entry_id) {
    return MailboxEntry{MAPI_FOLDER, folder.store, &folder, nullptr};
  }
  for (const auto& item : folder.items) {
    if (item->entry_id == entry_id) {
      return MailboxEntry{MAPI_MESSAGE, folder.store, &folder, item.get()};
    }
  }
  for (const auto& child : folder.folders) {
    if (MailboxEntry found = find_in_folder(*child, entry_id)) {
      return found;
    }
  }
  return MailboxEntry{};
}

}  // namespace

ServedMailbox::ServedMailbox(std::unique_ptr<Mailbox> mailbox) : mailbox_(std::move(mailbox)) {
  for (const auto& store : mailbox_->stores) {
    auto names = std::make_shared<NamedPropertyMap>();
    map_store_names(*store, *names);
    names_[store.get()] = std::move(names);
  }
}

std::shared_ptr<const ServedMailbox> ServedMailbox::load(const std::wstring& path) {
  std::unique_ptr<Mailbox> mailbox =
      path.empty() ? Mailbox::parse(nlohmann::json::object(), std::wstring()) : Mailbox::load(path);
  return std::shared_ptr<const ServedMailbox>(new ServedMailbox(std::move(mailbox)));
}

std::shared_ptr<NamedPropertyMap> ServedMailbox::names_of(const Store& store) const {
  const auto it = names_.find(&store);
  return it == names_.end() ? std::make_shared<NamedPropertyMap>() : it->second;
}

const Profile* ServedMailbox::find_profile(std::wstring_view name) const {
  for (const Profile& profile : mailbox_->profiles) {
    if (profile.name && same_name(*profile.name, name)) {
      return &profile;
    }
  }
  return nullptr;
}

const Profile* ServedMailbox::default_profile() const {
  for (const Profile& profile : mailbox_->profiles) {
    if (profile.is_default) {
      return &profile;
    }
  }
  return nullptr;
}

const Profile* ServedMailbox::shared_profile() const {
  for (const Profile& profile : mailbox_->profiles) {
    if (profile.shared_session) {
      return &profile;
    }
  }
  return nullptr;
}

const Store* ServedMailbox::find_store(const Bytes& entry_id) const {
  for (const auto& store : mailbox_->stores) {
    if (store->entry_id == entry_id) {
      return store.get();
    }
  }
  return nullptr;
}

MailboxEntry find_entry(const Store& store, const Bytes& entry_id) {
  if (store.entry_id == entry_id) {
    return MailboxEntry{MAPI_STORE, &store, nullptr, nullptr};
  }
  return store.top_folder ? find_in_folder(*store.top_folder, entry_id) : MailboxEntry{};
}

std::shared_ptr<const ServedMailbox> served_mailbox() {
  ServingState& state = serving();
  std::lock_guard lock(state.mutex);
  if (!state.mailbox) {
    state.mailbox = ServedMailbox::load(std::wstring());
  }
  return state.mailbox;
}

HRESULT serve_mailbox(const std::wstring& path) {
  const std::wstring source = path.empty() ? environment_variable(kMailboxVariable) : path;
  ServingState& state = serving();
  std::shared_ptr<const ServedMailbox> mailbox;
  try {
    mailbox = ServedMailbox::load(source);
    // Not under the state's lock: a report takes the ledger's lock, then the state's.
    Ledger::instance().set_faults(mailbox->mailbox().faults);
  } catch (const std::exception& error) {
    std::lock_guard lock(state.mutex);
    state.path = source;
    state.error = error.what();
    ::OutputDebugStringA(("mapi32: " + state.error + "\n").c_str());
    return MAPI_E_CORRUPT_DATA;
  }
  {
    std::lock_guard lock(state.mutex);
    state.mailbox = mailbox;
    state.path = source;
    state.error.clear();
    state.logons = state.logoffs = 0;
    state.released_uninitialized = 0;
    state.spooler_sessions = 0;
    state.dialogs.clear();
  }
  return S_OK;
}

void note_logon() {
  ServingState& state = serving();
  std::lock_guard lock(state.mutex);
  ++state.logons;
}

void note_logoff() {
  ServingState& state = serving();
  std::lock_guard lock(state.mutex);
  ++state.logoffs;
}

void note_spooler_session() {
  ServingState& state = serving();
  std::lock_guard lock(state.mutex);
  ++state.spooler_sessions;
}

void note_dialog(const std::string& what) {
  ServingState& state = serving();
  std::lock_guard lock(state.mutex);
  state.dialogs.push_back(what);
}

void note_session_object_gone() {
  if (library_initialized()) {
    return;
  }
  ServingState& state = serving();
  std::lock_guard lock(state.mutex);
  ++state.released_uninitialized;
}

void add_mailbox_report(nlohmann::json& report) {
  ServingState& state = serving();
  std::lock_guard lock(state.mutex);
  report["mailbox"] = wide_to_utf8(state.path);
  if (!state.error.empty()) {
    report["mailbox_error"] = state.error;
  }
  report["logons"] = state.logons;
  report["logoffs"] = state.logoffs;
  report["released_after_uninitialize"] = state.released_uninitialized;
  report["spooler_sessions"] = state.spooler_sessions;
  report["dialogs"] = state.dialogs;
}

}  // namespace qvsim::mapi
