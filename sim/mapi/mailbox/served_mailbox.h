// The mailbox that mapi32.dll serves: the description named by
// QV_SIM_MAILBOX, read at the first call of an export, with one named-property
// map per message store. Sessions, stores and folders keep the mailbox they
// were opened on alive (a shared_ptr), so a test may serve another
// description while they still live.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "sim/common/mailbox.h"
#include "sim/mapi/message/named_properties.h"

namespace qvsim::mapi {

// What an EntryID names in one store.
struct MailboxEntry {
  ULONG object_type = 0;  // MAPI_STORE, MAPI_FOLDER or MAPI_MESSAGE; 0: nothing
  const Store* store = nullptr;
  const Folder* folder = nullptr;  // MAPI_FOLDER
  const Item* item = nullptr;      // MAPI_MESSAGE
  explicit operator bool() const { return object_type != 0; }
};

class ServedMailbox {
 public:
  // Reads the description at path; an empty path gives the mailbox of an
  // empty description (one default profile "Outlook" without stores).
  // Throws MailboxError.
  static std::shared_ptr<const ServedMailbox> load(const std::wstring& path);

  const Mailbox& mailbox() const { return *mailbox_; }
  // The store's named-property map, shared by every message of the store.
  std::shared_ptr<NamedPropertyMap> names_of(const Store& store) const;

  // The profile with this display name, compared without regard to case as
  // Windows compares profile names; null when there is none.
  const Profile* find_profile(std::wstring_view name) const;
  // The first profile marked default; null when there is none.
  const Profile* default_profile() const;
  // The profile whose session Outlook shares; null when there is none.
  const Profile* shared_profile() const;

  // The store whose own EntryID this is; null when none.
  const Store* find_store(const Bytes& entry_id) const;

 private:
  explicit ServedMailbox(std::unique_ptr<Mailbox> mailbox);

  std::unique_ptr<Mailbox> mailbox_;
  std::map<const Store*, std::shared_ptr<NamedPropertyMap>> names_;
};

// What entry_id names in store: the store itself, then its folders and
// items in document order.
MailboxEntry find_entry(const Store& store, const Bytes& entry_id);

// The mailbox served now; an empty one before the first serve_mailbox.
std::shared_ptr<const ServedMailbox> served_mailbox();

// Serves the description at path (QV_SIM_MAILBOX's when path is empty)
// from now on, puts its faults in force and starts the logon counts
// afresh. MAPI_E_CORRUPT_DATA when it cannot be read: the reason goes to
// the report and nothing changes.
HRESULT serve_mailbox(const std::wstring& path);

// Counts of the sessions opened and logged off, for the report.
void note_logon();
void note_logoff();
// A session that MAPI made known to the spooler (a logon without
// MAPI_NO_MAIL), which no client of this library's users may cause.
void note_spooler_session();
// A dialog that MAPI would have shown the user; what it would have asked.
void note_dialog(const std::string& what);
// A session or message store goes: counted when MAPI is no longer
// initialised then, which a client must not let happen.
void note_session_object_gone();

// Adds "mailbox", "mailbox_error" (when the last description could not be
// read), "logons", "logoffs", "released_after_uninitialize",
// "spooler_sessions" and "dialogs" to a report.
void add_mailbox_report(nlohmann::json& report);

}  // namespace qvsim::mapi
