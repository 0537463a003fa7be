#include "sim/mapi/call_points.h"

#include "sim/common/ledger.h"

namespace qvsim::mapi {

HRESULT enter_call(const char* call_point) { return Ledger::instance().enter(call_point).hr; }

}  // namespace qvsim::mapi
