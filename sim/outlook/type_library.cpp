#include "sim/outlook/type_library.h"

#include <oleauto.h>

#include <map>
#include <mutex>
#include <vector>

#include "errors/com_holders.h"
#include "sim/outlook/server.h"

namespace qvsim::outlook {
namespace {

constexpr SYSKIND kSystem = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

bool library_registered() {
  BSTR path = nullptr;
  const HRESULT hr = ::QueryPathOfRegTypeLib(kLibraryId, kLibraryMajorVersion, kLibraryMinorVersion,
                                             LOCALE_NEUTRAL, &path);
  ::SysFreeString(path);
  return SUCCEEDED(hr);
}

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const { return ::memcmp(&a, &b, sizeof(GUID)) < 0; }
};

// The embedded library and the type information taken from it so far. Never
// destroyed: objects may still use it while the process exits.
class LoadedLibrary {
 public:
  static LoadedLibrary& instance() {
    static LoadedLibrary* library = new LoadedLibrary();
    return *library;
  }

  ITypeInfo* type_info(REFIID iid) {
    std::lock_guard lock(mutex_);
    const auto known = infos_.find(iid);
    if (known != infos_.end()) {
      return known->second.get();
    }
    if (!library_ && !load()) {
      return nullptr;
    }
    qv::com_ptr<ITypeInfo> info;
    if (FAILED(library_->GetTypeInfoOfGuid(iid, info.put()))) {
      return nullptr;
    }
    return infos_.emplace(iid, std::move(info)).first->second.get();
  }

 private:
  bool load() {
    const std::wstring path = module_path(Server::instance().module());
    return !path.empty() && SUCCEEDED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library_.put()));
  }

  std::mutex mutex_;
  qv::com_ptr<ITypeLib> library_;
  std::map<GUID, qv::com_ptr<ITypeInfo>, GuidLess> infos_;
};

}  // namespace

std::wstring module_path(HMODULE module) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      return std::wstring();
    }
    if (length < buffer.size()) {
      return std::wstring(buffer.data(), length);
    }
    buffer.resize(buffer.size() * 2);
  }
}

HRESULT register_type_library(const std::wstring& path) {
  qv::com_ptr<ITypeLib> library;
  return ::LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, library.put());
}

HRESULT unregister_type_library() {
  if (!library_registered()) {
    return S_OK;
  }
  return ::UnRegisterTypeLib(kLibraryId, kLibraryMajorVersion, kLibraryMinorVersion, LOCALE_NEUTRAL,
                             kSystem);
}

ITypeInfo* interface_type_info(REFIID iid) { return LoadedLibrary::instance().type_info(iid); }

}  // namespace qvsim::outlook
