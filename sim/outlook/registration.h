// Registration of the simulated Outlook as the Outlook application class,
// under HKLM\Software\Classes (Wine's COM reads classes only from there), by
// either host: the in-process server (InprocServer32) or the local server
// (LocalServer32). Each registration removes the other host's key, so that a
// prefix serves the class one way only. Both also register Outlook's type
// library embedded in the host, whose interfaces COM then marshals with the
// type-library marshaler.
#pragma once

#include <windows.h>

namespace qvsim::outlook {

enum class Host { kInProcess, kLocalServer };

// Registers the class for this host, its ProgIDs and the type library of the
// module; SELFREG_E_CLASS or SELFREG_E_TYPELIB when a part fails.
HRESULT register_server(Host host);
// Removes the class keys, the ProgIDs and the type library; each part goes
// even when an earlier one could not.
HRESULT unregister_server();

}  // namespace qvsim::outlook
