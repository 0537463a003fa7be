// IProfAdmin: the profile table of the served mailbox. Profiles cannot be
// created, changed or removed.
#include <memory>
#include <utility>
#include <vector>

#include "sim/common/com_guard.h"
#include "sim/common/com_object.h"
#include "sim/mapi/base/call_points.h"
#include "sim/mapi/base/com_answers.h"
#include "sim/mapi/mailbox/served_mailbox.h"
#include "sim/mapi/mailbox/session.h"
#include "sim/mapi/message/table.h"
#include "sim/mapi/base/text_codec.h"

namespace qvsim::mapi {
namespace {

// One row per profile, in the order of the description: its display name
// (none for a profile without one, so that the column is PT_ERROR) and
// whether it is the default profile.
std::vector<PropertyBag> profile_rows(const Mailbox& mailbox) {
  std::vector<PropertyBag> rows;
  for (const Profile& profile : mailbox.profiles) {
    PropertyBag row;
    if (profile.name) {
      row.set_unicode(PR_DISPLAY_NAME_W, *profile.name);
    }
    row.set(PR_DEFAULT_PROFILE, PropertyValue::boolean(profile.is_default));
    row.set_long(PR_ROWID, static_cast<LONG>(rows.size()));
    rows.push_back(std::move(row));
  }
  return rows;
}

class ProfileAdmin final : public IProfAdmin, public TrackedObject {
 public:
  explicit ProfileAdmin(std::shared_ptr<const ServedMailbox> mailbox)
      : TrackedObject("IProfAdmin"), mailbox_(std::move(mailbox)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override try {
    return answer_interface(static_cast<IProfAdmin*>(this), riid, object,
                            {IID_IUnknown, __uuidof(IProfAdmin)});
  }
  QVSIM_CATCH_HRESULT
  QVSIM_FORWARD_ADDREF_RELEASE

  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR* error) noexcept override try {
    return answer_no_last_error(error);
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE GetProfileTable(ULONG flags, LPMAPITABLE* table) noexcept override try {
    if (table != nullptr) {
      *table = nullptr;
    }
    if (const HRESULT hr = enter_call("IProfAdmin.GetProfileTable"); FAILED(hr)) {
      return hr;
    }
    if (table == nullptr) {
      return MAPI_E_INVALID_PARAMETER;
    }
    if ((flags & ~static_cast<ULONG>(MAPI_UNICODE)) != 0) {
      return MAPI_E_UNKNOWN_FLAGS;
    }
    ReadRules rules;
    rules.unicode = (flags & MAPI_UNICODE) != 0;
    std::vector<ULONG> columns = {
        PROP_TAG(unspecified_type(PT_UNICODE, rules.unicode), PROP_ID(PR_DISPLAY_NAME_W)),
        PR_DEFAULT_PROFILE};
    *table = Table::create(profile_rows(mailbox_->mailbox()), std::move(columns),
                           linked_allocator(), rules);
    return S_OK;
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE CreateProfile(LPTSTR, LPTSTR, ULONG_PTR, ULONG) noexcept override try {
    return not_served("IProfAdmin.CreateProfile");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE DeleteProfile(LPTSTR, ULONG) noexcept override try {
    return not_served("IProfAdmin.DeleteProfile");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE ChangeProfilePassword(LPTSTR, LPTSTR, LPTSTR, ULONG) noexcept override
      try {
    return not_served("IProfAdmin.ChangeProfilePassword");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE CopyProfile(LPTSTR, LPTSTR, LPTSTR, ULONG_PTR, ULONG) noexcept override
      try {
    return not_served("IProfAdmin.CopyProfile");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE RenameProfile(LPTSTR, LPTSTR, LPTSTR, ULONG_PTR,
                                          ULONG) noexcept override try {
    return not_served("IProfAdmin.RenameProfile");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE SetDefaultProfile(LPTSTR, ULONG) noexcept override try {
    return not_served("IProfAdmin.SetDefaultProfile");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE AdminServices(LPTSTR, LPTSTR, ULONG_PTR, ULONG,
                                          LPSERVICEADMIN* admin) noexcept override try {
    if (admin != nullptr) {
      *admin = nullptr;
    }
    return not_served("IProfAdmin.AdminServices");
  }
  QVSIM_CATCH_HRESULT

 private:
  std::shared_ptr<const ServedMailbox> mailbox_;
};

}  // namespace

IProfAdmin* create_profile_admin() { return new ProfileAdmin(served_mailbox()); }

}  // namespace qvsim::mapi
