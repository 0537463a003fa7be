#include "sim/outlook/application_factory.h"

#include "sim/common/com_guard.h"
#include "sim/outlook/dispatch.h"
#include "sim/outlook/objects.h"
#include "sim/outlook/server.h"

namespace qvsim::outlook {

ApplicationFactory& ApplicationFactory::instance() {
  static ApplicationFactory* factory = new ApplicationFactory();
  return *factory;
}

HRESULT STDMETHODCALLTYPE ApplicationFactory::QueryInterface(REFIID iid, void** result) noexcept
    try {
  if (result == nullptr) {
    return E_POINTER;
  }
  *result = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)
                ? static_cast<IClassFactory*>(this)
                : nullptr;
  return *result != nullptr ? S_OK : E_NOINTERFACE;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE ApplicationFactory::CreateInstance(IUnknown* outer, REFIID iid,
                                                             void** result) noexcept try {
  if (result == nullptr) {
    return E_POINTER;
  }
  *result = nullptr;
  note_activity();
  if (stopping_) {
    return CO_E_SERVER_STOPPING;
  }
  const HRESULT loaded = Server::instance().ensure_loaded();
  CallScope call("Application.CreateInstance");
  if (call.outcome().failed()) {
    return call.outcome().hr;
  }
  if (FAILED(loaded)) {
    return loaded;
  }
  if (outer != nullptr) {
    return CLASS_E_NOAGGREGATION;
  }
  auto* application = new ApplicationObject();
  const HRESULT hr = application->find_interface(iid, result);
  application->Release();
  return hr;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE ApplicationFactory::LockServer(BOOL lock) noexcept try {
  note_activity();
  locks_ += lock ? 1 : -1;
  return S_OK;
}
QVSIM_CATCH_HRESULT

}  // namespace qvsim::outlook
