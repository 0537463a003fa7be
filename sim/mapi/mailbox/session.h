// Profiles and sessions of the served mailbox: IProfAdmin, whose profile
// table lists the description's profiles, and IMAPISession, which a logon
// to a profile opens over the message stores that the profile lists.
#pragma once

#include <string>

#include "sim/mapi/base/mapi_platform.h"

namespace qvsim::mapi {

// A profile name argument as text: wide with MAPI_UNICODE, else 8-bit in
// the ANSI code page; empty for null.
std::wstring profile_name_text(const void* name, ULONG flags);

// MAPIAdminProfiles' object, over the mailbox served now; one reference for
// the caller.
IProfAdmin* create_profile_admin();

// MAPILogonEx once its arguments are checked: a new session on the profile
// named name (compared without regard to case), or on the default profile
// with MAPI_USE_DEFAULT. MAPI_E_LOGON_FAILED when there is no such profile.
HRESULT log_on(const void* name, ULONG flags, LPMAPISESSION* session);

}  // namespace qvsim::mapi
