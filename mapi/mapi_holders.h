// Owning holders for what MAPI hands out: buffers of MAPI memory (freed with
// MAPIFreeBuffer) and table row sets (freed with FreeProws). Each frees what
// it holds when it goes out of scope, also while an exception unwinds.
#pragma once

#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>

#include "../errors/unique_any.h"

namespace qv {

// A block of MAPI memory, with everything linked to it by MAPIAllocateMore.
template <class T>
class mapi_buffer : public unique_any<T*, &::MAPIFreeBuffer> {
 public:
  using unique_any<T*, &::MAPIFreeBuffer>::unique_any;

  T* operator->() const noexcept { return this->get(); }
  // For the out parameters that MAPI types void**.
  void** put_void() noexcept { return reinterpret_cast<void**>(this->put()); }
};

// A row set of a MAPI table: each row's values and the set itself.
class unique_rows : public unique_any<SRowSet*, &::FreeProws> {
 public:
  using unique_any::unique_any;

  ULONG count() const noexcept { return *this ? get()->cRows : 0; }
  const SRow& operator[](ULONG row) const noexcept { return get()->aRow[row]; }
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
