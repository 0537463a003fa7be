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

// MAPILogonEx once its out parameter is checked, as MAPI's documentation
// says: the flags it knows (MAPI_E_UNKNOWN_FLAGS for others), MAPI_EXTENDED
// and a null password required (MAPI_E_LOGON_FAILED), Outlook's shared
// session when MAPI_NEW_SESSION is not set and the description has one,
// else a new session on the profile named name (compared without regard to
// case), or on the default profile with MAPI_USE_DEFAULT;
// MAPI_E_LOGON_FAILED when there is no such profile. A profile that needs
// credentials fails with MAPI_E_LOGON_FAILED without a user-interface flag;
// with one (or with MAPI_SERVICE_UI_ALWAYS) the dialog is noted and the
// call fails with MAPI_E_USER_CANCEL, as no one answers it. A new session
// without MAPI_NO_MAIL is noted as made known to the spooler.
HRESULT log_on(const void* name, const void* password, ULONG flags, LPMAPISESSION* session);

}  // namespace qvsim::mapi
