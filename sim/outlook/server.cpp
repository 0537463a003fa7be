#include "sim/outlook/server.h"

#include <utility>

#include "sim/common/ledger.h"

namespace qvsim::outlook {

Server& Server::instance() {
  static Server* server = new Server();
  return *server;
}

Server::Server() : mailbox_(std::make_unique<Mailbox>()) {
  Ledger& ledger = Ledger::instance();
  ledger.set_component("outlook");
  ledger.set_report_extension([this](nlohmann::json& report) { add_report_members(report); });
}

HRESULT Server::ensure_loaded() {
  nlohmann::json faults;
  {
    std::lock_guard lock(mutex_);
    used_ = true;
    if (loaded_) {
      return S_OK;
    }
    if (load_error_.empty()) {
      load_mailbox();
    }
    if (!loaded_) {
      return CO_E_SERVER_EXEC_FAILURE;
    }
    faults = mailbox_->faults;
  }
  // Outside the lock: the ledger calls back into this object for its report.
  Ledger::instance().set_faults(faults);
  return S_OK;
}

void Server::load_mailbox() {
  mailbox_path_ = environment_variable(kMailboxVariable);
  if (mailbox_path_.empty()) {
    load_error_ = "the environment variable QV_SIM_MAILBOX is not set";
  } else {
    try {
      mailbox_ = Mailbox::load(mailbox_path_);
      loaded_ = true;
      return;
    } catch (const std::exception& error) {
      load_error_ = error.what();
    }
  }
  ::OutputDebugStringA(("outlook_sim: " + load_error_ + "\n").c_str());
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

void Server::add_report_members(nlohmann::json& report) const {
  std::lock_guard lock(mutex_);
  report["mailbox"] = wide_to_utf8(mailbox_path_);
  if (!load_error_.empty()) {
    report["mailbox_error"] = load_error_;
  }
  report["events_applied"] = events_applied_;
  report["change_errors"] = change_errors_;
}

}  // namespace qvsim::outlook
