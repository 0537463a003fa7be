#include "outlook/outlook_app.h"

#include "errors/exceptions.h"
#include "outlook/busy_retry.h"

namespace qv {
namespace {

// Outlook may run in its own process, so the context includes the local
// server; such an object must be put in its running state before use.
constexpr DWORD kOutlookContext =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

// Each step is made again while a busy Outlook rejects it.
HRESULT connect_to_outlook(com_ptr<_Application>& application) {
  com_ptr<IUnknown> unknown;
  HRESULT hr = call_while_busy([&] {
    return ::CoCreateInstance(CLSID_OutlookApplication, nullptr, kOutlookContext, IID_IUnknown,
                              unknown.put_void());
  });
  if (FAILED(hr)) {
    return hr;
  }
  hr = call_while_busy([&] { return ::OleRun(unknown.get()); });
  if (SUCCEEDED(hr)) {
    hr = call_while_busy(
        [&] { return unknown->QueryInterface(IID__Application, application.put_void()); });
  }
  return hr;
}

// Calls a member of interface iid on object, again while Outlook answers
// busy, and raises _com_error when it fails.
template <class Call>
void check_member(Call&& call, IUnknown* object, REFIID iid) {
  const HRESULT hr = call_while_busy(call);
  if (FAILED(hr)) {
    _com_issue_errorex(hr, object, iid);
  }
}

// Calls a collection's Item member with a position and gives its result.
template <class Collection, class Result>
com_ptr<Result> item_at(const com_ptr<Collection>& collection, long position, REFIID iid) {
  Collection* raw = collection.get_checked();
  unique_variant index = unique_variant::position(position);
  com_ptr<Result> result;
  check_member([&] { return raw->Item(index.value(), result.put()); }, raw, iid);
  // The position is cleared while the result is held, and a failure to clear
  // it is raised like the member's own.
  const HRESULT cleared = index.clear();
  if (FAILED(cleared)) {
    raise_com_error(cleared);
  }
  return result;
}

// Calls a member that takes nothing and gives an interface reference.
template <class Object, class Result>
com_ptr<Result> reference_from(const com_ptr<Object>& object,
                               HRESULT (STDMETHODCALLTYPE Object::*member)(Result**), REFIID iid) {
  Object* raw = object.get_checked();
  com_ptr<Result> result;
  check_member([&] { return (raw->*member)(result.put()); }, raw, iid);
  return result;
}

template <class Collection>
long count_of(const com_ptr<Collection>& collection, REFIID iid) {
  Collection* raw = collection.get_checked();
  long count = 0;
  check_member([&] { return raw->get_Count(&count); }, raw, iid);
  return count;
}

}  // namespace

com_ptr<_Application> create_outlook_application() {
  com_ptr<_Application> application;
  check_hresult(connect_to_outlook(application));
  return application;
}

HRESULT get_property_by_name(IDispatch* object, const wchar_t* name, VARIANT* result) noexcept {
  if (result == nullptr) {
    return E_POINTER;
  }
  if (object == nullptr) {
    return E_INVALIDARG;
  }
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = call_while_busy(
      [&] { return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); });
  if (FAILED(hr)) {
    return hr;
  }
  DISPPARAMS no_arguments = {nullptr, nullptr, 0, 0};
  return call_while_busy([&] {
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &no_arguments,
                          result, nullptr, nullptr);
  });
}

HRESULT read_property(IDispatch* object, const wchar_t* name, VARIANT* result) {
  const HRESULT hr = get_property_by_name(object, name, result);
  if (is_unanswered_code(hr)) {
    throw win32_error(hr);
  }
  return hr;
}

std::wstring read_property_text(IDispatch* object, const wchar_t* name) {
  unique_variant value;
  if (FAILED(read_property(object, name, value.get())) || value.type() != VT_BSTR) {
    return std::wstring();
  }
  return bstr_text(value.value().bstrVal);
}

std::wstring property_text(IDispatch* object, const wchar_t* name) noexcept {
  unique_variant value;
  if (FAILED(get_property_by_name(object, name, value.get())) || value.type() != VT_BSTR) {
    return std::wstring();
  }
  try {
    return bstr_text(value.value().bstrVal);
  } catch (...) {
    return std::wstring();
  }
}

namespace outlook {

com_ptr<_Explorer> active_explorer(const com_ptr<_Application>& application) {
  return reference_from(application, &_Application::ActiveExplorer, IID__Application);
}

com_ptr<_NameSpace> get_namespace(const com_ptr<_Application>& application, const wchar_t* type) {
  _Application* raw = application.get_checked();
  unique_bstr type_text = unique_bstr::from(type);
  com_ptr<_NameSpace> name_space;
  check_member([&] { return raw->GetNamespace(type_text.get(), name_space.put()); }, raw,
               IID__Application);
  return name_space;
}

com_ptr<Selection> selection(const com_ptr<_Explorer>& explorer) {
  return reference_from(explorer, &_Explorer::get_Selection, IID__Explorer);
}

long count(const com_ptr<Selection>& selection) { return count_of(selection, IID_Selection); }

com_ptr<IDispatch> item(const com_ptr<Selection>& selection, long position) {
  return item_at<Selection, IDispatch>(selection, position, IID_Selection);
}

com_ptr<_Folders> folders(const com_ptr<_NameSpace>& name_space) {
  return reference_from(name_space, &_NameSpace::get_Folders, IID__NameSpace);
}

com_ptr<MAPIFolder> get_folder_from_id(const com_ptr<_NameSpace>& name_space,
                                       const std::wstring& folder_entry_id) {
  _NameSpace* raw = name_space.get_checked();
  unique_bstr entry_id_text = unique_bstr::from(folder_entry_id);
  const unique_variant no_store = unique_variant::omitted();
  com_ptr<MAPIFolder> folder;
  check_member(
      [&] { return raw->GetFolderFromID(entry_id_text.get(), no_store.value(), folder.put()); },
      raw, IID__NameSpace);
  return folder;
}

long count(const com_ptr<_Folders>& folders) { return count_of(folders, IID__Folders); }

com_ptr<MAPIFolder> item(const com_ptr<_Folders>& folders, long position) {
  return item_at<_Folders, MAPIFolder>(folders, position, IID__Folders);
}

unique_bstr entry_id(const com_ptr<MAPIFolder>& folder) {
  MAPIFolder* raw = folder.get_checked();
  unique_bstr text;
  check_member([&] { return raw->get_EntryID(text.put()); }, raw, IID_MAPIFolder);
  return text;
}

long default_item_type(const com_ptr<MAPIFolder>& folder) {
  MAPIFolder* raw = folder.get_checked();
  OlItemType type = olMailItem;
  check_member([&] { return raw->get_DefaultItemType(&type); }, raw, IID_MAPIFolder);
  return static_cast<long>(type);
}

com_ptr<_Folders> folders(const com_ptr<MAPIFolder>& folder) {
  return reference_from(folder, &MAPIFolder::get_Folders, IID_MAPIFolder);
}

com_ptr<_Items> items(const com_ptr<MAPIFolder>& folder) {
  return reference_from(folder, &MAPIFolder::get_Items, IID_MAPIFolder);
}

long count(const com_ptr<_Items>& items) { return count_of(items, IID__Items); }

com_ptr<IDispatch> item(const com_ptr<_Items>& items, long position) {
  return item_at<_Items, IDispatch>(items, position, IID__Items);
}

}  // namespace outlook
}  // namespace qv
