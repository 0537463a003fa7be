// No C++ exception may leave an exported routine or a COM method of a
// simulator: its caller is a Windows program that knows HRESULTs only. Every
// such routine is a function-try-block that ends in one of these handlers;
// the exception becomes a result and is counted in the ledger
// ("exceptions_caught" in the report).
#pragma once

#include <windows.h>

#include <new>

#include "sim/common/ledger.h"

namespace qvsim {

// Inside a handler: counts the exception and gives its HRESULT,
// E_OUTOFMEMORY (MAPI_E_NOT_ENOUGH_MEMORY) for std::bad_alloc, E_FAIL
// (MAPI_E_CALL_FAILED) for anything else.
inline HRESULT caught_exception_hresult() noexcept {
  HRESULT hr = E_FAIL;
  try {
    throw;
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  } catch (...) {
  }
  try {
    Ledger::instance().exception_caught();
  } catch (...) {
    // Counting must not throw again.
  }
  return hr;
}

// Inside a handler: counts the exception and gives value.
template <class T>
T caught_exception_value(T value) noexcept {
  caught_exception_hresult();
  return value;
}

}  // namespace qvsim

#define QVSIM_CATCH_RETURN(value) \
  catch (...) {                   \
    return value;                 \
  }
#define QVSIM_CATCH_HRESULT QVSIM_CATCH_RETURN(::qvsim::caught_exception_hresult())
#define QVSIM_CATCH_VOID                 \
  catch (...) {                          \
    ::qvsim::caught_exception_hresult(); \
  }
