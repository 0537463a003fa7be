#include "sim/mapi/mapi32_state.h"

#include <mutex>

#include "sim/common/ledger.h"
#include "sim/mapi/memory.h"

namespace qvsim::mapi {
namespace {

struct LibraryState {
  std::mutex mutex;
  unsigned long initialize_calls = 0;
  unsigned long uninitialize_calls = 0;
  unsigned long unmatched_uninitialize_calls = 0;  // without an initialisation to end
  unsigned long depth = 0;
  HRESULT description_status = S_OK;  // reading the description's faults
  std::string reason = "on_demand";
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
}

bool read_whole_file(const std::wstring& path, std::string* bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  LARGE_INTEGER size{};
  bool ok = ::GetFileSizeEx(file, &size) != 0;
  bytes->assign(ok ? static_cast<size_t>(size.QuadPart) : 0, '\0');
  DWORD read = 0;
  ok = ok && (bytes->empty() || ::ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr));
  ::CloseHandle(file);
  return ok && read == bytes->size();
}

// Reads the "faults" of the mailbox description named by QV_SIM_MAILBOX.
HRESULT load_faults() {
  const std::wstring path = environment_variable(kMailboxVariable);
  if (path.empty()) {
    return S_OK;
  }
  std::string text;
  const bool read = read_whole_file(path, &text);
  const nlohmann::json mailbox = nlohmann::json::parse(text, nullptr, false);
  if (!read || mailbox.is_discarded() || !mailbox.is_object()) {
    return MAPI_E_CORRUPT_DATA;
  }
  try {
    Ledger::instance().set_faults(mailbox.value("faults", nlohmann::json::array()));
  } catch (const std::exception&) {
    return MAPI_E_CORRUPT_DATA;
  }
  return S_OK;
}

}  // namespace

void prepare_library() {
  static std::once_flag once;
  std::call_once(once, [] {
    Ledger::instance().set_component("mapi");
    Ledger::instance().set_report_extension(extend_report);
    // The faults must be known before the first call that they can fail,
    // the first MAPIInitialize among them.
    LibraryState& s = state();
    std::lock_guard lock(s.mutex);
    s.description_status = load_faults();
  });
}

HRESULT initialize_library() {
  LibraryState& s = state();
  std::lock_guard lock(s.mutex);
  ++s.initialize_calls;
  if (FAILED(s.description_status)) {
    return s.description_status;
  }
  ++s.depth;
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
