#include "sim/mapi/exports/mapi32_state.h"

#include <mutex>
#include <vector>

#include "sim/common/ledger.h"
#include "sim/mapi/mailbox/mailbox_messages.h"
#include "sim/mapi/base/memory.h"
#include "sim/mapi/exports/program_references.h"
#include "sim/mapi/mailbox/served_mailbox.h"

namespace qvsim::mapi {
namespace {

struct LibraryState {
  std::mutex mutex;
  unsigned long initialize_calls = 0;
  unsigned long uninitialize_calls = 0;
  unsigned long unmatched_uninitialize_calls = 0;  // without an initialisation to end
  unsigned long depth = 0;
  HRESULT description_status = S_OK;  // serving the mailbox description
  std::string reason = "on_demand";
  std::vector<long> program_references_at_initialize;
};

LibraryState& state() {
  static LibraryState* value = new LibraryState();  // outlives process-exit reporting
  return *value;
}

void extend_report(nlohmann::json& report) {
  LibraryState& s = state();
  std::lock_guard lock(s.mutex);
  const AllocationCounts allocations = outstanding_allocations();
  report["mapi_initialize_calls"] = s.initialize_calls;
  report["mapi_uninitialize_calls"] = s.uninitialize_calls;
  report["mapi_initialized"] = s.depth;
  report["mapi_initialize_balanced"] = s.depth == 0 && s.unmatched_uninitialize_calls == 0;
  report["mapi_allocations_outstanding"] = allocations.buffers;
  report["mapi_linked_allocations_outstanding"] = allocations.linked;
  report["mapi_bytes_outstanding"] = allocations.bytes;
  report["report_reason"] = s.reason;
  report["program_references_at_initialize"] = s.program_references_at_initialize;
  add_mailbox_report(report);
}

}  // namespace

void prepare_library() {
  static std::once_flag once;
  std::call_once(once, [] {
    Ledger::instance().set_component("mapi");
    Ledger::instance().set_report_extension(extend_report);
    register_msg_property_loader();  // before any description is read
    // The mailbox, and with it the faults, must be known before the first
    // call that they can fail, the first MAPIInitialize among them. Served
    // outside the state's lock: a report takes the ledger's lock, then it.
    const HRESULT status = serve_mailbox(std::wstring());
    LibraryState& s = state();
    std::lock_guard lock(s.mutex);
    s.description_status = status;
  });
}

HRESULT initialize_library() {
  LibraryState& s = state();
  std::lock_guard lock(s.mutex);
  ++s.initialize_calls;
  s.program_references_at_initialize.push_back(program_references());
  if (FAILED(s.description_status)) {
    return s.description_status;
  }
  ++s.depth;
  return S_OK;
}

HRESULT reset_library(const std::wstring& path) {
  if (const HRESULT hr = serve_mailbox(path); FAILED(hr)) {
    return hr;
  }
  {
    LibraryState& s = state();
    std::lock_guard lock(s.mutex);
    s.description_status = S_OK;
    s.program_references_at_initialize.clear();
  }
  Ledger::instance().reset_counts();
  return S_OK;
}

void uninitialize_library() {
  LibraryState& s = state();
  bool last = false;
  {
    std::lock_guard lock(s.mutex);
    ++s.uninitialize_calls;
    if (s.depth == 0) {
      ++s.unmatched_uninitialize_calls;
      return;
    }
    last = --s.depth == 0;
  }
  if (last) {
    write_library_report(std::wstring(), "last_uninitialize");
  }
}

bool library_initialized() {
  LibraryState& s = state();
  std::lock_guard lock(s.mutex);
  return s.depth != 0;
}

bool write_library_report(const std::wstring& path, const char* reason) {
  {
    LibraryState& s = state();
    std::lock_guard lock(s.mutex);
    s.reason = reason;
  }
  return path.empty() ? Ledger::instance().write_report_to_env_path(kReportVariable)
                      : Ledger::instance().write_report(path);
}

std::string library_report_text() {
  {
    LibraryState& s = state();
    std::lock_guard lock(s.mutex);
    s.reason = "on_demand";
  }
  return Ledger::instance().report().dump(2);
}

}  // namespace qvsim::mapi
