// Answers that every COM object of the library gives alike: QueryInterface
// over a list of interface identifiers, and GetLastError, which has no
// error information to give.
#pragma once

#include <initializer_list>

#include "sim/mapi/base/mapi_platform.h"

namespace qvsim::mapi {

// Answers riid with self (one new reference) when it is among ids;
// E_NOINTERFACE with *object null otherwise.
template <typename T>
HRESULT answer_interface(T* self, REFIID riid, void** object, std::initializer_list<IID> ids) {
  if (object == nullptr) {
    return E_POINTER;
  }
  for (const IID& id : ids) {
    if (riid == id) {
      *object = self;
      self->AddRef();
      return S_OK;
    }
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// GetLastError of IMAPIProp, IMAPITable, IMAPISession, IProfAdmin: S_OK
// with no MAPIERROR.
inline HRESULT answer_no_last_error(LPMAPIERROR* error) {
  if (error == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *error = nullptr;
  return S_OK;
}

}  // namespace qvsim::mapi
