// Reference counting for the simulator's COM objects, recorded in the DLL's
// ledger: every object is listed from its creation to its destruction with
// its current reference count, so a reference that the product never
// releases shows in the report.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "sim/common/ledger.h"

namespace qvsim {

// Base of every simulated COM object. Derived classes implement
// QueryInterface and forward AddRef/Release to add_reference/release_reference
// (QVSIM_FORWARD_ADDREF_RELEASE does that).
class TrackedObject {
 public:
  explicit TrackedObject(std::string kind) {
    Ledger::instance().object_created(this, std::move(kind));
  }
  TrackedObject(const TrackedObject&) = delete;
  TrackedObject& operator=(const TrackedObject&) = delete;
  virtual ~TrackedObject() { Ledger::instance().object_destroyed(this); }

  // AddRef and Release: the count is kept even when the ledger cannot
  // record it; no exception leaves them.
  ULONG add_reference() noexcept {
    const long count = ++references_;
    record_references(count);
    return static_cast<ULONG>(count);
  }
  ULONG release_reference() noexcept {
    const long count = --references_;
    if (count == 0) {
      delete this;
      return 0;
    }
    record_references(count);
    return static_cast<ULONG>(count);
  }
  long references() const { return references_; }

 private:
  void record_references(long count) noexcept {
    try {
      Ledger::instance().object_references(this, count);
    } catch (...) {
      // A count that the report misses; the object itself is right.
    }
  }

  std::atomic<long> references_{1};  // the creator's reference
};

}  // namespace qvsim

#define QVSIM_FORWARD_ADDREF_RELEASE                                             \
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return add_reference(); } \
  ULONG STDMETHODCALLTYPE Release() noexcept override { return release_reference(); }
