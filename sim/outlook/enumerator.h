// For Each over the simulated Outlook's collections (_Folders, _Items,
// Selection): Invoke of DISPID_NEWENUM gives an IEnumVARIANT, as Outlook's
// collections do for script hosts and .NET clients.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>

#include "errors/com_holders.h"
#include "sim/common/com_object.h"

namespace qvsim::outlook {

// A collection that an enumerator walks: it reads the mailbox at each call,
// so an element added meanwhile is seen by the next Next.
class Enumerable {
 public:
  virtual size_t element_count() const = 0;
  // A new object for the element at a 0-based position below element_count.
  virtual IDispatch* new_element(size_t position) const = 0;

 protected:
  ~Enumerable() = default;
};

// An enumerator over a collection, which it holds a reference to. Its calls
// are counted as "IEnumVARIANT.<member>" (Next, Skip, Reset, Clone,
// QueryInterface).
class Enumerator final : public IEnumVARIANT, public TrackedObject {
 public:
  Enumerator(IDispatch* collection, const Enumerable* elements, size_t position);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) noexcept override;
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return add_reference(); }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return release_reference(); }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* elements, ULONG* fetched) noexcept override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override;
  HRESULT STDMETHODCALLTYPE Reset() noexcept override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** result) noexcept override;

 private:
  qv::com_ptr<IDispatch> collection_;
  const Enumerable* elements_;
  size_t position_;
};

// The enumerator of a collection as _NewEnum gives it: VT_UNKNOWN.
void put_new_enumerator(IDispatch* collection, const Enumerable* elements, VARIANT* result);

}  // namespace qvsim::outlook
