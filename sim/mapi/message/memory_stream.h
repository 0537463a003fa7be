// An IStream over bytes in memory: the stream that OpenProperty gives for a
// string or binary property. Its failures can be arranged (StreamBehaviour)
// so that tests see how a reader copes with a stream that does not tell its
// size, that fails while reading, or that returns fewer bytes than asked.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "sim/common/com_object.h"
#include "sim/mapi/base/mapi_platform.h"

namespace qvsim::mapi {

struct StreamBehaviour {
  bool stat_fails = false;  // Stat fails with stat_error
  HRESULT stat_error = STG_E_INVALIDFUNCTION;
  std::optional<std::uint64_t> read_fails_at;  // the Read that would deliver this byte fails
  bool every_read_fails = false;               // every Read fails
  HRESULT read_error = STG_E_READFAULT;
  ULONG max_read = 0;  // short reads: at most this many bytes per Read; 0: no limit
  std::uint64_t stat_size =
      0;  // the size that Stat claims instead of the true one; 0: the true one

  bool operator==(const StreamBehaviour& other) const;
};

class MemoryStream final : public IStream, public TrackedObject {
 public:
  // Called with the stream's bytes when a writable stream is committed, and
  // at its last release when it was written and not committed since.
  using CommitHandler = std::function<HRESULT(const std::string& bytes)>;

  // A stream holding bytes, positioned at the start. A read-only stream
  // refuses Write and SetSize with STG_E_ACCESSDENIED.
  static MemoryStream* create(std::string bytes, const StreamBehaviour& behaviour, bool writable,
                              CommitHandler on_commit = nullptr);
  // Produces the stream's bytes at the first call that needs them; its
  // failure is the failure of that call and of every later one.
  using Loader = std::function<HRESULT(std::string* bytes)>;
  // A read-only stream whose bytes come from loader.
  static MemoryStream* create_loaded(Loader loader, const StreamBehaviour& behaviour);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
  QVSIM_FORWARD_ADDREF_RELEASE

  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) noexcept override;
  HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count,
                                  ULONG* written) noexcept override;
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                 ULARGE_INTEGER* position) noexcept override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) noexcept override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) noexcept override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD flags) noexcept override;
  HRESULT STDMETHODCALLTYPE Revert() noexcept override;
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                       DWORD type) noexcept override;
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count,
                                         DWORD type) noexcept override;
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) noexcept override;
  HRESULT STDMETHODCALLTYPE Clone(IStream** clone) noexcept override;

 private:
  MemoryStream(std::string bytes, const StreamBehaviour& behaviour, bool writable,
               CommitHandler on_commit);
  ~MemoryStream() override;

  HRESULT read_failure(std::uint64_t position, ULONG count) const;
  HRESULT ensure_loaded();  // with mutex_ held

  std::mutex mutex_;
  std::string bytes_;
  std::uint64_t position_ = 0;
  StreamBehaviour behaviour_;
  bool writable_;
  bool written_ = false;
  CommitHandler on_commit_;
  Loader loader_;
  HRESULT load_result_ = S_OK;
};

}  // namespace qvsim::mapi
