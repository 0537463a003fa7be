#include "sim/common/ledger.h"

#include <oleauto.h>
#include <mapicode.h>

#include <fstream>
#include <new>
#include <stdexcept>
#include <utility>

#include "errors/com_holders.h"
#include "errors/unique_any.h"

namespace qvsim {
namespace {

struct NamedHresult {
  const char* name;
  HRESULT value;
};

// Names accepted in fault rules besides plain numbers.
constexpr NamedHresult kNamedHresults[] = {
    {"S_OK", S_OK},
    {"S_FALSE", S_FALSE},
    {"E_FAIL", E_FAIL},
    {"E_POINTER", E_POINTER},
    {"E_NOINTERFACE", E_NOINTERFACE},
    {"E_OUTOFMEMORY", E_OUTOFMEMORY},
    {"E_INVALIDARG", E_INVALIDARG},
    {"E_ACCESSDENIED", E_ACCESSDENIED},
    {"E_NOTIMPL", E_NOTIMPL},
    {"E_UNEXPECTED", E_UNEXPECTED},
    {"REGDB_E_CLASSNOTREG", REGDB_E_CLASSNOTREG},
    {"CO_E_SERVER_EXEC_FAILURE", CO_E_SERVER_EXEC_FAILURE},
    {"RPC_E_SERVERCALL_RETRYLATER", RPC_E_SERVERCALL_RETRYLATER},
    {"RPC_E_CALL_REJECTED", RPC_E_CALL_REJECTED},
    {"DISP_E_MEMBERNOTFOUND", DISP_E_MEMBERNOTFOUND},
    {"DISP_E_UNKNOWNNAME", DISP_E_UNKNOWNNAME},
    {"DISP_E_EXCEPTION", DISP_E_EXCEPTION},
    {"STG_E_FILENOTFOUND", STG_E_FILENOTFOUND},
    {"STG_E_ACCESSDENIED", STG_E_ACCESSDENIED},
    {"STG_E_READFAULT", STG_E_READFAULT},
    {"MAPI_E_CALL_FAILED", MAPI_E_CALL_FAILED},
    {"MAPI_E_NOT_ENOUGH_MEMORY", MAPI_E_NOT_ENOUGH_MEMORY},
    {"MAPI_E_INVALID_PARAMETER", MAPI_E_INVALID_PARAMETER},
    {"MAPI_E_NO_ACCESS", MAPI_E_NO_ACCESS},
    {"MAPI_E_NO_SUPPORT", MAPI_E_NO_SUPPORT},
    {"MAPI_E_NOT_FOUND", MAPI_E_NOT_FOUND},
    {"MAPI_E_LOGON_FAILED", MAPI_E_LOGON_FAILED},
    {"MAPI_E_NETWORK_ERROR", MAPI_E_NETWORK_ERROR},
    {"MAPI_E_DISK_ERROR", MAPI_E_DISK_ERROR},
    {"MAPI_E_CORRUPT_DATA", MAPI_E_CORRUPT_DATA},
    {"MAPI_E_USER_CANCEL", MAPI_E_USER_CANCEL},
    {"MAPI_E_NOT_INITIALIZED", MAPI_E_NOT_INITIALIZED},
    {"MAPI_E_UNKNOWN_FLAGS", MAPI_E_UNKNOWN_FLAGS},
    {"MAPI_E_INTERFACE_NOT_SUPPORTED", MAPI_E_INTERFACE_NOT_SUPPORTED},
    {"MAPI_E_TOO_BIG", MAPI_E_TOO_BIG},
};

// Tracing is asked for by this environment variable.
bool tracing_requested() { return !environment_variable(L"QV_SIM_TRACE").empty(); }

}  // namespace

Ledger::Ledger() : tracing_(tracing_requested()) {}

Ledger& Ledger::instance() {
  // Never destroyed: objects may still be released during process exit.
  static Ledger* ledger = new Ledger();
  return *ledger;
}

void Ledger::set_component(std::string name) {
  std::lock_guard lock(mutex_);
  component_ = std::move(name);
}

void Ledger::set_faults(const nlohmann::json& faults) {
  std::vector<FaultRule> rules;
  if (faults.is_array()) {
    for (const auto& entry : faults) {
      FaultRule rule;
      rule.call_point = entry.at("call").get<std::string>();
      if (entry.contains("nth")) {
        rule.nth = entry.at("nth").get<std::uint64_t>();
      }
      if (entry.contains("count")) {
        rule.count = entry.at("count").get<std::uint64_t>();
        rule.nth = rule.nth == 0 ? 1 : rule.nth;
      }
      rule.hr = entry.contains("hr") ? parse_hresult(entry.at("hr")) : E_FAIL;
      rule.error_info = entry.value("error_info", false);
      rule.description = utf8_to_wide(entry.value("description", std::string("Simulated failure")));
      rule.only_for = entry.value("only_for", std::string());
      rule.throws = entry.value("throw", std::string());
      rule.ends_process = entry.value("end_process", false);
      rules.push_back(std::move(rule));
    }
  }
  std::lock_guard lock(mutex_);
  faults_ = std::move(rules);
}

void Ledger::add_fault(FaultRule rule) {
  std::lock_guard lock(mutex_);
  faults_.push_back(std::move(rule));
}

void Ledger::clear_faults() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

CallOutcome Ledger::enter(std::string_view call_point, std::string_view qualifier) {
  return count_and_match(call_point, qualifier, false);
}

CallOutcome Ledger::enter_for(std::string_view call_point, std::string_view qualifier) {
  return count_and_match(call_point, qualifier, true);
}

CallOutcome Ledger::count_and_match(std::string_view call_point, std::string_view qualifier,
                                    bool unqualified_rules_match) {
  std::lock_guard lock(mutex_);
  auto it = calls_.find(call_point);
  if (it == calls_.end()) {
    it = calls_.emplace(std::string(call_point), 0).first;
  }
  const std::uint64_t number = ++it->second;
  last_activity_ = ::GetTickCount64();
  if (tracing_) {
    trace_.push_back(it->first);
  }
  for (const FaultRule& rule : faults_) {
    const bool qualifier_matches =
        rule.only_for == qualifier || (unqualified_rules_match && rule.only_for.empty());
    if (rule.call_point != call_point || !qualifier_matches) {
      continue;
    }
    if (rule.nth != 0 && (number < rule.nth || number - rule.nth >= rule.count)) {
      continue;
    }
    if (!rule.throws.empty()) {
      ++exceptions_thrown_;
      if (rule.throws == "bad_alloc") {
        throw std::bad_alloc();
      }
      throw std::runtime_error(rule.throws);
    }
    CallOutcome outcome;
    if (rule.ends_process) {
      outcome.ends_process = true;
      return outcome;
    }
    outcome.hr = rule.hr;
    outcome.error_info = rule.error_info;
    if (rule.error_info) {
      set_thread_error_object(rule.description, call_point);
    }
    return outcome;
  }
  return CallOutcome{};
}

std::uint64_t Ledger::call_count(std::string_view call_point) const {
  std::lock_guard lock(mutex_);
  const auto it = calls_.find(call_point);
  return it == calls_.end() ? 0 : it->second;
}

bool Ledger::has_fault(std::string_view call_point) const {
  std::lock_guard lock(mutex_);
  for (const FaultRule& rule : faults_) {
    if (rule.call_point == call_point) {
      return true;
    }
  }
  return false;
}

void Ledger::exception_caught() {
  std::lock_guard lock(mutex_);
  ++exceptions_caught_;
}

void Ledger::object_created(const void* object, std::string kind) {
  std::lock_guard lock(mutex_);
  objects_[object] = LiveObject{std::move(kind), 1};
  ++created_;
  last_activity_ = ::GetTickCount64();
}

void Ledger::object_references(const void* object, long references) {
  std::lock_guard lock(mutex_);
  const auto it = objects_.find(object);
  if (it != objects_.end()) {
    it->second.references = references;
  }
}

void Ledger::object_destroyed(const void* object) {
  std::lock_guard lock(mutex_);
  if (objects_.erase(object) != 0) {
    ++destroyed_;
    last_activity_ = ::GetTickCount64();
  }
}

void Ledger::forget_object(const void* object) {
  std::lock_guard lock(mutex_);
  if (objects_.erase(object) != 0) {
    --created_;
  }
}

std::size_t Ledger::live_objects() const {
  std::lock_guard lock(mutex_);
  return objects_.size();
}

std::uint64_t Ledger::last_activity() const {
  std::lock_guard lock(mutex_);
  return last_activity_;
}

void Ledger::set_report_extension(std::function<void(nlohmann::json&)> extension) {
  std::lock_guard lock(mutex_);
  extension_ = std::move(extension);
}

nlohmann::json Ledger::report() const {
  std::lock_guard lock(mutex_);
  nlohmann::json result;
  result["component"] = component_;
  nlohmann::json calls = nlohmann::json::object();
  for (const auto& [name, count] : calls_) {
    calls[name] = count;
  }
  result["calls"] = std::move(calls);
  nlohmann::json live = nlohmann::json::array();
  long unreleased = 0;
  for (const auto& [object, info] : objects_) {
    live.push_back({{"kind", info.kind}, {"references", info.references}});
    unreleased += info.references;
  }
  result["live_objects"] = std::move(live);
  result["objects_created"] = created_;
  result["objects_destroyed"] = destroyed_;
  result["unreleased_references"] = unreleased;
  result["exceptions_thrown"] = exceptions_thrown_;
  result["exceptions_caught"] = exceptions_caught_;
  if (tracing_) {
    result["trace"] = trace_;
  }
  if (extension_) {
    extension_(result);
  }
  return result;
}

bool Ledger::write_report_to_env_path(const wchar_t* variable) const {
  const std::wstring path = environment_variable(variable);
  return !path.empty() && write_report(path);
}

bool Ledger::write_report(const std::wstring& path) const {
  const std::string text = report().dump(2);
  const std::wstring partial = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L".part";
  bool written_whole = false;
  {
    const qv::unique_file file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      return false;
    }
    DWORD written = 0;
    written_whole =
        ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
  }
  // Readers wait for the report's name: it appears only when the report is whole.
  if (written_whole && ::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return true;
  }
  ::DeleteFileW(partial.c_str());
  return false;
}

void Ledger::reset_counts() {
  std::lock_guard lock(mutex_);
  calls_.clear();
  created_ = destroyed_ = 0;
  exceptions_thrown_ = exceptions_caught_ = 0;
  trace_.clear();
  tracing_ = tracing_requested();
}

void set_thread_error_object(const std::wstring& description, std::string_view source) {
  qv::com_ptr<ICreateErrorInfo> create;
  if (FAILED(::CreateErrorInfo(create.put())) || !create) {
    return;
  }
  std::wstring source_text = utf8_to_wide(source);
  create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
  create->SetSource(const_cast<LPOLESTR>(source_text.c_str()));
  if (const qv::com_ptr<IErrorInfo> info = create.try_query<IErrorInfo>()) {
    ::SetErrorInfo(0, info.get());
  }
}

HRESULT parse_hresult(const nlohmann::json& value) {
  if (value.is_number_integer()) {
    return static_cast<HRESULT>(value.get<std::int64_t>());
  }
  const std::string text = value.get<std::string>();
  for (const NamedHresult& named : kNamedHresults) {
    if (text == named.name) {
      return named.value;
    }
  }
  try {
    size_t used = 0;
    const unsigned long long number = std::stoull(text, &used, 0);
    if (used == text.size() && number <= 0xFFFFFFFFull) {
      return static_cast<HRESULT>(static_cast<std::uint32_t>(number));
    }
  } catch (const std::exception&) {
  }
  std::string names;
  for (const NamedHresult& named : kNamedHresults) {
    names += names.empty() ? "" : ", ";
    names += named.name;
  }
  throw std::invalid_argument("unknown HRESULT: " + text +
                              " (accepted: a number, hexadecimal text such as "
                              "\"0x80004005\", or " +
                              names + ")");
}

namespace {

// The library's conversions raise CAtlException; the simulator's give the
// empty text instead, and keep std::bad_alloc for memory.
template <class Result, class Conversion>
Result converted_or_empty(Conversion conversion) {
  try {
    return conversion();
  } catch (const CAtlException& error) {
    if (static_cast<HRESULT>(error) == E_OUTOFMEMORY) {
      throw std::bad_alloc();
    }
    return Result();
  }
}

}  // namespace

std::wstring to_wide(std::string_view text, UINT code_page) {
  return converted_or_empty<std::wstring>(
      [&] { return qv::to_wide(text.data(), static_cast<int>(text.size()), code_page); });
}

std::string to_narrow(std::wstring_view text, UINT code_page) {
  return converted_or_empty<std::string>(
      [&] { return qv::to_narrow(text.data(), static_cast<int>(text.size()), code_page); });
}

std::wstring utf8_to_wide(std::string_view text) { return to_wide(text, CP_UTF8); }

std::string wide_to_utf8(std::wstring_view text) { return to_narrow(text, CP_UTF8); }

std::wstring environment_variable(const wchar_t* name) {
  const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) {
    return std::wstring();
  }
  std::wstring value(size, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length);
  return value;
}

}  // namespace qvsim
