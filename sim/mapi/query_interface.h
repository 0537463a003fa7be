// QueryInterface for the library's COM objects: the object answers each of
// a list of interface identifiers with one pointer to itself.
#pragma once

#include <unknwn.h>

#include <initializer_list>

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

}  // namespace qvsim::mapi
