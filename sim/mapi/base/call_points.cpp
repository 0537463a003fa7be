#include "sim/mapi/base/call_points.h"

#include "sim/common/ledger.h"

namespace qvsim::mapi {

HRESULT enter_call(const char* call_point) { return Ledger::instance().enter(call_point).hr; }

HRESULT not_served(const char* call_point) {
  const HRESULT hr = enter_call(call_point);
  return FAILED(hr) ? hr : MAPI_E_NO_SUPPORT;
}

}  // namespace qvsim::mapi
