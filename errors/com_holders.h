// Owning holders for COM resources: interface references, BSTRs and VARIANTs.
// Each releases what it holds when it goes out of scope, also while an
// exception unwinds.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstddef>
#include <string>
#include <utility>

#include "../errors/compat.h"

namespace qv {

// An owning interface reference: holds one reference while not empty.
// Using an empty one through -> or * raises _com_error with E_POINTER, the
// way the COM support library's smart pointers do.
template <class T>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  com_ptr(std::nullptr_t) noexcept {}  // NOLINT: implicit from nullptr

  // Takes over a reference that the caller owns.
  static com_ptr attach(T* pointer) noexcept {
    com_ptr result;
    result.pointer_ = pointer;
    return result;
  }
  // Adds a reference of its own.
  static com_ptr copy(T* pointer) noexcept {
    if (pointer != nullptr) {
      pointer->AddRef();
    }
    return attach(pointer);
  }

  com_ptr(const com_ptr& other) noexcept : pointer_(other.pointer_) {
    if (pointer_ != nullptr) {
      pointer_->AddRef();
    }
  }
  com_ptr(com_ptr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  com_ptr& operator=(com_ptr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~com_ptr() { reset(); }

  T* get() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

  T* operator->() const {
    if (pointer_ == nullptr) {
      raise_com_error(E_POINTER);
    }
    return pointer_;
  }
  T& operator*() const { return *operator->(); }

  // Releases what is held (the pointer is emptied before the Release).
  void reset() noexcept {
    if (T* old = std::exchange(pointer_, nullptr)) {
      old->Release();
    }
  }
  // For out parameters: releases what is held and gives the address to fill.
  T** put() noexcept {
    reset();
    return &pointer_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  T* detach() noexcept { return std::exchange(pointer_, nullptr); }

  // QueryInterface; an empty holder when this one is empty or the interface
  // is not supported.
  template <class U>
  com_ptr<U> query(REFIID iid) const noexcept {
    com_ptr<U> result;
    if (pointer_ != nullptr) {
      pointer_->QueryInterface(iid, result.put_void());
    }
    return result;
  }

 private:
  T* pointer_ = nullptr;
};

// An owning BSTR; a null BSTR is the empty text.
class unique_bstr {
 public:
  unique_bstr() noexcept = default;
  unique_bstr(const unique_bstr&) = delete;
  unique_bstr& operator=(const unique_bstr&) = delete;
  unique_bstr(unique_bstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  unique_bstr& operator=(unique_bstr&& other) noexcept {
    if (this != &other) {
      reset();
      text_ = std::exchange(other.text_, nullptr);
    }
    return *this;
  }
  ~unique_bstr() { reset(); }

  // A new BSTR holding a copy of text; raises _com_error with E_OUTOFMEMORY
  // when it cannot be allocated.
  static unique_bstr from(const wchar_t* text) {
    unique_bstr result;
    result.text_ = ::SysAllocString(text);
    if (result.text_ == nullptr && text != nullptr) {
      raise_com_error(E_OUTOFMEMORY);
    }
    return result;
  }
  static unique_bstr from(const std::wstring& text) {
    unique_bstr result;
    result.text_ = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (result.text_ == nullptr) {
      raise_com_error(E_OUTOFMEMORY);
    }
    return result;
  }

  BSTR get() const noexcept { return text_; }
  BSTR* put() noexcept {
    reset();
    return &text_;
  }
  void reset() noexcept {
    if (BSTR old = std::exchange(text_, nullptr)) {
      ::SysFreeString(old);
    }
  }
  // A copy of the text; the empty text for a null BSTR.
  std::wstring text() const {
    return text_ == nullptr ? std::wstring() : std::wstring(text_, ::SysStringLen(text_));
  }

 private:
  BSTR text_ = nullptr;
};

// An owning VARIANT, empty (VT_EMPTY) until filled; cleared on scope exit.
class unique_variant {
 public:
  unique_variant() noexcept { ::VariantInit(&value_); }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;
  ~unique_variant() { ::VariantClear(&value_); }

  VARIANT* get() noexcept { return &value_; }
  const VARIANT& value() const noexcept { return value_; }
  VARTYPE type() const noexcept { return value_.vt; }
  // Clears what is held and gives the empty VARIANT to fill.
  VARIANT* put() noexcept {
    ::VariantClear(&value_);
    return &value_;
  }
  HRESULT clear() noexcept { return ::VariantClear(&value_); }

 private:
  VARIANT value_;
};

}  // namespace qv
