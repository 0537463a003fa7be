// IMAPITable over a snapshot of rows: the attachment and recipient tables
// of a message, and the tables that a store or session serves.
#pragma once

#include <mutex>
#include <vector>

#include "sim/common/com_object.h"
#include "sim/mapi/base/memory.h"
#include "sim/mapi/message/property_bag.h"

namespace qvsim::mapi {

class Table final : public IMAPITable, public TrackedObject {
 public:
  // A table of rows whose columns are default_columns until SetColumns.
  // Values are served by rules (PT_UNSPECIFIED columns, string conversion,
  // size limit); a column that a row lacks is PT_ERROR MAPI_E_NOT_FOUND.
  // Row sets come from allocator, each row's values in one buffer of their
  // own, so that FreeProws frees them.
  static Table* create(std::vector<PropertyBag> rows, std::vector<ULONG> default_columns,
                       const Allocator& allocator, const ReadRules& rules);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
  QVSIM_FORWARD_ADDREF_RELEASE

  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT hr, ULONG flags,
                                         LPMAPIERROR* error) noexcept override;
  HRESULT STDMETHODCALLTYPE Advise(ULONG mask, LPMAPIADVISESINK sink,
                                   ULONG* connection) noexcept override;
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG connection) noexcept override;
  HRESULT STDMETHODCALLTYPE GetStatus(ULONG* status, ULONG* type) noexcept override;
  HRESULT STDMETHODCALLTYPE SetColumns(LPSPropTagArray columns, ULONG flags) noexcept override;
  HRESULT STDMETHODCALLTYPE QueryColumns(ULONG flags, LPSPropTagArray* columns) noexcept override;
  HRESULT STDMETHODCALLTYPE GetRowCount(ULONG flags, ULONG* count) noexcept override;
  HRESULT STDMETHODCALLTYPE SeekRow(BOOKMARK origin, LONG count, LONG* sought) noexcept override;
  HRESULT STDMETHODCALLTYPE SeekRowApprox(ULONG numerator, ULONG denominator) noexcept override;
  HRESULT STDMETHODCALLTYPE QueryPosition(ULONG* row, ULONG* numerator,
                                          ULONG* denominator) noexcept override;
  HRESULT STDMETHODCALLTYPE FindRow(LPSRestriction restriction, BOOKMARK origin,
                                    ULONG flags) noexcept override;
  HRESULT STDMETHODCALLTYPE Restrict(LPSRestriction restriction, ULONG flags) noexcept override;
  HRESULT STDMETHODCALLTYPE CreateBookmark(BOOKMARK* position) noexcept override;
  HRESULT STDMETHODCALLTYPE FreeBookmark(BOOKMARK position) noexcept override;
  HRESULT STDMETHODCALLTYPE SortTable(LPSSortOrderSet criteria, ULONG flags) noexcept override;
  HRESULT STDMETHODCALLTYPE QuerySortOrder(LPSSortOrderSet* criteria) noexcept override;
  HRESULT STDMETHODCALLTYPE QueryRows(LONG count, ULONG flags, LPSRowSet* rows) noexcept override;
  HRESULT STDMETHODCALLTYPE Abort() noexcept override;
  HRESULT STDMETHODCALLTYPE ExpandRow(ULONG key_size, LPBYTE key, ULONG count, ULONG flags,
                                      LPSRowSet* rows, ULONG* more) noexcept override;
  HRESULT STDMETHODCALLTYPE CollapseRow(ULONG key_size, LPBYTE key, ULONG flags,
                                        ULONG* count) noexcept override;
  HRESULT STDMETHODCALLTYPE WaitForCompletion(ULONG flags, ULONG timeout,
                                              ULONG* status) noexcept override;
  HRESULT STDMETHODCALLTYPE GetCollapseState(ULONG flags, ULONG key_size, LPBYTE key,
                                             ULONG* state_size, LPBYTE* state) noexcept override;
  HRESULT STDMETHODCALLTYPE SetCollapseState(ULONG flags, ULONG state_size, LPBYTE state,
                                             BOOKMARK* location) noexcept override;

 private:
  Table(std::vector<PropertyBag> rows, std::vector<ULONG> columns, const Allocator& allocator,
        const ReadRules& rules);

  HRESULT make_row(const PropertyBag& row, SRow* out) const;
  HRESULT make_tag_array(const std::vector<ULONG>& tags, LPSPropTagArray* out) const;
  std::vector<ULONG> all_columns() const;

  std::mutex mutex_;
  std::vector<PropertyBag> rows_;
  std::vector<ULONG> columns_;
  Allocator allocator_;
  ReadRules rules_;
  ULONG position_ = 0;
};

// leading, then every other property of rows in order of appearance, with
// string types by unicode and objects left out: a table's default columns.
std::vector<ULONG> union_columns(std::vector<ULONG> leading, const std::vector<PropertyBag>& rows,
                                 bool unicode);

// A tag array in MAPI memory of allocator (nullptr when out of memory).
LPSPropTagArray new_tag_array(const std::vector<ULONG>& tags, const Allocator& allocator);

}  // namespace qvsim::mapi
