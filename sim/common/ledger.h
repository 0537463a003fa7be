// The simulator's ledger: what a simulated component (the Outlook server, the
// MAPI library) was asked to do, which failures it must feign, and which of
// its objects are still alive. Each DLL has its own ledger; at process exit,
// and on demand, it writes a JSON report that tests read to prove that the
// product made exactly the calls it should and released everything.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace qvsim {

// A failure to feign at a named call point.
struct FaultRule {
  std::string call_point;   // for example "Selection.Item"
  std::uint64_t nth = 0;    // fail from the nth call on (1-based); 0: every call
  std::uint64_t count = 1;  // with nth: how many calls in a row fail (a busy spell)
  HRESULT hr = E_FAIL;
  bool error_info = false;   // also set the thread's error object (IErrorInfo)
  std::wstring description;  // text of that error object
  std::string only_for;      // optional qualifier, matched by the caller (say, a profile name)
  // Non-empty: instead of failing, the call throws a C++ exception, to prove
  // that none crosses the DLL's boundary: "bad_alloc" throws std::bad_alloc,
  // any other text std::runtime_error with that text.
  std::string throws;
  // Instead of failing, the component's process ends at this call without
  // answering it, as when the user closes Outlook or it crashes.
  bool ends_process = false;
};

// What a call must do.
struct CallOutcome {
  HRESULT hr = S_OK;          // S_OK: go on; else fail with it
  bool error_info = false;    // the thread's error object was set for this failure
  bool ends_process = false;  // the process must end now, the call unanswered
  bool failed() const { return hr != S_OK; }
};

class Ledger {
 public:
  // The ledger of this DLL.
  static Ledger& instance();

  // Component name written into the report ("outlook", "mapi").
  void set_component(std::string name);

  // Fault rules, replacing the present ones. Accepts the "faults" array of a
  // mailbox description (see docs/mailbox-format.md).
  void set_faults(const nlohmann::json& faults);
  void add_fault(FaultRule rule);
  void clear_faults();

  // Counts one call of a call point and tells what it must do. qualifier is
  // matched against FaultRule::only_for (empty: rules without only_for).
  CallOutcome enter(std::string_view call_point, std::string_view qualifier = {});
  // Like enter, but rules without only_for match every call of the call
  // point, and rules with only_for the calls with that qualifier (say, the
  // logon to one profile among others).
  CallOutcome enter_for(std::string_view call_point, std::string_view qualifier);

  std::uint64_t call_count(std::string_view call_point) const;
  // Whether a fault rule names the call point: calls that are counted only
  // while they may fail ask first.
  bool has_fault(std::string_view call_point) const;

  // C++ exceptions caught at the DLL's boundary (exported routines and COM
  // methods), and those thrown by "throw" faults; both are in the report.
  void exception_caught();

  // Live COM objects: a kind, and the current reference count.
  void object_created(const void* object, std::string kind);
  void object_references(const void* object, long references);
  void object_destroyed(const void* object);
  // An object that the component keeps for itself (a local server's running
  // object): no longer listed or counted as created.
  void forget_object(const void* object);
  std::size_t live_objects() const;
  // GetTickCount64() when an object was last created or destroyed, or a call
  // last counted.
  std::uint64_t last_activity() const;

  // Extra members of the report, filled by the component.
  void set_report_extension(std::function<void(nlohmann::json&)> extension);

  // The report: {"component", "calls": {point: n}, "live_objects": [{"kind",
  // "references"}], "objects_created", "objects_destroyed",
  // "unreleased_references", ...extension}; with tracing on, also "trace":
  // the call points in the order of their calls.
  nlohmann::json report() const;

  // Writes the report to the (Windows) path named by the environment
  // variable; nothing when it is not set. Returns whether a file was written.
  // The file appears whole: it is written beside the path and then renamed,
  // so that a reader that waits for it never reads half of it.
  bool write_report_to_env_path(const wchar_t* variable) const;
  bool write_report(const std::wstring& path) const;

  // Forgets counts, objects and the trace (tests that drive a DLL
  // in-process). Tracing is on from here when the environment variable
  // QV_SIM_TRACE is set (not empty), as it is when the ledger is made.
  void reset_counts();

 private:
  Ledger();

  struct LiveObject {
    std::string kind;
    long references = 0;
  };

  mutable std::recursive_mutex mutex_;
  std::string component_;
  std::vector<FaultRule> faults_;
  std::map<std::string, std::uint64_t, std::less<>> calls_;
  std::map<const void*, LiveObject> objects_;
  std::uint64_t created_ = 0;
  std::uint64_t destroyed_ = 0;
  std::uint64_t last_activity_ = 0;
  std::uint64_t exceptions_thrown_ = 0;
  std::uint64_t exceptions_caught_ = 0;
  std::function<void(nlohmann::json&)> extension_;
  bool tracing_ = false;
  std::vector<std::string> trace_;

  CallOutcome count_and_match(std::string_view call_point, std::string_view qualifier,
                              bool unqualified_rules_match);
};

// Parses an HRESULT written as a number or as text ("0x80004005", "E_FAIL",
// "MAPI_E_NOT_FOUND", ...). Throws std::invalid_argument for unknown text.
HRESULT parse_hresult(const nlohmann::json& value);

// Sets the calling thread's error object (SetErrorInfo) to a new one with
// this description and source, as a COM server does before it fails a call.
void set_thread_error_object(const std::wstring& description, std::string_view source);

// 8-bit text in a code page to UTF-16 and back, by the library's conversions
// (qv::to_wide, qv::to_narrow); a text that does not convert gives the empty
// text. Throws std::bad_alloc.
std::wstring to_wide(std::string_view text, UINT code_page);
std::string to_narrow(std::wstring_view text, UINT code_page);

// UTF-8 <-> UTF-16 for the simulator's own texts.
std::wstring utf8_to_wide(std::string_view text);
std::string wide_to_utf8(std::wstring_view text);

// An environment variable's value; empty when it is not set.
std::wstring environment_variable(const wchar_t* name);

}  // namespace qvsim
