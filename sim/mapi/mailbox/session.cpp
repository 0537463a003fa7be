// IMAPISession: the message-store table of a profile, and the stores,
// folders and items of the stores that it lists.
#include "sim/mapi/mailbox/session.h"

#include <memory>
#include <utility>
#include <vector>

#include "sim/common/com_guard.h"
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

constexpr ULONG kStoreTableFlags = MAPI_UNICODE | MAPI_DEFERRED_ERRORS;

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
                                         ULONG, LPMDB* store) noexcept override try {
    if (store != nullptr) {
      *store = nullptr;
    }
    if (const HRESULT hr = enter_live("IMAPISession.OpenMsgStore"); FAILED(hr)) {
      return hr;
    }
    if (store == nullptr) {
      return MAPI_E_INVALID_PARAMETER;
    }
    const Store* found = listed_store(entry_id_bytes(size, entry_id));
    if (found == nullptr) {
      return MAPI_E_NOT_FOUND;
    }
    const MailboxEntry entry{MAPI_STORE, found, nullptr, nullptr};
    LPUNKNOWN object = nullptr;
    const HRESULT hr =
        open_mailbox_entry(mailbox_, entry, iid ? iid : &__uuidof(IMsgStore), 0, nullptr, &object);
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
    const Bytes bytes = entry_id_bytes(size, entry_id);
    if (bytes.empty()) {
      return MAPI_E_NOT_FOUND;
    }
    MailboxEntry entry;
    if (const Store* store = listed_store(bytes)) {
      entry = MailboxEntry{MAPI_STORE, store, nullptr, nullptr};
    }
    for (size_t i = 0; i < rows_.size() && !entry; ++i) {
      if (rows_[i].store != nullptr) {
        entry = find_entry(*rows_[i].store, bytes);
      }
    }
    return open_mailbox_entry(mailbox_, entry, iid, flags, object_type, object);
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

HRESULT log_on(const void* name, ULONG flags, LPMAPISESSION* session) {
  std::shared_ptr<const ServedMailbox> mailbox = served_mailbox();
  const std::wstring text = profile_name_text(name, flags);
  const Profile* profile = (flags & MAPI_USE_DEFAULT) ? mailbox->default_profile()
                           : text.empty()             ? nullptr
                                                      : mailbox->find_profile(text);
  if (profile == nullptr) {
    return MAPI_E_LOGON_FAILED;
  }
  *session = new Session(std::move(mailbox), *profile);
  note_logon();
  return S_OK;
}

}  // namespace qvsim::mapi
