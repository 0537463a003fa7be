#include "sim/mapi/message/memory_stream.h"

#include <algorithm>
#include <cstring>

#include "sim/common/com_guard.h"
#include "sim/mapi/base/call_points.h"

namespace qvsim::mapi {

bool StreamBehaviour::operator==(const StreamBehaviour& other) const {
  return stat_fails == other.stat_fails && stat_error == other.stat_error &&
         read_fails_at == other.read_fails_at && every_read_fails == other.every_read_fails &&
         read_error == other.read_error && max_read == other.max_read &&
         stat_size == other.stat_size;
}

MemoryStream* MemoryStream::create(std::string bytes, const StreamBehaviour& behaviour,
                                   bool writable, CommitHandler on_commit) {
  return new MemoryStream(std::move(bytes), behaviour, writable, std::move(on_commit));
}

MemoryStream* MemoryStream::create_loaded(Loader loader, const StreamBehaviour& behaviour) {
  MemoryStream* stream = new MemoryStream(std::string(), behaviour, false, nullptr);
  stream->loader_ = std::move(loader);
  return stream;
}

HRESULT MemoryStream::ensure_loaded() {
  if (loader_) {
    Loader loader = std::move(loader_);
    loader_ = nullptr;
    load_result_ = loader(&bytes_);
  }
  return load_result_;
}

MemoryStream::MemoryStream(std::string bytes, const StreamBehaviour& behaviour, bool writable,
                           CommitHandler on_commit)
    : TrackedObject("IStream"),
      bytes_(std::move(bytes)),
      behaviour_(behaviour),
      writable_(writable),
      on_commit_(std::move(on_commit)) {}

MemoryStream::~MemoryStream() {
  // The last Release commits what was written; it has no way to fail.
  try {
    if (written_ && on_commit_) {
      on_commit_(bytes_);
    }
  }
  QVSIM_CATCH_VOID
}

HRESULT STDMETHODCALLTYPE MemoryStream::QueryInterface(REFIID riid, void** object) noexcept try {
  if (object == nullptr) {
    return E_POINTER;
  }
  if (riid == IID_IUnknown || riid == IID_IStream || riid == IID_ISequentialStream) {
    *object = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}
QVSIM_CATCH_HRESULT

HRESULT MemoryStream::read_failure(std::uint64_t position, ULONG count) const {
  if (behaviour_.every_read_fails) {
    return behaviour_.read_error;
  }
  if (behaviour_.read_fails_at && count != 0 && position <= *behaviour_.read_fails_at &&
      *behaviour_.read_fails_at < position + count && *behaviour_.read_fails_at < bytes_.size()) {
    return behaviour_.read_error;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MemoryStream::Read(void* buffer, ULONG count, ULONG* read) noexcept try {
  if (read != nullptr) {
    *read = 0;
  }
  if (const HRESULT hr = enter_call("IStream.Read"); FAILED(hr)) {
    return hr;
  }
  if (buffer == nullptr && count != 0) {
    return STG_E_INVALIDPOINTER;
  }
  std::lock_guard lock(mutex_);
  if (const HRESULT hr = ensure_loaded(); FAILED(hr)) {
    return hr;
  }
  const std::uint64_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
  ULONG amount = static_cast<ULONG>(std::min<std::uint64_t>(count, available));
  if (behaviour_.max_read != 0) {
    amount = std::min(amount, behaviour_.max_read);
  }
  if (const HRESULT hr = read_failure(position_, amount); FAILED(hr)) {
    return hr;
  }
  if (amount != 0) {
    std::memcpy(buffer, bytes_.data() + position_, amount);
  }
  position_ += amount;
  if (read != nullptr) {
    *read = amount;
  }
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE MemoryStream::Write(const void* buffer, ULONG count,
                                              ULONG* written) noexcept try {
  if (written != nullptr) {
    *written = 0;
  }
  if (const HRESULT hr = enter_call("IStream.Write"); FAILED(hr)) {
    return hr;
  }
  if (!writable_) {
    return STG_E_ACCESSDENIED;
  }
  if (buffer == nullptr && count != 0) {
    return STG_E_INVALIDPOINTER;
  }
  std::lock_guard lock(mutex_);
  if (position_ + count > bytes_.size()) {
    bytes_.resize(static_cast<size_t>(position_ + count));
  }
  if (count != 0) {
    std::memcpy(bytes_.data() + position_, buffer, count);
  }
  position_ += count;
  written_ = true;
  if (written != nullptr) {
    *written = count;
  }
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE MemoryStream::Seek(LARGE_INTEGER move, DWORD origin,
                                             ULARGE_INTEGER* position) noexcept try {
  if (const HRESULT hr = enter_call("IStream.Seek"); FAILED(hr)) {
    return hr;
  }
  std::lock_guard lock(mutex_);
  if (const HRESULT hr = ensure_loaded(); FAILED(hr)) {
    return hr;
  }
  LONGLONG base = 0;
  switch (origin) {
    case STREAM_SEEK_SET:
      break;
    case STREAM_SEEK_CUR:
      base = static_cast<LONGLONG>(position_);
      break;
    case STREAM_SEEK_END:
      base = static_cast<LONGLONG>(bytes_.size());
      break;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  if (base + move.QuadPart < 0) {
    return STG_E_INVALIDFUNCTION;
  }
  position_ = static_cast<std::uint64_t>(base + move.QuadPart);
  if (position != nullptr) {
    position->QuadPart = position_;
  }
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE MemoryStream::SetSize(ULARGE_INTEGER size) noexcept try {
  if (const HRESULT hr = enter_call("IStream.SetSize"); FAILED(hr)) {
    return hr;
  }
  if (!writable_) {
    return STG_E_ACCESSDENIED;
  }
  std::lock_guard lock(mutex_);
  bytes_.resize(static_cast<size_t>(size.QuadPart));
  written_ = true;
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE MemoryStream::CopyTo(IStream* target, ULARGE_INTEGER count,
                                               ULARGE_INTEGER* read,
                                               ULARGE_INTEGER* written) noexcept try {
  if (const HRESULT hr = enter_call("IStream.CopyTo"); FAILED(hr)) {
    return hr;
  }
  if (target == nullptr) {
    return STG_E_INVALIDPOINTER;
  }
  std::string chunk;
  {
    std::lock_guard lock(mutex_);
    if (const HRESULT hr = ensure_loaded(); FAILED(hr)) {
      return hr;
    }
    const std::uint64_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    const std::uint64_t amount = std::min<std::uint64_t>(count.QuadPart, available);
    chunk = bytes_.substr(static_cast<size_t>(position_), static_cast<size_t>(amount));
    position_ += amount;
  }
  ULONG done = 0;
  const HRESULT hr = target->Write(chunk.data(), static_cast<ULONG>(chunk.size()), &done);
  if (read != nullptr) {
    read->QuadPart = chunk.size();
  }
  if (written != nullptr) {
    written->QuadPart = done;
  }
  return hr;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE MemoryStream::Commit(DWORD) noexcept try {
  if (const HRESULT hr = enter_call("IStream.Commit"); FAILED(hr)) {
    return hr;
  }
  std::lock_guard lock(mutex_);
  if (!written_ || !on_commit_) {
    return S_OK;
  }
  written_ = false;
  return on_commit_(bytes_);
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE MemoryStream::Revert() noexcept try { return S_OK; }
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE MemoryStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) noexcept
    try {
  return STG_E_INVALIDFUNCTION;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE MemoryStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) noexcept
    try {
  return STG_E_INVALIDFUNCTION;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE MemoryStream::Stat(STATSTG* stat, DWORD flags) noexcept try {
  if (const HRESULT hr = enter_call("IStream.Stat"); FAILED(hr)) {
    return hr;
  }
  if (stat == nullptr) {
    return STG_E_INVALIDPOINTER;
  }
  if (behaviour_.stat_fails) {
    return behaviour_.stat_error;
  }
  if (flags != STATFLAG_NONAME && flags != STATFLAG_DEFAULT) {
    return STG_E_INVALIDFLAG;
  }
  std::lock_guard lock(mutex_);
  if (const HRESULT hr = ensure_loaded(); FAILED(hr)) {
    return hr;
  }
  std::memset(stat, 0, sizeof(*stat));
  stat->type = STGTY_STREAM;
  stat->cbSize.QuadPart = behaviour_.stat_size != 0 ? behaviour_.stat_size : bytes_.size();
  stat->grfMode = writable_ ? STGM_READWRITE : STGM_READ;
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE MemoryStream::Clone(IStream** clone) noexcept try {
  if (clone == nullptr) {
    return STG_E_INVALIDPOINTER;
  }
  *clone = nullptr;
  if (const HRESULT hr = enter_call("IStream.Clone"); FAILED(hr)) {
    return hr;
  }
  std::lock_guard lock(mutex_);
  if (const HRESULT hr = ensure_loaded(); FAILED(hr)) {
    return hr;
  }
  MemoryStream* copy = create(bytes_, behaviour_, false);
  copy->position_ = position_;
  *clone = copy;
  return S_OK;
}
QVSIM_CATCH_HRESULT

}  // namespace qvsim::mapi
