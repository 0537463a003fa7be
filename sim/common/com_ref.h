// An owning reference to a COM interface of the simulated Outlook and its
// hosts: released when the holder goes.
#pragma once

#include <unknwn.h>

#include <utility>

namespace qvsim {

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  // Takes over a reference that the caller owns.
  explicit ComRef(T* owned) : pointer_(owned) {}
  ComRef(const ComRef& other) : pointer_(other.pointer_) {
    if (pointer_ != nullptr) {
      pointer_->AddRef();
    }
  }
  ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComRef& operator=(ComRef other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComRef() { reset(); }

  void reset() {
    if (T* old = std::exchange(pointer_, nullptr)) {
      old->Release();
    }
  }
  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // A new reference for the caller (an out parameter).
  T* share() const {
    if (pointer_ != nullptr) {
      pointer_->AddRef();
    }
    return pointer_;
  }
  // For out parameters: releases what is held first.
  T** put() {
    reset();
    return &pointer_;
  }

 private:
  T* pointer_ = nullptr;
};

}  // namespace qvsim
