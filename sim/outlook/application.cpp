// _Application and _NameSpace of the simulated Outlook.
#include <algorithm>
#include <iterator>
#include <string>

#include "sim/outlook/objects.h"
#include "sim/outlook/server.h"

namespace qvsim::outlook {
namespace {

bool same_text(const std::wstring& a, const wchar_t* b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

Mailbox& mailbox() { return Server::instance().mailbox(); }

// The default profile's name; the first profile's when none is marked.
std::wstring default_profile_name_of(const Mailbox& box);

// The default profile; the first when none is marked.
const Profile* default_profile(const Mailbox& box) {
  const Profile* chosen = box.profiles.empty() ? nullptr : &box.profiles.front();
  for (const Profile& profile : box.profiles) {
    if (profile.is_default) {
      return &profile;
    }
  }
  return chosen;
}

// The first store that the default profile lists; without one, the first
// store of the mailbox.
const Store* default_store(const Mailbox& box) {
  if (const Profile* profile = default_profile(box)) {
    for (const StoreRow& row : profile->stores) {
      if (row.store != nullptr) {
        return row.store;
      }
    }
  }
  return box.stores.empty() ? nullptr : box.stores.front().get();
}

// A store without a named inbox: its top folder's subfolder named Inbox, as
// the simulated MAPI library's receive folder.
Folder* inbox_by_name(const Store& store) {
  if (!store.top_folder) {
    return nullptr;
  }
  for (const auto& child : store.top_folder->folders) {
    if (same_text(child->name, L"Inbox")) {
      return child.get();
    }
  }
  return nullptr;
}

std::wstring default_profile_name_of(const Mailbox& box) {
  const Profile* chosen = default_profile(box);
  return chosen != nullptr && chosen->name ? *chosen->name : std::wstring();
}

const Store* store_of(const Folder& folder) { return folder.store; }
const Store* store_of(const qvsim::Item& item) { return item.folder->store; }

// The folder or item that an EntryID text names, optionally only in the
// store that a store EntryID text names.
template <class Found, class Find>
HRESULT find_by_entry_id(const VARIANT& entry_id, const VARIANT& store_entry_id, Find find,
                         Found** found) {
  const std::optional<std::wstring> text = name_of(entry_id);
  const std::optional<std::wstring> store_text = name_of(store_entry_id);
  if (!text || (!store_text && !is_missing_argument(store_entry_id))) {
    return DISP_E_TYPEMISMATCH;
  }
  const std::optional<Bytes> bytes = parse_hex(*text);
  const std::optional<Bytes> store_bytes = store_text ? parse_hex(*store_text) : std::nullopt;
  *found = bytes ? find(*bytes) : nullptr;
  if (*found != nullptr && store_text) {
    const Store* store = store_of(**found);
    if (!store_bytes || store->entry_id != *store_bytes) {
      *found = nullptr;
    }
  }
  return S_OK;
}

}  // namespace

_Application* new_application() { return new ApplicationObject(); }
_NameSpace* new_namespace() { return new NameSpaceObject(); }

// _Application ---------------------------------------------------------------

HRESULT ApplicationObject::parent(IDispatch** result) {
  *result = nullptr;  // the application has no parent
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ApplicationObject::get_Name(BSTR* result) noexcept {
  return serve("get_Name", result, [&] { return name(result); });
}
HRESULT STDMETHODCALLTYPE ApplicationObject::get_Version(BSTR* result) noexcept {
  return serve("get_Version", result, [&] { return version(result); });
}
HRESULT STDMETHODCALLTYPE ApplicationObject::ActiveExplorer(_Explorer** result) noexcept {
  return serve("ActiveExplorer", result, [&] { return active_explorer(result); });
}
HRESULT STDMETHODCALLTYPE ApplicationObject::GetNamespace(BSTR type, _NameSpace** result) noexcept {
  return serve("GetNamespace", result, [&] { return get_namespace(borrowed_text(type), result); });
}
HRESULT STDMETHODCALLTYPE ApplicationObject::get_DefaultProfileName(BSTR* result) noexcept {
  return serve("get_DefaultProfileName", result, [&] { return default_profile_name(result); });
}

HRESULT ApplicationObject::name(BSTR* result) { return allocate_text(L"Outlook", result); }

HRESULT ApplicationObject::version(BSTR* result) { return allocate_text(L"16.0.0.0", result); }

// No explorer window: S_OK and no object, as Outlook answers.
HRESULT ApplicationObject::active_explorer(_Explorer** result) {
  *result = mailbox().explorer ? new ExplorerObject() : nullptr;
  return S_OK;
}

HRESULT ApplicationObject::get_namespace(const VARIANT& type, _NameSpace** result) {
  const std::optional<std::wstring> text = name_of(type);
  if (!text) {
    return DISP_E_TYPEMISMATCH;
  }
  if (!same_text(*text, L"MAPI")) {
    return raise(E_INVALIDARG, kInvalidArgumentText);
  }
  *result = new NameSpaceObject();
  return S_OK;
}

HRESULT ApplicationObject::default_profile_name(BSTR* result) {
  return allocate_text(default_profile_name_of(mailbox()), result);
}

// _NameSpace -----------------------------------------------------------------

HRESULT NameSpaceObject::parent(IDispatch** result) {
  *result = new_application();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE NameSpaceObject::get_Folders(_Folders** result) noexcept {
  return serve("get_Folders", result, [&] { return folders(result); });
}
HRESULT STDMETHODCALLTYPE NameSpaceObject::get_Type(BSTR* result) noexcept {
  return serve("get_Type", result, [&] { return type(result); });
}
HRESULT STDMETHODCALLTYPE NameSpaceObject::GetFolderFromID(BSTR entry_id, VARIANT store_entry_id,
                                                           MAPIFolder** result) noexcept {
  return serve("GetFolderFromID", result,
               [&] { return folder_from_id(borrowed_text(entry_id), store_entry_id, result); });
}
HRESULT STDMETHODCALLTYPE NameSpaceObject::GetItemFromID(BSTR entry_id, VARIANT store_entry_id,
                                                         IDispatch** result) noexcept {
  return serve("GetItemFromID", result,
               [&] { return item_from_id(borrowed_text(entry_id), store_entry_id, result); });
}
HRESULT STDMETHODCALLTYPE NameSpaceObject::get_CurrentProfileName(BSTR* result) noexcept {
  return serve("get_CurrentProfileName", result, [&] { return current_profile_name(result); });
}

HRESULT STDMETHODCALLTYPE NameSpaceObject::get_CurrentUser(IDispatch** result) noexcept {
  return serve("get_CurrentUser", result, [&] { return current_user(result); });
}
HRESULT STDMETHODCALLTYPE NameSpaceObject::GetDefaultFolder(OlDefaultFolders folder_type,
                                                            MAPIFolder** result) noexcept {
  return serve("GetDefaultFolder", result, [&] { return default_folder(folder_type, result); });
}

HRESULT NameSpaceObject::current_user(IDispatch** result) {
  *result = new RecipientObject();
  return S_OK;
}

// Of the default store: the first store of the default profile (the first
// store of all when no profile names one). A kind of folder that Outlook has
// but the store does not name is an object that could not be found; a code
// that is no kind of default folder, an argument that is not valid.
HRESULT NameSpaceObject::default_folder(long folder_type, MAPIFolder** result) {
  static const long kKinds[] = {3,  4,  5,  6,  9,  10, 11, 12, 13, 16,
                                18, 19, 20, 21, 22, 23, 25, 28, 29, 30};
  if (std::find(std::begin(kKinds), std::end(kKinds), folder_type) == std::end(kKinds)) {
    return raise(E_INVALIDARG, kInvalidArgumentText);
  }
  const Store* store = default_store(mailbox());
  Folder* folder = nullptr;
  if (store != nullptr) {
    const auto named = store->default_folders.find(folder_type);
    if (named != store->default_folders.end()) {
      folder = named->second;
    } else if (folder_type == 6) {
      folder = inbox_by_name(*store);
    }
  }
  if (folder == nullptr) {
    return raise(MAPI_E_NOT_FOUND, kNotFoundText);
  }
  *result = new FolderObject(folder);
  return S_OK;
}

HRESULT NameSpaceObject::folders(_Folders** result) {
  *result = new FoldersObject(nullptr);
  return S_OK;
}

HRESULT NameSpaceObject::type(BSTR* result) { return allocate_text(L"MAPI", result); }

HRESULT NameSpaceObject::folder_from_id(const VARIANT& entry_id, const VARIANT& store_entry_id,
                                        MAPIFolder** result) {
  Folder* folder = nullptr;
  const HRESULT hr = find_by_entry_id<Folder>(
      entry_id, store_entry_id,
      [](const Bytes& bytes) { return mailbox().find_folder_by_entry_id(bytes); }, &folder);
  if (FAILED(hr)) {
    return hr;
  }
  if (folder == nullptr) {
    return raise(MAPI_E_NOT_FOUND, kNotFoundText);
  }
  *result = new FolderObject(folder);
  return S_OK;
}

HRESULT NameSpaceObject::item_from_id(const VARIANT& entry_id, const VARIANT& store_entry_id,
                                      IDispatch** result) {
  qvsim::Item* item = nullptr;
  const HRESULT hr = find_by_entry_id<qvsim::Item>(
      entry_id, store_entry_id,
      [](const Bytes& bytes) { return mailbox().find_item_by_entry_id(bytes); }, &item);
  if (FAILED(hr)) {
    return hr;
  }
  if (item == nullptr) {
    return raise(MAPI_E_NOT_FOUND, kNotFoundText);
  }
  *result = new ItemObject(item);
  return S_OK;
}

HRESULT NameSpaceObject::current_profile_name(BSTR* result) {
  return allocate_text(default_profile_name_of(mailbox()), result);
}

}  // namespace qvsim::outlook

namespace qvsim::outlook {

// Recipient ------------------------------------------------------------------

const std::vector<DispatchMember<RecipientObject>>& RecipientObject::dispatch_members() {
  static const std::vector<DispatchMember<RecipientObject>> kMembers = {
      {L"Name", 0x3001, &invoke_member<&RecipientObject::name, RecipientObject>},
      {L"Address", 0x3003, &invoke_member<&RecipientObject::address, RecipientObject>},
      {L"Parent", 0x6D, &invoke_member<&RecipientObject::parent_object, RecipientObject>},
  };
  return kMembers;
}

HRESULT RecipientObject::parent(IDispatch** result) {
  *result = new_namespace();
  return S_OK;
}

HRESULT RecipientObject::name(BSTR* result) { return allocate_text(mailbox().user_name, result); }

HRESULT RecipientObject::address(BSTR* result) {
  return allocate_text(mailbox().user_address, result);
}

}  // namespace qvsim::outlook
