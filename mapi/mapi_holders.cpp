#include "mapi/mapi_holders.h"

namespace qv {

HRESULT query_first_rows(IMAPITable& table, SPropTagArray* columns, LONG count,
                         unique_rows& rows) noexcept {
  HRESULT hr = table.SetColumns(columns, TBL_BATCH);
  if (SUCCEEDED(hr)) {
    hr = table.QueryRows(count, TBL_NOADVANCE, rows.put());
  }
  if (FAILED(hr)) {
    rows.reset();
  }
  return hr;
}

}  // namespace qv
