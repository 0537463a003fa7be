// IMAPITable over a snapshot of rows: the attachment and recipient tables
// of a message, and the tables that a store or session serves.
#pragma once

#include <mutex>
#include <vector>

#include "sim/common/com_object.h"
#include "sim/mapi/memory.h"
#include "sim/mapi/property_bag.h"

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

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  QVSIM_FORWARD_ADDREF_RELEASE

  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT hr, ULONG flags, LPMAPIERROR* error) override;
  HRESULT STDMETHODCALLTYPE Advise(ULONG mask, LPMAPIADVISESINK sink, ULONG* connection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG connection) override;
  HRESULT STDMETHODCALLTYPE GetStatus(ULONG* status, ULONG* type) override;
  HRESULT STDMETHODCALLTYPE SetColumns(LPSPropTagArray columns, ULONG flags) override;
  HRESULT STDMETHODCALLTYPE QueryColumns(ULONG flags, LPSPropTagArray* columns) override;
  HRESULT STDMETHODCALLTYPE GetRowCount(ULONG flags, ULONG* count) override;
  HRESULT STDMETHODCALLTYPE SeekRow(BOOKMARK origin, LONG count, LONG* sought) override;
  HRESULT STDMETHODCALLTYPE SeekRowApprox(ULONG numerator, ULONG denominator) override;
  HRESULT STDMETHODCALLTYPE QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) override;
  HRESULT STDMETHODCALLTYPE FindRow(LPSRestriction restriction, BOOKMARK origin, ULONG flags) override;
  HRESULT STDMETHODCALLTYPE Restrict(LPSRestriction restriction, ULONG flags) override;
  HRESULT STDMETHODCALLTYPE CreateBookmark(BOOKMARK* position) override;
  HRESULT STDMETHODCALLTYPE FreeBookmark(BOOKMARK position) override;
  HRESULT STDMETHODCALLTYPE SortTable(LPSSortOrderSet criteria, ULONG flags) override;
  HRESULT STDMETHODCALLTYPE QuerySortOrder(LPSSortOrderSet* criteria) override;
  HRESULT STDMETHODCALLTYPE QueryRows(LONG count, ULONG flags, LPSRowSet* rows) override;
  HRESULT STDMETHODCALLTYPE Abort() override;
  HRESULT STDMETHODCALLTYPE ExpandRow(ULONG key_size, LPBYTE key, ULONG count, ULONG flags,
                                      LPSRowSet* rows, ULONG* more) override;
  HRESULT STDMETHODCALLTYPE CollapseRow(ULONG key_size, LPBYTE key, ULONG flags, ULONG* count) override;
  HRESULT STDMETHODCALLTYPE WaitForCompletion(ULONG flags, ULONG timeout, ULONG* status) override;
  HRESULT STDMETHODCALLTYPE GetCollapseState(ULONG flags, ULONG key_size, LPBYTE key, ULONG* state_size,
                                             LPBYTE* state) override;
  HRESULT STDMETHODCALLTYPE SetCollapseState(ULONG flags, ULONG state_size, LPBYTE state,
                                             BOOKMARK* location) override;

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
