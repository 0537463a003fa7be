// Every operation of this library enters a named call point of the DLL's
// ledger (docs/simulator.md lists them): the call is counted there, and an
// injected fault makes it fail with the fault's HRESULT.
#pragma once

#include "sim/mapi/base/mapi_platform.h"

namespace qvsim::mapi {

// S_OK to go on; otherwise the HRESULT to fail with.
HRESULT enter_call(const char* call_point);

// A member that the library does not serve: counted at its call point, it
// fails with MAPI_E_NO_SUPPORT (or the injected fault).
HRESULT not_served(const char* call_point);

}  // namespace qvsim::mapi
