// An Outlook-automation program as a user of scripts/sim-run writes one: it
// knows nothing of qv or of the simulators, and uses plain COM automation of
// Outlook (late-bound, by name) and plain Extended MAPI (imported from
// mapi32.dll). It prints the name of each of Outlook's top folders, then the
// display name of each message store of the default MAPI profile. Exit code
// 0, or 1 with the failing step and its HRESULT on standard error.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <mapix.h>

#include <cstdio>

namespace {

HRESULT failed(const char* step, HRESULT hr) {
  std::fprintf(stderr, "%s failed: 0x%08lX\n", step, static_cast<unsigned long>(hr));
  return hr;
}

// Invokes a member of an automation object by name, with at most one argument.
HRESULT invoke(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* argument,
               VARIANT* result) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(hr)) {
    DISPPARAMS parameters = {argument, nullptr, argument != nullptr ? 1u : 0u, 0};
    ::VariantInit(result);
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result, nullptr,
                        nullptr);
  }
  return hr;
}

// A member that gives an object: its IDispatch, or null.
IDispatch* object_of(IDispatch* object, const wchar_t* name, WORD flags,
                     VARIANT* argument = nullptr) {
  VARIANT result;
  if (FAILED(invoke(object, name, flags, argument, &result))) {
    return nullptr;
  }
  IDispatch* value = result.vt == VT_DISPATCH ? result.pdispVal : nullptr;
  if (value != nullptr) {
    value->AddRef();
  }
  ::VariantClear(&result);
  return value;
}

HRESULT print_outlook_folders() {
  CLSID clsid;
  HRESULT hr = ::CLSIDFromProgID(L"Outlook.Application", &clsid);
  if (FAILED(hr)) {
    return failed("CLSIDFromProgID", hr);
  }
  IDispatch* application = nullptr;
  hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(&application));
  if (FAILED(hr)) {
    return failed("CoCreateInstance", hr);
  }
  VARIANT mapi;
  mapi.vt = VT_BSTR;
  mapi.bstrVal = ::SysAllocString(L"MAPI");
  IDispatch* name_space = object_of(application, L"GetNamespace", DISPATCH_METHOD, &mapi);
  ::VariantClear(&mapi);
  IDispatch* folders =
      name_space != nullptr ? object_of(name_space, L"Folders", DISPATCH_PROPERTYGET) : nullptr;
  VARIANT count;
  hr = folders != nullptr ? invoke(folders, L"Count", DISPATCH_PROPERTYGET, nullptr, &count)
                          : E_POINTER;
  for (LONG i = 1; SUCCEEDED(hr) && count.vt == VT_I4 && i <= count.lVal; ++i) {
    VARIANT position;
    position.vt = VT_I4;
    position.lVal = i;
    IDispatch* folder =
        object_of(folders, L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, &position);
    VARIANT name;
    hr = folder != nullptr ? invoke(folder, L"Name", DISPATCH_PROPERTYGET, nullptr, &name)
                           : E_POINTER;
    if (SUCCEEDED(hr) && name.vt == VT_BSTR) {
      std::printf("folder: %ls\n", name.bstrVal);
    }
    ::VariantClear(&name);
    if (folder != nullptr) {
      folder->Release();
    }
  }
  if (folders != nullptr) {
    folders->Release();
  }
  if (name_space != nullptr) {
    name_space->Release();
  }
  application->Release();
  return FAILED(hr) ? failed("Outlook's folders", hr) : S_OK;
}

HRESULT print_message_stores() {
  HRESULT hr = ::MAPIInitialize(nullptr);
  if (FAILED(hr)) {
    return failed("MAPIInitialize", hr);
  }
  IMAPISession* session = nullptr;
  hr = ::MAPILogonEx(0, nullptr, nullptr,
                     MAPI_EXTENDED | MAPI_USE_DEFAULT | MAPI_NEW_SESSION | MAPI_NO_MAIL, &session);
  IMAPITable* table = nullptr;
  if (SUCCEEDED(hr)) {
    hr = session->GetMsgStoresTable(0, &table);
  }
  SizedSPropTagArray(1, columns) = {1, {PROP_TAG(PT_UNICODE, 0x3001)}};  // PR_DISPLAY_NAME_W
  SRowSet* rows = nullptr;
  if (SUCCEEDED(hr)) {
    hr = table->SetColumns(reinterpret_cast<SPropTagArray*>(&columns), 0);
  }
  if (SUCCEEDED(hr)) {
    hr = table->QueryRows(50, 0, &rows);
  }
  if (SUCCEEDED(hr)) {
    for (ULONG i = 0; i < rows->cRows; ++i) {
      const SPropValue& name = rows->aRow[i].lpProps[0];
      if (PROP_TYPE(name.ulPropTag) == PT_UNICODE) {
        std::printf("store: %ls\n", name.Value.lpszW);
      }
      ::MAPIFreeBuffer(rows->aRow[i].lpProps);
    }
    ::MAPIFreeBuffer(rows);
  }
  if (table != nullptr) {
    table->Release();
  }
  if (session != nullptr) {
    session->Logoff(0, 0, 0);
    session->Release();
  }
  ::MAPIUninitialize();
  return FAILED(hr) ? failed("MAPI's message stores", hr) : S_OK;
}

}  // namespace

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    return 1;
  }
  const bool ok = SUCCEEDED(print_outlook_folders()) && SUCCEEDED(print_message_stores());
  ::CoUninitialize();
  return ok ? 0 : 1;
}
