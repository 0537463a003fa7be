#include "tests/sim_outlook/outlook_client.h"

#include <cstdio>

namespace qvsim::test {

HRESULT connect_outlook(qv::com_ptr<_Application>* application) {
  qv::com_ptr<IUnknown> unknown;
  HRESULT hr =
      ::CoCreateInstance(CLSID_OutlookApplication, nullptr, 7, IID_IUnknown, unknown.put_void());
  if (FAILED(hr)) {
    return hr;
  }
  hr = ::OleRun(unknown.get());
  if (FAILED(hr)) {
    return hr;
  }
  return unknown->QueryInterface(IID__Application, application->put_void());
}

HRESULT read_by_name(IDispatch* object, const wchar_t* name, VARIANT* result) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) {
    return hr;
  }
  DISPPARAMS no_arguments = {nullptr, nullptr, 0, 0};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &no_arguments,
                        result, nullptr, nullptr);
}

std::wstring text_by_name(IDispatch* object, const wchar_t* name) {
  qv::unique_variant value;
  const HRESULT hr = read_by_name(object, name, value.put());
  wchar_t text[32];
  if (FAILED(hr)) {
    std::swprintf(text, 32, L"<failed 0x%08lX>", static_cast<unsigned long>(hr));
    return text;
  }
  if (value.type() != VT_BSTR) {
    std::swprintf(text, 32, L"<type %d>", value.type());
    return text;
  }
  const BSTR bstr = value.value().bstrVal;
  return bstr == nullptr ? std::wstring() : std::wstring(bstr, ::SysStringLen(bstr));
}

VARIANT position(int index) {
  VARIANT value;
  ::VariantInit(&value);
  value.vt = VT_INT;
  value.intVal = index;
  return value;
}

VARIANT omitted() {
  VARIANT value;
  ::VariantInit(&value);
  value.vt = VT_ERROR;
  value.scode = DISP_E_PARAMNOTFOUND;
  return value;
}

VARIANT text_argument(const std::wstring& text) {
  VARIANT value;
  ::VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return value;
}

qv::com_ptr<MAPIFolder> top_folder(_Application* application, int index) {
  qv::com_ptr<_NameSpace> mapi;
  qv::com_ptr<_Folders> folders;
  qv::com_ptr<MAPIFolder> folder;
  const qv::unique_bstr type = qv::unique_bstr::from(L"MAPI");
  if (SUCCEEDED(application->GetNamespace(type.get(), mapi.put())) && mapi &&
      SUCCEEDED(mapi->get_Folders(folders.put())) && folders) {
    folders->Item(position(index), folder.put());
  }
  return folder;
}

qv::com_ptr<MAPIFolder> subfolder(MAPIFolder* folder, int index) {
  qv::com_ptr<_Folders> folders;
  qv::com_ptr<MAPIFolder> result;
  if (SUCCEEDED(folder->get_Folders(folders.put())) && folders) {
    folders->Item(position(index), result.put());
  }
  return result;
}

std::wstring entry_id_of(MAPIFolder* folder) {
  qv::unique_bstr entry_id;
  folder->get_EntryID(entry_id.put());
  return entry_id.text();
}

}  // namespace qvsim::test
