#include "mapi/logon.h"

#include "errors/exceptions.h"
#include "items/entry_id.h"
#include "items/property_text.h"
#include "mapi/mapi.h"
#include "mapi/mapi_holders.h"

namespace qv {
namespace {

// Only the rows of one QueryRows call are read from each table.
constexpr LONG kTableRows = 10;

constexpr ULONG kLogonFlags = MAPI_UNICODE | MAPI_NO_MAIL | MAPI_EXTENDED | MAPI_NEW_SESSION;
constexpr ULONG kStoreFlags = MDB_NO_DIALOG | MDB_WRITE;
// A store that the user may only read (a delegate's, a public one) refuses
// MDB_WRITE with MAPI_E_NO_ACCESS; it is opened read-only instead, so that
// its items can still be read.
constexpr ULONG kReadOnlyStoreFlags = MDB_NO_DIALOG;

constexpr SizedSPropTagArray(2, kProfileColumns) = {2, {PR_DEFAULT_PROFILE, PR_DISPLAY_NAME_A}};
constexpr SizedSPropTagArray(2, kStoreColumns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_W}};

com_ptr<IProfAdmin> admin_profiles(const Mapi& mapi) {
  com_ptr<IProfAdmin> admin;
  check_hresult(call_entry_point<MAPIADMINPROFILES>(mapi.library_handle(), "MAPIAdminProfiles", 0,
                                                    admin.put()));
  return admin;
}

com_ptr<IMAPISession> logon_to(const Mapi& mapi, const std::wstring& profile) {
  com_ptr<IMAPISession> session;
  // With MAPI_UNICODE the profile name is a wide text.
  auto* name = reinterpret_cast<LPTSTR>(const_cast<wchar_t*>(profile.c_str()));
  check_hresult(call_entry_point<MAPILOGONEX>(mapi.library_handle(), "MAPILogonEx", 0, name,
                                              nullptr, kLogonFlags, session.put()));
  return session;
}

// The value in a column of a row; null when the row has fewer columns.
const SPropValue* column(const SRow& row, ULONG index) {
  return index < row.cValues && row.lpProps != nullptr ? &row.lpProps[index] : nullptr;
}

bool is_default_profile(const SRow& row) {
  const SPropValue* value = column(row, 0);
  return value != nullptr && value->ulPropTag == PR_DEFAULT_PROFILE && value->Value.b != 0;
}

std::wstring profile_name(const SRow& row) {
  const SPropValue* value = column(row, 1);
  return value != nullptr ? value_text(*value) : std::wstring();
}

// The EntryID of a store row; empty without a PR_ENTRYID value.
EntryId store_entry_id(const SRow& row) {
  EntryId entry_id;
  const SPropValue* value = column(row, 0);
  if (value != nullptr && value->ulPropTag == PR_ENTRYID) {
    entry_id.assign(value->Value.bin.cb, value->Value.bin.lpb);
  }
  return entry_id;
}

// A store of the session by its EntryID, with write access where the user
// has it and read-only where not; empty when it does not open.
com_ptr<IMsgStore> open_store(IMAPISession& session, const EntryId& entry_id) {
  com_ptr<IMsgStore> store;
  HRESULT hr =
      session.OpenMsgStore(0, entry_id.size(), entry_id.data(), nullptr, kStoreFlags, store.put());
  if (hr == MAPI_E_NO_ACCESS) {
    hr = session.OpenMsgStore(0, entry_id.size(), entry_id.data(), nullptr, kReadOnlyStoreFlags,
                              store.put());
  }
  if (FAILED(hr)) {
    store.reset();
  }
  return store;
}

}  // namespace

std::vector<std::wstring> profile_names(const Mapi& mapi) {
  const com_ptr<IProfAdmin> admin = admin_profiles(mapi);
  std::vector<std::wstring> names;
  std::wstring default_name;
  com_ptr<IMAPITable> table;
  unique_rows rows;
  if (SUCCEEDED(admin->GetProfileTable(0, table.put())) && table &&
      SUCCEEDED(query_first_rows(*table, tag_array(kProfileColumns), kTableRows, rows))) {
    for (ULONG row = 0; row < rows.count(); ++row) {
      std::wstring name = profile_name(rows[row]);
      if (name.empty()) {
        continue;
      }
      if (row > 0 && is_default_profile(rows[row])) {
        default_name = std::move(name);
      } else {
        names.push_back(std::move(name));
      }
    }
  }
  if (!default_name.empty()) {
    names.insert(names.begin(), std::move(default_name));
  }
  if (names.empty()) {
    throw win32_error(L"No Outlook profiles were found");
  }
  return names;
}

MapiLogon::MapiLogon(const Mapi& mapi) {
  for (const std::wstring& profile : profile_names(mapi)) {
    com_ptr<IMAPISession> session = logon_to(mapi, profile);
    open_stores(*session);
    sessions_.push_back(std::move(session));
  }
  if (stores_.empty()) {
    throw truntime_error(L"Outlook message store not found");
  }
}

// Opens every store that the session's message-stores table lists (read-only
// where the user may not write); a table that cannot be read, and a store
// that does not open, add nothing.
void MapiLogon::open_stores(IMAPISession& session) {
  com_ptr<IMAPITable> table;
  unique_rows rows;
  if (FAILED(session.GetMsgStoresTable(0, table.put())) || !table ||
      FAILED(query_first_rows(*table, tag_array(kStoreColumns), kTableRows, rows))) {
    return;
  }
  for (ULONG row = 0; row < rows.count(); ++row) {
    const EntryId entry_id = store_entry_id(rows[row]);
    if (entry_id.empty()) {
      continue;
    }
    if (com_ptr<IMsgStore> store = open_store(session, entry_id)) {
      stores_.push_back(std::move(store));
    }
  }
}

}  // namespace qv
