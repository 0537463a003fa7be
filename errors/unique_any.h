// One owning holder for every C-style resource: a handle of some type and the
// function that closes it. The holder closes what it holds when it goes out
// of scope, also while an exception unwinds; a moved-from holder is empty.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <type_traits>
#include <utility>

namespace qv {

// Handle: the resource's type (a pointer or handle type). Close: the function
// that closes it, called with the handle; its result is not looked at.
// Invalid: the value that means "nothing held", for the few handles whose
// invalid value is not null (INVALID_HANDLE_VALUE is -1).
template <class Handle, auto Close, std::intptr_t Invalid = 0>
class unique_any {
  static_assert(std::is_pointer_v<Handle>, "a handle is a pointer type");

 public:
  unique_any() noexcept = default;
  // Takes over a handle that the caller owns.
  explicit unique_any(Handle handle) noexcept : handle_(handle) {}
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  unique_any(unique_any&& other) noexcept : handle_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) {
      reset(other.release());
    }
    return *this;
  }
  ~unique_any() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != invalid(); }

  // Closes what is held (the holder is emptied first), then holds handle.
  void reset(Handle handle = invalid()) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (old != invalid()) {
      Close(old);
    }
  }
  // For out parameters: closes what is held and gives the address to fill.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }
  // Gives up ownership: the caller closes what it gets.
  [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, invalid()); }

 private:
  static Handle invalid() noexcept { return reinterpret_cast<Handle>(Invalid); }

  Handle handle_ = invalid();
};

// A loaded library (LoadLibrary), freed with FreeLibrary.
using unique_library = unique_any<HMODULE, &::FreeLibrary>;
// An open registry key, closed with RegCloseKey.
using unique_registry_key = unique_any<HKEY, &::RegCloseKey>;
// A kernel object handle whose failure value is INVALID_HANDLE_VALUE
// (CreateFile), closed with CloseHandle.
using unique_file = unique_any<HANDLE, &::CloseHandle, -1>;
// Memory from LocalAlloc (or a FORMAT_MESSAGE_ALLOCATE_BUFFER text), freed
// with LocalFree.
template <class T>
using unique_local_memory = unique_any<T*, &::LocalFree>;
// Memory from GlobalAlloc, freed with GlobalFree.
using unique_global_memory = unique_any<HGLOBAL, &::GlobalFree>;
// Memory from the COM task allocator, freed with CoTaskMemFree.
template <class T>
using unique_cotaskmem = unique_any<T*, &::CoTaskMemFree>;

}  // namespace qv
