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
#include "../errors/unique_any.h"

namespace qv {

// An owning interface reference: holds one reference while not empty.
// Using an empty one through get_checked(), -> or * raises _com_error with
// E_POINTER, the way the COM support library's smart pointers do.
template <class T>
class com_ptr {
 public:
  com_ptr() noexcept = default;
  com_ptr(std::nullptr_t) noexcept {}  // NOLINT: implicit from nullptr

  // Adopts a reference that the caller owns: no AddRef.
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

  // The pointer; raises _com_error with E_POINTER when empty.
  T* get_checked() const {
    if (pointer_ == nullptr) {
      raise_com_error(E_POINTER);
    }
    return pointer_;
  }
  T* operator->() const { return get_checked(); }
  T& operator*() const { return *get_checked(); }

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
  // Gives up ownership: the caller releases the reference it gets.
  [[nodiscard]] T* release() noexcept { return std::exchange(pointer_, nullptr); }

  // QueryInterface for U (its IID from __uuidof(U)); empty when this holder
  // is empty or the object does not support U.
  template <class U>
  com_ptr<U> try_query() const noexcept {
    com_ptr<U> result;
    if (pointer_ != nullptr) {
      pointer_->QueryInterface(__uuidof(U), result.put_void());
    }
    return result;
  }
  // QueryInterface for U; never empty. Raises _com_error with the HRESULT of
  // QueryInterface when it fails, and E_POINTER when this holder is empty or
  // the object answers success without a pointer.
  template <class U>
  com_ptr<U> query() const {
    com_ptr<U> result;
    const HRESULT hr = get_checked()->QueryInterface(__uuidof(U), result.put_void());
    if (FAILED(hr)) {
      raise_com_error(hr);
    }
    if (!result) {
      raise_com_error(E_POINTER);
    }
    return result;
  }

 private:
  T* pointer_ = nullptr;
};

// The text of a BSTR; a null BSTR is the empty text.
inline std::wstring bstr_text(BSTR text) {
  return text == nullptr ? std::wstring() : std::wstring(text, ::SysStringLen(text));
}

// An owning BSTR; a null BSTR is the empty text.
class unique_bstr : public unique_any<BSTR, &::SysFreeString> {
 public:
  using unique_any::unique_any;

  // A new BSTR holding a copy of text; raises _com_error with E_OUTOFMEMORY
  // when it cannot be allocated.
  static unique_bstr from(const wchar_t* text) {
    unique_bstr result(::SysAllocString(text));
    if (!result && text != nullptr) {
      raise_com_error(E_OUTOFMEMORY);
    }
    return result;
  }
  static unique_bstr from(const std::wstring& text) {
    unique_bstr result(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (!result) {
      raise_com_error(E_OUTOFMEMORY);
    }
    return result;
  }

  std::wstring text() const { return bstr_text(get()); }
};

// An owning VARIANT, empty (VT_EMPTY) until filled; cleared on scope exit.
// A moved-from VARIANT is empty.
class unique_variant {
 public:
  unique_variant() noexcept { ::VariantInit(&value_); }
  unique_variant(const unique_variant&) = delete;
  unique_variant& operator=(const unique_variant&) = delete;
  unique_variant(unique_variant&& other) noexcept : value_(other.release()) {}
  unique_variant& operator=(unique_variant&& other) noexcept {
    if (this != &other) {
      ::VariantClear(&value_);
      value_ = other.release();
    }
    return *this;
  }
  ~unique_variant() { ::VariantClear(&value_); }

  // A collection position as Outlook's Item members take it: VT_INT.
  static unique_variant position(long position) noexcept {
    unique_variant result;
    result.value_.vt = VT_INT;
    result.value_.intVal = static_cast<INT>(position);
    return result;
  }
  // An optional argument left out: VT_ERROR with DISP_E_PARAMNOTFOUND.
  static unique_variant omitted() noexcept {
    unique_variant result;
    result.value_.vt = VT_ERROR;
    result.value_.scode = DISP_E_PARAMNOTFOUND;
    return result;
  }

  VARIANT* get() noexcept { return &value_; }
  const VARIANT& value() const noexcept { return value_; }
  VARTYPE type() const noexcept { return value_.vt; }
  // Clears what is held and gives the empty VARIANT to fill.
  VARIANT* put() noexcept {
    ::VariantClear(&value_);
    return &value_;
  }
  HRESULT clear() noexcept { return ::VariantClear(&value_); }
  // Gives up ownership: the caller clears the VARIANT it gets.
  [[nodiscard]] VARIANT release() noexcept {
    const VARIANT value = value_;
    ::VariantInit(&value_);
    return value;
  }

 private:
  VARIANT value_;
};

}  // namespace qv
