// Owning holders for what MAPI hands out: buffers of MAPI memory (freed with
// MAPIFreeBuffer) and table row sets (freed with FreeProws). Each frees what
// it holds when it goes out of scope, also while an exception unwinds.
#pragma once

#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>

#include <utility>

namespace qv {

// A block of MAPI memory, with everything linked to it by MAPIAllocateMore.
template <class T>
class mapi_buffer {
 public:
  mapi_buffer() noexcept = default;
  mapi_buffer(const mapi_buffer&) = delete;
  mapi_buffer& operator=(const mapi_buffer&) = delete;
  mapi_buffer(mapi_buffer&& other) noexcept : memory_(std::exchange(other.memory_, nullptr)) {}
  mapi_buffer& operator=(mapi_buffer&& other) noexcept {
    if (this != &other) {
      reset();
      memory_ = std::exchange(other.memory_, nullptr);
    }
    return *this;
  }
  ~mapi_buffer() { reset(); }

  T* get() const noexcept { return memory_; }
  T* operator->() const noexcept { return memory_; }
  explicit operator bool() const noexcept { return memory_ != nullptr; }

  // For out parameters: frees what is held and gives the address to fill.
  T** put() noexcept {
    reset();
    return &memory_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  void reset() noexcept {
    if (T* old = std::exchange(memory_, nullptr)) {
      ::MAPIFreeBuffer(old);
    }
  }

 private:
  T* memory_ = nullptr;
};

// A row set of a MAPI table: each row's values and the set itself.
class unique_rows {
 public:
  unique_rows() noexcept = default;
  unique_rows(const unique_rows&) = delete;
  unique_rows& operator=(const unique_rows&) = delete;
  ~unique_rows() { reset(); }

  SRowSet* get() const noexcept { return rows_; }
  explicit operator bool() const noexcept { return rows_ != nullptr; }
  ULONG count() const noexcept { return rows_ != nullptr ? rows_->cRows : 0; }
  const SRow& operator[](ULONG row) const noexcept { return rows_->aRow[row]; }

  SRowSet** put() noexcept {
    reset();
    return &rows_;
  }
  void reset() noexcept {
    if (SRowSet* old = std::exchange(rows_, nullptr)) {
      ::FreeProws(old);
    }
  }

 private:
  SRowSet* rows_ = nullptr;
};

// A fixed tag array (declared with SizedSPropTagArray) as MAPI takes it.
template <class Sized>
SPropTagArray* tag_array(const Sized& sized) noexcept {
  return reinterpret_cast<SPropTagArray*>(const_cast<Sized*>(&sized));
}

// SetColumns(columns, TBL_BATCH), then QueryRows(count, TBL_NOADVANCE): the
// first rows of a table in the columns asked for. Returns the first failed
// HRESULT, or the one of QueryRows; the rows are kept only on success.
HRESULT query_first_rows(IMAPITable& table, SPropTagArray* columns, LONG count,
                         unique_rows& rows) noexcept;

}  // namespace qv
