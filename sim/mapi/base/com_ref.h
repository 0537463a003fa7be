// An owning reference to a COM interface: released when the holder goes.
#pragma once

#include <unknwn.h>

#include <utility>

namespace qvsim::mapi {

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  // Takes over a reference that the caller owns.
  explicit ComRef(T* owned) : pointer_(owned) {}
  ComRef(const ComRef& other) : pointer_(other.pointer_) {
    if (pointer_) {
      pointer_->AddRef();
    }
  }
  ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComRef& operator=(ComRef other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComRef() { reset(); }

  // A new reference to pointer.
  static ComRef share(T* pointer) {
    if (pointer) {
      pointer->AddRef();
    }
    return ComRef(pointer);
  }

  void reset() {
    if (T* old = std::exchange(pointer_, nullptr)) {
      old->Release();
    }
  }
  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // Hands the reference to the caller.
  T* detach() { return std::exchange(pointer_, nullptr); }
  // For out parameters: releases what is held first.
  T** put() {
    reset();
    return &pointer_;
  }

 private:
  T* pointer_ = nullptr;
};

}  // namespace qvsim::mapi
