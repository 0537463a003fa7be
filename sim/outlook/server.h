// Process-wide state of the simulated Outlook: the mailbox it serves, read
// from the description that QV_SIM_MAILBOX names when the first object is
// activated, and the events that the description schedules after calls.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/common/mailbox.h"

namespace qvsim::outlook {

inline constexpr wchar_t kMailboxVariable[] = L"QV_SIM_MAILBOX";
inline constexpr wchar_t kReportVariable[] = L"QV_SIM_OUTLOOK_REPORT";

class Server {
 public:
  // Never destroyed: objects may still be released while the process exits.
  static Server& instance();

  void set_module(HMODULE module) { module_ = module; }
  HMODULE module() const { return module_; }

  // Reads the mailbox description on the first call; S_OK when it was read,
  // CO_E_SERVER_EXEC_FAILURE (as for a server that cannot start) when the
  // variable is unset or the description is wrong. Marks the server as used.
  HRESULT ensure_loaded();
  // Serves the description at path (QV_SIM_MAILBOX's when empty) from now
  // on, with the call counts started afresh; for tests that drive the DLL
  // in-process. Same results as ensure_loaded().
  HRESULT reload(const std::wstring& path);

  // Whether any activation was attempted (the report is written only then).
  bool used() const;

  // The mailbox; empty until ensure_loaded() succeeded.
  Mailbox& mailbox() { return *mailbox_; }

  // Applies the description's events due after the call just counted.
  void after_call(const std::string& call_point);

  // Applies a change ({"add_folder": ...}); S_OK, or E_INVALIDARG with the
  // reason kept for the report.
  HRESULT apply(const nlohmann::json& action);

  // Counts the VARIANT type of an Item argument, for the report's
  // "index_types".
  void index_used(VARTYPE type);

  // Members that the host adds to the report (how it was started and ended).
  void set_host_report(nlohmann::json members);

  // How the host ends its process at once, as Outlook ends when the user
  // closes it or it crashes: set by the local server only (never returns).
  void set_process_end(std::function<void()> end);
  // A fault's end_process at this call: the host ends its process; a host
  // that cannot (the DLL, in its client's process) keeps the call's point in
  // the report's "change_errors" and answers the call.
  void end_process_at(const std::string& call_point);

 private:
  Server();
  HRESULT load(const std::wstring& path);
  void add_report_members(nlohmann::json& report) const;

  mutable std::recursive_mutex mutex_;
  HMODULE module_ = nullptr;
  bool used_ = false;
  bool loaded_ = false;
  std::wstring mailbox_path_;
  std::string load_error_;
  std::unique_ptr<Mailbox> mailbox_;
  std::vector<std::unique_ptr<Mailbox>> retired_;
  int events_applied_ = 0;
  std::vector<std::string> change_errors_;
  std::map<std::string, std::uint64_t> index_types_;
  nlohmann::json host_report_ = nlohmann::json::object();
  std::function<void()> process_end_;
};

}  // namespace qvsim::outlook
