#include "tests/hostile/traced_storage.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "tests/support/text.h"

namespace qv::test {
namespace {

// The call, traced around: "> what name" before, "< what name 0xHRESULT" after.
template <class Call>
HRESULT traced(const char* what, const wchar_t* name, Call call) {
  const std::string text = name != nullptr ? utf8(name) : std::string();
  trace_line("> %s %s", what, text.c_str());
  const HRESULT hr = call();
  trace_line("< %s %s 0x%08lX", what, text.c_str(), static_cast<unsigned long>(hr));
  return hr;
}

template <class Interface>
class Traced : public Interface {
 public:
  explicit Traced(Interface* inner) : inner_(inner) { inner_->AddRef(); }
  virtual ~Traced() { inner_->Release(); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG count = --references_;
    if (count == 0) {
      delete this;
    }
    return count;
  }

 protected:
  Interface* inner_;

 private:
  std::atomic<ULONG> references_{1};
};

class TracedStream final : public Traced<IStream> {
 public:
  using Traced::Traced;
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
    return traced("IStream::Read", nullptr, [&] { return inner_->Read(buffer, count, read); });
  }
  HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override {
    return inner_->Write(buffer, count, written);
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                 ULARGE_INTEGER* position) override {
    return traced("IStream::Seek", nullptr, [&] { return inner_->Seek(move, origin, position); });
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override { return inner_->SetSize(size); }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override {
    return inner_->CopyTo(target, count, read, written);
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override { return inner_->Commit(flags); }
  HRESULT STDMETHODCALLTYPE Revert() override { return inner_->Revert(); }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                       DWORD type) override {
    return inner_->LockRegion(offset, count, type);
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                         DWORD type) override {
    return inner_->UnlockRegion(offset, count, type);
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override {
    return traced("IStream::Stat", nullptr, [&] { return inner_->Stat(stat, flags); });
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override { return inner_->Clone(clone); }
};

class TracedElements final : public Traced<IEnumSTATSTG> {
 public:
  using Traced::Traced;
  HRESULT STDMETHODCALLTYPE Next(ULONG count, STATSTG* elements, ULONG* fetched) override {
    return traced("IEnumSTATSTG::Next", nullptr,
                  [&] { return inner_->Next(count, elements, fetched); });
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return inner_->Skip(count); }
  HRESULT STDMETHODCALLTYPE Reset() override { return inner_->Reset(); }
  HRESULT STDMETHODCALLTYPE Clone(IEnumSTATSTG** clone) override { return inner_->Clone(clone); }
};

class TracedStorage final : public Traced<IStorage> {
 public:
  using Traced::Traced;
  HRESULT STDMETHODCALLTYPE CreateStream(const OLECHAR* name, DWORD mode, DWORD reserved1,
                                         DWORD reserved2, IStream** stream) override {
    return inner_->CreateStream(name, mode, reserved1, reserved2, stream);
  }
  HRESULT STDMETHODCALLTYPE OpenStream(const OLECHAR* name, void* reserved1, DWORD mode,
                                       DWORD reserved2, IStream** stream) override {
    const HRESULT hr = traced("IStorage::OpenStream", name, [&] {
      return inner_->OpenStream(name, reserved1, mode, reserved2, stream);
    });
    if (SUCCEEDED(hr) && stream != nullptr && *stream != nullptr) {
      IStream* opened = *stream;
      *stream = new TracedStream(opened);
      opened->Release();
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE CreateStorage(const OLECHAR* name, DWORD mode, DWORD reserved1,
                                          DWORD reserved2, IStorage** storage) override {
    return inner_->CreateStorage(name, mode, reserved1, reserved2, storage);
  }
  HRESULT STDMETHODCALLTYPE OpenStorage(const OLECHAR* name, IStorage* priority, DWORD mode,
                                        SNB exclude, DWORD reserved, IStorage** storage) override {
    const HRESULT hr = traced("IStorage::OpenStorage", name, [&] {
      return inner_->OpenStorage(name, priority, mode, exclude, reserved, storage);
    });
    if (SUCCEEDED(hr) && storage != nullptr && *storage != nullptr) {
      IStorage* opened = *storage;
      *storage = new TracedStorage(opened);
      opened->Release();
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE CopyTo(DWORD count, const IID* excluded, SNB exclude,
                                   IStorage* target) override {
    return inner_->CopyTo(count, excluded, exclude, target);
  }
  HRESULT STDMETHODCALLTYPE MoveElementTo(const OLECHAR* name, IStorage* target,
                                          const OLECHAR* new_name, DWORD flags) override {
    return inner_->MoveElementTo(name, target, new_name, flags);
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override { return inner_->Commit(flags); }
  HRESULT STDMETHODCALLTYPE Revert() override { return inner_->Revert(); }
  HRESULT STDMETHODCALLTYPE EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3,
                                         IEnumSTATSTG** elements) override {
    const HRESULT hr = traced("IStorage::EnumElements", nullptr, [&] {
      return inner_->EnumElements(reserved1, reserved2, reserved3, elements);
    });
    if (SUCCEEDED(hr) && elements != nullptr && *elements != nullptr) {
      IEnumSTATSTG* opened = *elements;
      *elements = new TracedElements(opened);
      opened->Release();
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE DestroyElement(const OLECHAR* name) override {
    return inner_->DestroyElement(name);
  }
  HRESULT STDMETHODCALLTYPE RenameElement(const OLECHAR* old_name,
                                          const OLECHAR* new_name) override {
    return inner_->RenameElement(old_name, new_name);
  }
  HRESULT STDMETHODCALLTYPE SetElementTimes(const OLECHAR* name, const FILETIME* created,
                                            const FILETIME* accessed,
                                            const FILETIME* modified) override {
    return inner_->SetElementTimes(name, created, accessed, modified);
  }
  HRESULT STDMETHODCALLTYPE SetClass(REFCLSID clsid) override { return inner_->SetClass(clsid); }
  HRESULT STDMETHODCALLTYPE SetStateBits(DWORD bits, DWORD mask) override {
    return inner_->SetStateBits(bits, mask);
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override {
    return traced("IStorage::Stat", nullptr, [&] { return inner_->Stat(stat, flags); });
  }
};

}  // namespace

void trace_line(const char* format, ...) {
  char line[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof(line), format, arguments);
  va_end(arguments);
  std::fprintf(stderr, "%s\n", line);
  std::fflush(stderr);
}

IStorage* traced_storage(IStorage* storage) { return new TracedStorage(storage); }

}  // namespace qv::test
