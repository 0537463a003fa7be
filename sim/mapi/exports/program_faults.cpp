#include "sim/mapi/exports/program_faults.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "sim/common/ledger.h"
#include "sim/common/program_imports.h"

namespace qvsim::mapi {
namespace {

using WideCharToMultiByteFunction = int(WINAPI*)(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH,
                                                 LPBOOL);
using MallocFunction = void*(__cdecl*)(std::size_t);

constexpr char kConversionCall[] = "program.WideCharToMultiByte";
constexpr char kAllocationCall[] = "program.malloc";
constexpr std::size_t kLargeAllocation = 1 << 20;

WideCharToMultiByteFunction g_wide_char_to_multi_byte = nullptr;
MallocFunction g_malloc = nullptr;

// The failure that a rule asks of this call; S_OK to pass it on. A rule
// that would throw passes it on too: no exception may reach the program.
HRESULT feigned_failure(const char* call_point, std::string_view qualifier) noexcept {
  try {
    Ledger& ledger = Ledger::instance();
    if (!ledger.has_fault(call_point)) {
      return S_OK;
    }
    return ledger.enter_for(call_point, qualifier).hr;
  } catch (...) {
    Ledger::instance().exception_caught();
    return S_OK;
  }
}

int WINAPI feigning_wide_char_to_multi_byte(UINT code_page, DWORD flags, LPCWCH text, int length,
                                            LPSTR bytes, int size, LPCCH default_char,
                                            LPBOOL used_default) {
  const HRESULT failure = feigned_failure(kConversionCall, std::to_string(code_page));
  if (FAILED(failure)) {
    ::SetLastError(static_cast<DWORD>(failure) & 0xFFFF);
    return 0;
  }
  return g_wide_char_to_multi_byte(code_page, flags, text, length, bytes, size, default_char,
                                   used_default);
}

void* __cdecl feigning_malloc(std::size_t size) {
  if (size >= kLargeAllocation && FAILED(feigned_failure(kAllocationCall, {}))) {
    return nullptr;
  }
  return g_malloc(size);
}

}  // namespace

void watch_program_calls() {
  // The wrappers live in this DLL: only one that the executable imports
  // stays loaded as long as the redirected imports point into it.
  if (!program_imports_library("mapi32.dll")) {
    return;
  }
  g_wide_char_to_multi_byte = reinterpret_cast<WideCharToMultiByteFunction>(
      redirect_program_import("kernel32.dll", "WideCharToMultiByte",
                              reinterpret_cast<void*>(&feigning_wide_char_to_multi_byte)));
  g_malloc = reinterpret_cast<MallocFunction>(
      redirect_program_import("msvcrt.dll", "malloc", reinterpret_cast<void*>(&feigning_malloc)));
}

}  // namespace qvsim::mapi
