#include "sim/mapi/message/table.h"

#include <algorithm>
#include <cstring>

#include "sim/common/com_guard.h"
#include "sim/mapi/base/call_points.h"
#include "sim/mapi/base/com_answers.h"
#include "sim/mapi/base/text_codec.h"

namespace qvsim::mapi {

LPSPropTagArray new_tag_array(const std::vector<ULONG>& tags, const Allocator& allocator) {
  auto* array = static_cast<LPSPropTagArray>(
      allocator.get(static_cast<ULONG>(CbNewSPropTagArray(tags.size())), nullptr));
  if (array != nullptr) {
    array->cValues = static_cast<ULONG>(tags.size());
    std::copy(tags.begin(), tags.end(), array->aulPropTag);
  }
  return array;
}

std::vector<ULONG> union_columns(std::vector<ULONG> leading, const std::vector<PropertyBag>& rows,
                                 bool unicode) {
  for (const PropertyBag& row : rows) {
    for (const ULONG tag : row.tags()) {
      const bool known = std::any_of(leading.begin(), leading.end(),
                                     [tag](ULONG c) { return PROP_ID(c) == PROP_ID(tag); });
      if (!known && PROP_TYPE(tag) != PT_OBJECT) {
        leading.push_back(PROP_TAG(unspecified_type(PROP_TYPE(tag), unicode), PROP_ID(tag)));
      }
    }
  }
  return leading;
}

Table* Table::create(std::vector<PropertyBag> rows, std::vector<ULONG> default_columns,
                     const Allocator& allocator, const ReadRules& rules) {
  return new Table(std::move(rows), std::move(default_columns), allocator, rules);
}

Table::Table(std::vector<PropertyBag> rows, std::vector<ULONG> columns, const Allocator& allocator,
             const ReadRules& rules)
    : TrackedObject("IMAPITable"),
      rows_(std::move(rows)),
      columns_(std::move(columns)),
      allocator_(allocator),
      rules_(rules) {}

HRESULT STDMETHODCALLTYPE Table::QueryInterface(REFIID riid, void** object) noexcept try {
  if (object == nullptr) {
    return E_POINTER;
  }
  if (riid == IID_IUnknown || riid == __uuidof(IMAPITable)) {
    *object = static_cast<IMAPITable*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::GetLastError(HRESULT, ULONG, LPMAPIERROR* error) noexcept try {
  return answer_no_last_error(error);
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::Advise(ULONG, LPMAPIADVISESINK, ULONG* connection) noexcept try {
  if (connection != nullptr) {
    *connection = 0;
  }
  return MAPI_E_NO_SUPPORT;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::Unadvise(ULONG) noexcept try { return MAPI_E_NO_SUPPORT; }
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::GetStatus(ULONG* status, ULONG* type) noexcept try {
  if (status == nullptr || type == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *status = TBLSTAT_COMPLETE;
  *type = TBLTYPE_SNAPSHOT;
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::SetColumns(LPSPropTagArray columns, ULONG flags) noexcept try {
  if (const HRESULT hr = enter_call("IMAPITable.SetColumns"); FAILED(hr)) {
    return hr;
  }
  // Every table has at least one column.
  if (columns == nullptr || columns->cValues == 0) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if ((flags & ~static_cast<ULONG>(TBL_ASYNC | TBL_BATCH)) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  std::lock_guard lock(mutex_);
  columns_.assign(columns->aulPropTag, columns->aulPropTag + columns->cValues);
  return S_OK;
}
QVSIM_CATCH_HRESULT

std::vector<ULONG> Table::all_columns() const {
  return union_columns(columns_, rows_, rules_.unicode);
}

HRESULT Table::make_tag_array(const std::vector<ULONG>& tags, LPSPropTagArray* out) const {
  *out = new_tag_array(tags, allocator_);
  return *out ? S_OK : MAPI_E_NOT_ENOUGH_MEMORY;
}

HRESULT STDMETHODCALLTYPE Table::QueryColumns(ULONG flags, LPSPropTagArray* columns) noexcept try {
  if (const HRESULT hr = enter_call("IMAPITable.QueryColumns"); FAILED(hr)) {
    return hr;
  }
  if (columns == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *columns = nullptr;
  std::lock_guard lock(mutex_);
  return make_tag_array((flags & TBL_ALL_COLUMNS) ? all_columns() : columns_, columns);
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::GetRowCount(ULONG, ULONG* count) noexcept try {
  if (const HRESULT hr = enter_call("IMAPITable.GetRowCount"); FAILED(hr)) {
    return hr;
  }
  if (count == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  std::lock_guard lock(mutex_);
  *count = static_cast<ULONG>(rows_.size());
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::SeekRow(BOOKMARK origin, LONG count, LONG* sought) noexcept try {
  if (const HRESULT hr = enter_call("IMAPITable.SeekRow"); FAILED(hr)) {
    return hr;
  }
  std::lock_guard lock(mutex_);
  LONG start = 0;
  if (origin == BOOKMARK_CURRENT) {
    start = static_cast<LONG>(position_);
  } else if (origin == BOOKMARK_END) {
    start = static_cast<LONG>(rows_.size());
  } else if (origin != BOOKMARK_BEGINNING) {
    return MAPI_E_INVALID_BOOKMARK;
  }
  const LONG target = std::clamp<LONG>(start + count, 0, static_cast<LONG>(rows_.size()));
  position_ = static_cast<ULONG>(target);
  if (sought != nullptr) {
    *sought = target - start;
  }
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::SeekRowApprox(ULONG numerator, ULONG denominator) noexcept try {
  if (const HRESULT hr = enter_call("IMAPITable.SeekRowApprox"); FAILED(hr)) {
    return hr;
  }
  if (denominator == 0 || numerator > denominator) {
    return MAPI_E_INVALID_PARAMETER;
  }
  std::lock_guard lock(mutex_);
  position_ = static_cast<ULONG>(static_cast<ULONGLONG>(rows_.size()) * numerator / denominator);
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::QueryPosition(ULONG* row, ULONG* numerator,
                                               ULONG* denominator) noexcept try {
  if (const HRESULT hr = enter_call("IMAPITable.QueryPosition"); FAILED(hr)) {
    return hr;
  }
  if (row == nullptr || numerator == nullptr || denominator == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  std::lock_guard lock(mutex_);
  *row = position_;
  *numerator = position_;
  *denominator = static_cast<ULONG>(std::max<size_t>(rows_.size(), 1));
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::FindRow(LPSRestriction, BOOKMARK, ULONG) noexcept try {
  return MAPI_E_NO_SUPPORT;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::Restrict(LPSRestriction restriction, ULONG) noexcept try {
  return restriction == nullptr ? S_OK : MAPI_E_NO_SUPPORT;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::CreateBookmark(BOOKMARK*) noexcept try {
  return MAPI_E_NO_SUPPORT;
}
QVSIM_CATCH_HRESULT
HRESULT STDMETHODCALLTYPE Table::FreeBookmark(BOOKMARK) noexcept try { return MAPI_E_NO_SUPPORT; }
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::SortTable(LPSSortOrderSet criteria, ULONG) noexcept try {
  return criteria == nullptr || criteria->cSorts == 0 ? S_OK : MAPI_E_NO_SUPPORT;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::QuerySortOrder(LPSSortOrderSet* criteria) noexcept try {
  if (criteria == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *criteria = static_cast<LPSSortOrderSet>(allocator_.get(CbNewSSortOrderSet(0), nullptr));
  if (*criteria == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  std::memset(*criteria, 0, CbNewSSortOrderSet(0));
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT Table::make_row(const PropertyBag& row, SRow* out) const {
  out->ulAdrEntryPad = 0;
  out->cValues = static_cast<ULONG>(columns_.size());
  out->lpProps = static_cast<LPSPropValue>(allocator_.get(
      static_cast<ULONG>(sizeof(SPropValue) * std::max<size_t>(columns_.size(), 1)), nullptr));
  if (out->lpProps == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  for (size_t i = 0; i < columns_.size(); ++i) {
    const ResolvedValue value = row.resolve(columns_[i], rules_);
    if (const HRESULT hr =
            copy_to_mapi(value.value, value.tag, allocator_, out->lpProps, &out->lpProps[i]);
        FAILED(hr)) {
      return hr;
    }
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Table::QueryRows(LONG count, ULONG flags, LPSRowSet* rows) noexcept try {
  if (const HRESULT hr = enter_call("IMAPITable.QueryRows"); FAILED(hr)) {
    return hr;
  }
  if (rows == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *rows = nullptr;
  if (count == 0) {  // a row count of zero is refused
    return MAPI_E_INVALID_PARAMETER;
  }
  if ((flags & ~static_cast<ULONG>(TBL_NOADVANCE)) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  std::lock_guard lock(mutex_);
  // A negative count reads the rows before the cursor, in table order.
  const LONGLONG size = static_cast<LONGLONG>(rows_.size());
  const LONGLONG cursor = static_cast<LONGLONG>(position_);
  const auto begin =
      static_cast<ULONG>(count >= 0 ? cursor : std::max<LONGLONG>(0, cursor + count));
  const auto end =
      static_cast<ULONG>(count >= 0 ? std::min<LONGLONG>(size, cursor + count) : cursor);
  const ULONG taken = end > begin ? end - begin : 0;
  auto* set =
      static_cast<LPSRowSet>(allocator_.get(static_cast<ULONG>(CbNewSRowSet(taken)), nullptr));
  if (set == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  set->cRows = 0;
  for (ULONG i = 0; i < taken; ++i) {
    const HRESULT hr = make_row(rows_[begin + i], &set->aRow[i]);
    if (set->aRow[i].lpProps != nullptr) {
      set->cRows = i + 1;
    }
    if (FAILED(hr)) {
      for (ULONG j = 0; j < set->cRows; ++j) {
        allocator_.free(set->aRow[j].lpProps);
      }
      allocator_.free(set);
      return hr;
    }
  }
  if ((flags & TBL_NOADVANCE) == 0) {
    position_ = count >= 0 ? end : begin;
  }
  *rows = set;
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::Abort() noexcept try { return S_OK; }
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet* rows,
                                           ULONG* more) noexcept try {
  if (rows != nullptr) {
    *rows = nullptr;
  }
  if (more != nullptr) {
    *more = 0;
  }
  return MAPI_E_NO_SUPPORT;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::CollapseRow(ULONG, LPBYTE, ULONG, ULONG* count) noexcept try {
  if (count != nullptr) {
    *count = 0;
  }
  return MAPI_E_NO_SUPPORT;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::WaitForCompletion(ULONG, ULONG, ULONG* status) noexcept try {
  if (status != nullptr) {
    *status = TBLSTAT_COMPLETE;
  }
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::GetCollapseState(ULONG, ULONG, LPBYTE, ULONG* state_size,
                                                  LPBYTE* state) noexcept try {
  if (state_size != nullptr) {
    *state_size = 0;
  }
  if (state != nullptr) {
    *state = nullptr;
  }
  return MAPI_E_NO_SUPPORT;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Table::SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK* location) noexcept
    try {
  if (location != nullptr) {
    *location = BOOKMARK_BEGINNING;
  }
  return MAPI_E_NO_SUPPORT;
}
QVSIM_CATCH_HRESULT

}  // namespace qvsim::mapi
