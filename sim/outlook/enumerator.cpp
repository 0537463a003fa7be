#include "sim/outlook/enumerator.h"

#include <algorithm>

#include "sim/common/com_guard.h"
#include "sim/outlook/dispatch.h"

namespace qvsim::outlook {

Enumerator::Enumerator(IDispatch* collection, const Enumerable* elements, size_t position)
    : TrackedObject("IEnumVARIANT"),
      collection_(qv::com_ptr<IDispatch>::copy(collection)),
      elements_(elements),
      position_(position) {}

HRESULT STDMETHODCALLTYPE Enumerator::QueryInterface(REFIID iid, void** result) noexcept try {
  if (result != nullptr) {
    *result = nullptr;
  }
  CallScope call("IEnumVARIANT.QueryInterface");
  if (result == nullptr) {
    return E_POINTER;
  }
  if (call.outcome().failed()) {
    return call.outcome().hr;
  }
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumVARIANT)) {
    return E_NOINTERFACE;
  }
  add_reference();
  *result = static_cast<IEnumVARIANT*>(this);
  return S_OK;
}
QVSIM_CATCH_HRESULT

// Up to count elements from the position on; S_FALSE when fewer were left.
HRESULT STDMETHODCALLTYPE Enumerator::Next(ULONG count, VARIANT* elements, ULONG* fetched) noexcept
    try {
  if (fetched != nullptr) {
    *fetched = 0;
  }
  CallScope call("IEnumVARIANT.Next");
  if (elements == nullptr || (count > 1 && fetched == nullptr)) {
    return E_POINTER;
  }
  if (call.outcome().failed()) {
    return call.outcome().hr;
  }
  ULONG given = 0;
  for (; given < count && position_ < elements_->element_count(); ++given, ++position_) {
    ::VariantInit(&elements[given]);
    put_variant(&elements[given], elements_->new_element(position_));
  }
  if (fetched != nullptr) {
    *fetched = given;
  }
  return given == count ? S_OK : S_FALSE;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Enumerator::Skip(ULONG count) noexcept try {
  CallScope call("IEnumVARIANT.Skip");
  if (call.outcome().failed()) {
    return call.outcome().hr;
  }
  const size_t left = elements_->element_count() - std::min(position_, elements_->element_count());
  position_ += std::min<size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Enumerator::Reset() noexcept try {
  CallScope call("IEnumVARIANT.Reset");
  if (call.outcome().failed()) {
    return call.outcome().hr;
  }
  position_ = 0;
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Enumerator::Clone(IEnumVARIANT** result) noexcept try {
  if (result != nullptr) {
    *result = nullptr;
  }
  CallScope call("IEnumVARIANT.Clone");
  if (result == nullptr) {
    return E_POINTER;
  }
  if (call.outcome().failed()) {
    return call.outcome().hr;
  }
  *result = new Enumerator(collection_.get(), elements_, position_);
  return S_OK;
}
QVSIM_CATCH_HRESULT

void put_new_enumerator(IDispatch* collection, const Enumerable* elements, VARIANT* result) {
  result->vt = VT_UNKNOWN;
  result->punkVal = static_cast<IEnumVARIANT*>(new Enumerator(collection, elements, 0));
}

}  // namespace qvsim::outlook
