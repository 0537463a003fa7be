// IMAPISession: the message-store table of a profile, and the stores,
// folders and items of the stores that it lists.
#include "sim/mapi/mailbox/session.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "errors/com_holders.h"
#include "sim/common/com_guard.h"
#include "sim/common/ledger.h"
#include "sim/common/com_object.h"
#include "sim/mapi/base/call_points.h"
#include "sim/mapi/base/com_answers.h"
#include "sim/mapi/mailbox/mailbox_messages.h"
#include "sim/mapi/mailbox/message_store.h"
#include "sim/mapi/mailbox/served_mailbox.h"
#include "sim/mapi/message/table.h"
#include "sim/mapi/base/text_codec.h"

namespace qvsim::mapi {
namespace {

// The flags that MAPI's documentation gives each call; others are refused
// with MAPI_E_UNKNOWN_FLAGS.
constexpr ULONG kStoreTableFlags = MAPI_UNICODE;
constexpr ULONG kLogonFlags =
    MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_ALLOW_OTHERS | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED |
    MAPI_USE_DEFAULT | MAPI_FORCE_DOWNLOAD | MAPI_SERVICE_UI_ALWAYS | MAPI_NO_MAIL |
    MAPI_NT_SERVICE | MAPI_PASSWORD_UI | MAPI_TIMEOUT_SHORT | MAPI_BG_SESSION | MAPI_UNICODE;
constexpr ULONG kOpenMsgStoreFlags = MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS | MDB_NO_DIALOG |
                                     MDB_NO_MAIL | MDB_ONLINE | MDB_TEMPORARY | MDB_WRITE;
constexpr ULONG kOpenEntryFlags = MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS | MAPI_MODIFY |
                                  MAPI_NO_CACHE | MAPI_CACHE_ONLY | SHOW_SOFT_DELETES;
// The two logon dialogs, of which a call may ask one.
constexpr ULONG kLogonDialogs = MAPI_LOGON_UI | MAPI_PASSWORD_UI;

// A dialog that MAPI would show: noted for the report. No one answers it in
// a test, so the call fails as if the user had cancelled it.
HRESULT show_dialog(const std::string& what) {
  note_dialog(what);
  return MAPI_E_USER_CANCEL;
}

std::string quoted(const std::wstring& name) { return "\"" + wide_to_utf8(name) + "\""; }

// Opening store as OpenMsgStore does with flags. A store that needs a
// password opens only through its dialog, which MDB_NO_DIALOG forbids
// (MAPI_E_LOGON_FAILED); MDB_WRITE on a store that the user may only read
// fails with MAPI_E_NO_ACCESS. writable: whether the store opens with write
// access, which only MDB_WRITE or MAPI_BEST_ACCESS ask.
HRESULT store_access(const Store& store, ULONG flags, bool* writable) {
  *writable = false;
  if (store.needs_password) {
    return (flags & MDB_NO_DIALOG)
               ? MAPI_E_LOGON_FAILED
               : show_dialog("IMAPISession.OpenMsgStore: the password of the store " +
                             quoted(store.display_name));
  }
  if ((flags & MDB_WRITE) && store.read_only) {
    return MAPI_E_NO_ACCESS;
  }
  *writable = !store.read_only && (flags & (MDB_WRITE | MAPI_BEST_ACCESS)) != 0;
  return S_OK;
}

// A row of the profile's message-store table, with the store it opens: the
// store that it names, else the store whose own EntryID it gives.
struct StoreTableRow {
  const StoreRow* row = nullptr;
  const Store* store = nullptr;
};

class Session final : public IMAPISession, public TrackedObject {
 public:
  Session(std::shared_ptr<const ServedMailbox> mailbox, const Profile& profile)
      : TrackedObject("IMAPISession"), mailbox_(std::move(mailbox)) {
    for (const StoreRow& row : profile.stores) {
      const Store* store = row.store;
      if (store == nullptr && row.entry_id) {
        store = mailbox_->find_store(*row.entry_id);
      }
      rows_.push_back(StoreTableRow{&row, store});
    }
  }
  ~Session() override { note_session_object_gone(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override try {
    return answer_interface(static_cast<IMAPISession*>(this), riid, object,
                            {IID_IUnknown, __uuidof(IMAPISession)});
  }
  QVSIM_CATCH_HRESULT
  QVSIM_FORWARD_ADDREF_RELEASE

  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR* error) noexcept override try {
    return answer_no_last_error(error);
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE GetMsgStoresTable(ULONG flags, LPMAPITABLE* table) noexcept override
      try {
    if (table != nullptr) {
      *table = nullptr;
    }
    if (const HRESULT hr = enter_live("IMAPISession.GetMsgStoresTable"); FAILED(hr)) {
      return hr;
    }
    if (table == nullptr) {
      return MAPI_E_INVALID_PARAMETER;
    }
    if ((flags & ~kStoreTableFlags) != 0) {
      return MAPI_E_UNKNOWN_FLAGS;
    }
    ReadRules rules;
    rules.unicode = (flags & MAPI_UNICODE) != 0;
    const ULONG display_name =
        PROP_TAG(unspecified_type(PT_UNICODE, rules.unicode), PROP_ID(PR_DISPLAY_NAME_W));
    std::vector<PropertyBag> rows = store_table_rows();
    std::vector<ULONG> columns = union_columns({PR_ENTRYID, display_name}, rows, rules.unicode);
    *table = Table::create(std::move(rows), std::move(columns), linked_allocator(), rules);
    return S_OK;
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE OpenMsgStore(ULONG_PTR, ULONG size, LPENTRYID entry_id, LPCIID iid,
                                         ULONG flags, LPMDB* store) noexcept override try {
    if (store != nullptr) {
      *store = nullptr;
    }
    if (const HRESULT hr = enter_live("IMAPISession.OpenMsgStore"); FAILED(hr)) {
      return hr;
    }
    if (store == nullptr) {
      return MAPI_E_INVALID_PARAMETER;
    }
    if (entry_id == nullptr) {
      return MAPI_E_INVALID_PARAMETER;
    }
    if ((flags & ~kOpenMsgStoreFlags) != 0) {
      return MAPI_E_UNKNOWN_FLAGS;
    }
    const Store* found = listed_store(entry_id_bytes(size, entry_id));
    if (found == nullptr) {
      return MAPI_E_NOT_FOUND;
    }
    LPUNKNOWN object = nullptr;
    const HRESULT hr = open_store(*found, flags, iid ? iid : &__uuidof(IMsgStore), &object);
    *store = static_cast<LPMDB>(object);
    return hr;
  }
  QVSIM_CATCH_HRESULT

  // The stores that this session lists, then their folders and items.
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG size, LPENTRYID entry_id, LPCIID iid, ULONG flags,
                                      ULONG* object_type, LPUNKNOWN* object) noexcept override try {
    if (object_type != nullptr) {
      *object_type = 0;
    }
    if (object != nullptr) {
      *object = nullptr;
    }
    if (const HRESULT hr = enter_live("IMAPISession.OpenEntry"); FAILED(hr)) {
      return hr;
    }
    if (object == nullptr) {
      return MAPI_E_INVALID_PARAMETER;
    }
    if ((flags & ~kOpenEntryFlags) != 0) {
      return MAPI_E_UNKNOWN_FLAGS;
    }
    const Bytes bytes = entry_id_bytes(size, entry_id);
    if (bytes.empty()) {
      return MAPI_E_NOT_FOUND;
    }
    if (const Store* store = listed_store(bytes)) {
      // As OpenMsgStore with MDB_NO_DIALOG, MAPI_MODIFY asking what
      // MDB_WRITE asks.
      const ULONG store_flags =
          MDB_NO_DIALOG | (flags & MAPI_BEST_ACCESS) | ((flags & MAPI_MODIFY) ? MDB_WRITE : 0);
      const HRESULT hr = open_store(*store, store_flags, iid ? iid : &__uuidof(IMsgStore), object);
      if (SUCCEEDED(hr) && object_type != nullptr) {
        *object_type = MAPI_STORE;
      }
      return hr;
    }
    MailboxEntry entry;
    for (size_t i = 0; i < rows_.size() && !entry; ++i) {
      if (rows_[i].store != nullptr) {
        entry = find_entry(*rows_[i].store, bytes);
      }
    }
    if (!entry) {
      return MAPI_E_NOT_FOUND;
    }
    bool writable = false;
    if (const HRESULT hr = entry_access(*entry.store, &writable); FAILED(hr)) {
      return hr;
    }
    return open_mailbox_entry(mailbox_, entry, iid, flags, writable, object_type, object);
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG size1, LPENTRYID entry_id1, ULONG size2,
                                            LPENTRYID entry_id2, ULONG,
                                            ULONG* result) noexcept override try {
    if (const HRESULT hr = enter_call("IMAPISession.CompareEntryIDs"); FAILED(hr)) {
      return hr;
    }
    return compare_entry_ids(size1, entry_id1, size2, entry_id2, result);
  }
  QVSIM_CATCH_HRESULT

  // Ends the session: its own calls fail afterwards with
  // MAPI_E_END_OF_SESSION; what it opened goes on working.
  HRESULT STDMETHODCALLTYPE Logoff(ULONG_PTR, ULONG, ULONG) noexcept override try {
    if (const HRESULT hr = enter_live("IMAPISession.Logoff"); FAILED(hr)) {
      return hr;
    }
    logged_off_ = true;
    note_logoff();
    return S_OK;
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE OpenAddressBook(ULONG_PTR, LPCIID, ULONG,
                                            LPADRBOOK* book) noexcept override try {
    if (book != nullptr) {
      *book = nullptr;
    }
    return not_served("IMAPISession.OpenAddressBook");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE OpenProfileSection(LPMAPIUID, LPCIID, ULONG,
                                               LPPROFSECT* section) noexcept override try {
    if (section != nullptr) {
      *section = nullptr;
    }
    return not_served("IMAPISession.OpenProfileSection");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE GetStatusTable(ULONG, LPMAPITABLE* table) noexcept override try {
    if (table != nullptr) {
      *table = nullptr;
    }
    return not_served("IMAPISession.GetStatusTable");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK,
                                   ULONG* connection) noexcept override try {
    if (connection != nullptr) {
      *connection = 0;
    }
    return not_served("IMAPISession.Advise");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG) noexcept override try {
    return not_served("IMAPISession.Unadvise");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) noexcept override
      try {
    return not_served("IMAPISession.MessageOptions");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG* count,
                                                   LPSPropValue* options) noexcept override try {
    if (count != nullptr) {
      *count = 0;
    }
    if (options != nullptr) {
      *options = nullptr;
    }
    return not_served("IMAPISession.QueryDefaultMessageOpt");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE EnumAdrTypes(ULONG, ULONG* count, LPTSTR** types) noexcept override
      try {
    if (count != nullptr) {
      *count = 0;
    }
    if (types != nullptr) {
      *types = nullptr;
    }
    return not_served("IMAPISession.EnumAdrTypes");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE QueryIdentity(ULONG* size, LPENTRYID* entry_id) noexcept override try {
    if (size != nullptr) {
      *size = 0;
    }
    if (entry_id != nullptr) {
      *entry_id = nullptr;
    }
    return not_served("IMAPISession.QueryIdentity");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE SetDefaultStore(ULONG, ULONG, LPENTRYID) noexcept override try {
    return not_served("IMAPISession.SetDefaultStore");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE AdminServices(ULONG, LPSERVICEADMIN* admin) noexcept override try {
    if (admin != nullptr) {
      *admin = nullptr;
    }
    return not_served("IMAPISession.AdminServices");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE,
                                     ULONG, ULONG, ULONG, ULONG, LPSTR) noexcept override try {
    return not_served("IMAPISession.ShowForm");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE PrepareForm(LPCIID, LPMESSAGE, ULONG* token) noexcept override try {
    if (token != nullptr) {
      *token = 0;
    }
    return not_served("IMAPISession.PrepareForm");
  }
  QVSIM_CATCH_HRESULT

 private:
  // Counts the call; a session that has logged off fails it.
  HRESULT enter_live(const char* call_point) const {
    const HRESULT hr = enter_call(call_point);
    return FAILED(hr) ? hr : logged_off_ ? MAPI_E_END_OF_SESSION : S_OK;
  }

  // Opens store as OpenMsgStore does with flags, and notes that this
  // session holds it open for as long as the store object lives.
  HRESULT open_store(const Store& store, ULONG flags, LPCIID iid, LPUNKNOWN* object) {
    bool writable = false;
    if (const HRESULT hr = store_access(store, flags, &writable); FAILED(hr)) {
      return hr;
    }
    auto opening = std::make_shared<const StoreOpening>(StoreOpening{&store, writable});
    const auto created = qv::com_ptr<IUnknown>::attach(create_message_store(mailbox_, opening));
    if (FAILED(created->QueryInterface(*iid, reinterpret_cast<void**>(object)))) {
      return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    openings_.erase(std::remove_if(openings_.begin(), openings_.end(),
                                   [](const auto& held) { return held.expired(); }),
                    openings_.end());
    openings_.push_back(opening);
    return S_OK;
  }

  // The access with which the folders and items of store open: that of the
  // session's openings of the store (write access when one has it); when
  // the session holds none, MAPI opens the store itself, as OpenMsgStore
  // with MDB_NO_DIALOG and the best access.
  HRESULT entry_access(const Store& store, bool* writable) const {
    bool open = false;
    *writable = false;
    for (const std::weak_ptr<const StoreOpening>& held : openings_) {
      if (const auto opening = held.lock(); opening && opening->store == &store) {
        open = true;
        *writable = *writable || opening->writable;
      }
    }
    return open ? S_OK : store_access(store, MDB_NO_DIALOG | MAPI_BEST_ACCESS, writable);
  }

  // The rows as the profile lists them. The first row that opens a store is
  // the default store.
  std::vector<PropertyBag> store_table_rows() const {
    std::vector<PropertyBag> rows;
    bool default_given = false;
    for (const StoreTableRow& listed : rows_) {
      PropertyBag row;
      if (listed.row->entry_id) {
        row.set(PR_ENTRYID, binary_value(*listed.row->entry_id));
      }
      if (listed.row->display_name) {
        row.set_unicode(PR_DISPLAY_NAME_W, *listed.row->display_name);
      }
      const bool is_default = listed.store != nullptr && !default_given;
      default_given = default_given || is_default;
      row.set(PR_DEFAULT_STORE, PropertyValue::boolean(is_default));
      row.set_long(PR_RESOURCE_FLAGS, is_default ? STATUS_DEFAULT_STORE : 0);
      row.set_long(PR_OBJECT_TYPE, MAPI_STORE);
      if (listed.store != nullptr) {
        row.set(PR_MDB_PROVIDER, binary_value(Bytes(listed.store->provider_uid.begin(),
                                                    listed.store->provider_uid.end())));
      }
      row.set_long(PR_ROWID, static_cast<LONG>(rows.size()));
      rows.push_back(std::move(row));
    }
    return rows;
  }

  // The store that an EntryID opens: a row's EntryID first, then the own
  // EntryID of a store that a row opens.
  const Store* listed_store(const Bytes& entry_id) const {
    for (const StoreTableRow& listed : rows_) {
      if (listed.store != nullptr && listed.row->entry_id == entry_id) {
        return listed.store;
      }
    }
    for (const StoreTableRow& listed : rows_) {
      if (listed.store != nullptr && listed.store->entry_id == entry_id) {
        return listed.store;
      }
    }
    return nullptr;
  }

  std::shared_ptr<const ServedMailbox> mailbox_;
  std::vector<StoreTableRow> rows_;
  std::vector<std::weak_ptr<const StoreOpening>> openings_;
  bool logged_off_ = false;
};

}  // namespace

std::wstring profile_name_text(const void* name, ULONG flags) {
  if (name == nullptr) {
    return std::wstring();
  }
  return (flags & MAPI_UNICODE) ? std::wstring(static_cast<const wchar_t*>(name))
                                : to_wide(static_cast<const char*>(name), CP_ACP);
}

HRESULT log_on(const void* name, const void* password, ULONG flags, LPMAPISESSION* session) {
  if ((flags & ~kLogonFlags) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  // Only an Extended MAPI logon gives an IMAPISession; the password must be
  // null; a call can show only one of the two logon dialogs.
  if ((flags & MAPI_EXTENDED) == 0 || password != nullptr ||
      (flags & kLogonDialogs) == kLogonDialogs) {
    return MAPI_E_LOGON_FAILED;
  }
  std::shared_ptr<const ServedMailbox> mailbox = served_mailbox();
  const Profile* shared = mailbox->shared_profile();
  if ((flags & MAPI_NEW_SESSION) == 0 && shared != nullptr) {
    // Outlook's own session, whatever profile was named: logged on already,
    // and known to the spooler by Outlook.
    *session = new Session(std::move(mailbox), *shared);
    note_logon();
    return S_OK;
  }
  const std::wstring text = profile_name_text(name, flags);
  const Profile* profile = (flags & MAPI_USE_DEFAULT) ? mailbox->default_profile()
                           : text.empty()             ? nullptr
                                                      : mailbox->find_profile(text);
  if (profile == nullptr) {
    return (flags & MAPI_LOGON_UI) ? show_dialog("MAPILogonEx: the choice of a profile")
                                   : MAPI_E_LOGON_FAILED;
  }
  const std::string profile_name = quoted(profile->name.value_or(std::wstring()));
  if (flags & MAPI_SERVICE_UI_ALWAYS) {
    return show_dialog("MAPILogonEx: the configuration of the services of the profile " +
                       profile_name);
  }
  if (profile->needs_credentials) {
    return (flags & kLogonDialogs)
               ? show_dialog("MAPILogonEx: the credentials of the profile " + profile_name)
               : MAPI_E_LOGON_FAILED;
  }
  *session = new Session(std::move(mailbox), *profile);
  note_logon();
  if ((flags & MAPI_NO_MAIL) == 0) {
    note_spooler_session();
  }
  return S_OK;
}

}  // namespace qvsim::mapi
