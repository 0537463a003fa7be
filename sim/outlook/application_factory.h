// The class object of the Outlook application class, which both hosts give
// to COM: the DLL from DllGetClassObject, the local server by
// CoRegisterClassObject. It lives as long as the process and is not counted
// among the live objects: COM, not the client, decides how long it holds it.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <cstdint>

namespace qvsim::outlook {

class ApplicationFactory final : public IClassFactory {
 public:
  static ApplicationFactory& instance();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) noexcept override;
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
  // Counted as "Application.CreateInstance". Reads the mailbox on the first
  // activation.
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid,
                                           void** result) noexcept override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

  // From now on activations fail with CO_E_SERVER_STOPPING, as a server that
  // has begun to end answers them.
  void stop() { stopping_ = true; }
  // Locks that clients took with LockServer(TRUE) and have not given back.
  long locks() const { return locks_; }
  // GetTickCount64() of the last CreateInstance or LockServer.
  std::uint64_t last_activity() const { return last_activity_; }

 private:
  ApplicationFactory() = default;
  void note_activity() { last_activity_ = ::GetTickCount64(); }

  std::atomic<bool> stopping_{false};
  std::atomic<long> locks_{0};
  std::atomic<std::uint64_t> last_activity_{0};
};

}  // namespace qvsim::outlook
