#include "sim/outlook/server.h"

#include <utility>

#include "sim/common/ledger.h"
#include "sim/mapi/mailbox/mailbox_messages.h"

namespace qvsim::outlook {

Server& Server::instance() {
  static Server* server = new Server();
  return *server;
}

Server::Server() : mailbox_(std::make_unique<Mailbox>()) {
  Ledger& ledger = Ledger::instance();
  ledger.set_component("outlook");
  ledger.set_report_extension([this](nlohmann::json& report) { add_report_members(report); });
  // Items that name a .msg file take its properties, read as the MAPI
  // library reads them, so that both simulators show the same item.
  mapi::register_msg_property_loader();
}

HRESULT Server::ensure_loaded() {
  {
    std::lock_guard lock(mutex_);
    used_ = true;
    if (loaded_ || !load_error_.empty()) {
      return loaded_ ? S_OK : CO_E_SERVER_EXEC_FAILURE;
    }
  }
  return load(environment_variable(kMailboxVariable));
}

HRESULT Server::reload(const std::wstring& path) {
  {
    std::lock_guard lock(mutex_);
    // Objects of the old mailbox may still be alive and point into it.
    retired_.push_back(std::move(mailbox_));
    mailbox_ = std::make_unique<Mailbox>();
    loaded_ = false;
    load_error_.clear();
    events_applied_ = 0;
    change_errors_.clear();
    index_types_.clear();
  }
  Ledger::instance().reset_counts();
  return load(path.empty() ? environment_variable(kMailboxVariable) : path);
}

HRESULT Server::load(const std::wstring& path) {
  nlohmann::json faults;
  {
    std::lock_guard lock(mutex_);
    used_ = true;
    mailbox_path_ = path;
    try {
      if (path.empty()) {
        throw MailboxError("the environment variable QV_SIM_MAILBOX is not set");
      }
      mailbox_ = Mailbox::load(path);
      loaded_ = true;
      faults = mailbox_->faults;
    } catch (const std::exception& error) {
      load_error_ = error.what();
      ::OutputDebugStringA(("outlook_sim: " + load_error_ + "\n").c_str());
      return CO_E_SERVER_EXEC_FAILURE;
    }
  }
  // Outside the lock: the ledger calls back into this object for its report.
  Ledger::instance().set_faults(faults);
  return S_OK;
}

bool Server::used() const {
  std::lock_guard lock(mutex_);
  return used_;
}

void Server::after_call(const std::string& call_point) {
  const std::uint64_t count = Ledger::instance().call_count(call_point);
  std::lock_guard lock(mutex_);
  if (!loaded_ || mailbox_->events.empty()) {
    return;
  }
  try {
    events_applied_ += mailbox_->fire_events(call_point, count);
  } catch (const std::exception& error) {
    change_errors_.push_back(error.what());
  }
}

void Server::set_process_end(std::function<void()> end) {
  std::lock_guard lock(mutex_);
  process_end_ = std::move(end);
}

void Server::end_process_at(const std::string& call_point) {
  std::function<void()> end;
  {
    std::lock_guard lock(mutex_);
    if (!process_end_) {
      change_errors_.push_back("end_process at " + call_point +
                               ": only a local server ends its process");
      return;
    }
    end = process_end_;
  }
  end();
}

HRESULT Server::apply(const nlohmann::json& action) {
  std::lock_guard lock(mutex_);
  try {
    mailbox_->apply(action);
    return S_OK;
  } catch (const std::exception& error) {
    change_errors_.push_back(error.what());
    return E_INVALIDARG;
  }
}

void Server::index_used(VARTYPE type) {
  static const std::map<VARTYPE, const char*> kNames = {
      {VT_INT, "VT_INT"}, {VT_I4, "VT_I4"},     {VT_I2, "VT_I2"},
      {VT_I1, "VT_I1"},   {VT_UI1, "VT_UI1"},   {VT_UI2, "VT_UI2"},
      {VT_UI4, "VT_UI4"}, {VT_UINT, "VT_UINT"}, {VT_BSTR, "VT_BSTR"}};
  const auto name = kNames.find(type);
  std::lock_guard lock(mutex_);
  ++index_types_[name != kNames.end() ? name->second : "VT_" + std::to_string(type)];
}

void Server::set_host_report(nlohmann::json members) {
  std::lock_guard lock(mutex_);
  host_report_ = std::move(members);
}

void Server::add_report_members(nlohmann::json& report) const {
  std::lock_guard lock(mutex_);
  for (const auto& [name, value] : host_report_.items()) {
    report[name] = value;
  }
  report["index_types"] = index_types_;
  report["mailbox"] = wide_to_utf8(mailbox_path_);
  if (!load_error_.empty()) {
    report["mailbox_error"] = load_error_;
  }
  report["events_applied"] = events_applied_;
  report["change_errors"] = change_errors_;
}

}  // namespace qvsim::outlook
