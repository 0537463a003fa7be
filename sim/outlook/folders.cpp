// MAPIFolder, _Folders and _Items of the simulated Outlook.
#include <string>

#include "sim/outlook/objects.h"
#include "sim/outlook/server.h"

namespace qvsim::outlook {
namespace {

bool same_text(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

HRESULT entry_id_text(const Bytes& entry_id, BSTR* result) {
  if (entry_id.empty()) {
    *result = nullptr;
    return S_OK;
  }
  return allocate_text(to_hex(entry_id), result);
}

// MAPIFolder -----------------------------------------------------------------

// A top folder's parent is the namespace.
HRESULT FolderObject::parent(IDispatch** result) {
  *result = folder_->parent != nullptr ? static_cast<IDispatch*>(new FolderObject(folder_->parent))
                                       : new_namespace();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FolderObject::get_DefaultItemType(OlItemType* result) noexcept {
  return serve("get_DefaultItemType", result, [&] { return default_item_type(result); });
}
HRESULT STDMETHODCALLTYPE FolderObject::get_DefaultMessageClass(BSTR* result) noexcept {
  return serve("get_DefaultMessageClass", result, [&] { return default_message_class(result); });
}
HRESULT STDMETHODCALLTYPE FolderObject::get_EntryID(BSTR* result) noexcept {
  return serve("get_EntryID", result, [&] { return entry_id(result); });
}
HRESULT STDMETHODCALLTYPE FolderObject::get_Folders(_Folders** result) noexcept {
  return serve("get_Folders", result, [&] { return folders(result); });
}
HRESULT STDMETHODCALLTYPE FolderObject::get_Items(_Items** result) noexcept {
  return serve("get_Items", result, [&] { return items(result); });
}
HRESULT STDMETHODCALLTYPE FolderObject::get_Name(BSTR* result) noexcept {
  return serve("get_Name", result, [&] { return name(result); });
}
HRESULT STDMETHODCALLTYPE FolderObject::get_StoreID(BSTR* result) noexcept {
  return serve("get_StoreID", result, [&] { return store_id(result); });
}
HRESULT STDMETHODCALLTYPE FolderObject::get_FolderPath(BSTR* result) noexcept {
  return serve("get_FolderPath", result, [&] { return folder_path(result); });
}

HRESULT FolderObject::default_item_type(OlItemType* result) {
  *result = static_cast<OlItemType>(folder_->default_item_type);
  return S_OK;
}

HRESULT FolderObject::default_message_class(BSTR* result) {
  return allocate_text(qvsim::default_message_class(folder_->default_item_type), result);
}

HRESULT FolderObject::entry_id(BSTR* result) { return entry_id_text(folder_->entry_id, result); }

HRESULT FolderObject::folders(_Folders** result) {
  *result = new FoldersObject(folder_);
  return S_OK;
}

HRESULT FolderObject::items(_Items** result) {
  *result = new ItemsObject(folder_);
  return S_OK;
}

HRESULT FolderObject::name(BSTR* result) { return allocate_text(folder_->name, result); }

HRESULT FolderObject::store_id(BSTR* result) {
  return entry_id_text(folder_->store->entry_id, result);
}

HRESULT FolderObject::folder_path(BSTR* result) {
  return allocate_text(folder_->folder_path(), result);
}

// _Folders -------------------------------------------------------------------

HRESULT FoldersObject::parent(IDispatch** result) {
  *result = owner_ != nullptr ? static_cast<IDispatch*>(new FolderObject(owner_)) : new_namespace();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FoldersObject::get_Count(long* result) noexcept {
  return serve("get_Count", result, [&] { return count(result); });
}
HRESULT STDMETHODCALLTYPE FoldersObject::Item(VARIANT index, MAPIFolder** result) noexcept {
  return serve("Item", result, [&] { return item(index, result); });
}

size_t FoldersObject::folder_count() const {
  return owner_ != nullptr ? owner_->folders.size() : Server::instance().mailbox().stores.size();
}

// Read in place: a collection of 100,000 folders is not copied at each call.
Folder* FoldersObject::folder_at(size_t position) const {
  return owner_ != nullptr ? owner_->folders[position].get()
                           : Server::instance().mailbox().stores[position]->top_folder.get();
}

IDispatch* FoldersObject::new_element(size_t position) const {
  return new FolderObject(folder_at(position));
}

HRESULT FoldersObject::count(long* result) {
  *result = static_cast<long>(folder_count());
  return S_OK;
}

// By position, or by name (any case). Outlook reports both misses as an
// object that could not be found.
HRESULT FoldersObject::item(const VARIANT& index, MAPIFolder** result) {
  const size_t count = folder_count();
  Folder* found = nullptr;
  if (const std::optional<std::wstring> name = name_of(index)) {
    for (size_t position = 0; position < count && found == nullptr; ++position) {
      if (same_text(folder_at(position)->name, *name)) {
        found = folder_at(position);
      }
    }
  } else {
    size_t position = 0;
    const HRESULT hr = element_position(index, count, &position);
    if (hr == DISP_E_TYPEMISMATCH) {
      return hr;
    }
    found = SUCCEEDED(hr) ? folder_at(position) : nullptr;
  }
  if (found == nullptr) {
    return raise(MAPI_E_NOT_FOUND, kNotFoundText);
  }
  *result = new FolderObject(found);
  return S_OK;
}

// _Items ---------------------------------------------------------------------

HRESULT ItemsObject::parent(IDispatch** result) {
  *result = new FolderObject(folder_);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ItemsObject::get_Count(long* result) noexcept {
  return serve("get_Count", result, [&] { return count(result); });
}
HRESULT STDMETHODCALLTYPE ItemsObject::Item(VARIANT index, IDispatch** result) noexcept {
  return serve("Item", result, [&] { return item(index, result); });
}

IDispatch* ItemsObject::new_element(size_t position) const {
  return new ItemObject(folder_->items[position].get());
}

HRESULT ItemsObject::count(long* result) {
  *result = static_cast<long>(folder_->items.size());
  return S_OK;
}

// By position, or by subject (any case): the first item with that subject.
HRESULT ItemsObject::item(const VARIANT& index, IDispatch** result) {
  qvsim::Item* found = nullptr;
  if (const std::optional<std::wstring> subject = name_of(index)) {
    for (const auto& candidate : folder_->items) {
      if (same_text(candidate->subject(), *subject)) {
        found = candidate.get();
        break;
      }
    }
    if (found == nullptr) {
      return raise(MAPI_E_NOT_FOUND, kNotFoundText);
    }
  } else {
    size_t position = 0;
    const HRESULT hr = position_in(index, folder_->items.size(), &position);
    if (FAILED(hr)) {
      return hr;
    }
    found = folder_->items[position].get();
  }
  *result = new ItemObject(found);
  return S_OK;
}

}  // namespace qvsim::outlook
