// A late-bound Outlook client as a script host is one: every member by name
// (GetIDsOfNames, then Invoke). It prints the calendar's first appointment's
// Start, End and Location as the object model gives them (VARIANT type and
// value), then what a member that the simulated Outlook does not serve
// (_NameSpace.PickFolder) answers: with "excepinfo", the exception
// information of Invoke; with "errorinfo", the thread's error object after an
// Invoke that asks for none. Exit code 0, or 1 when a step fails.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

HRESULT invoke(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* argument,
               VARIANT* result, EXCEPINFO* exception = nullptr) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(hr)) {
    DISPPARAMS parameters = {argument, nullptr, argument != nullptr ? 1u : 0u, 0};
    ::VariantInit(result);
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result, exception,
                        nullptr);
  }
  return hr;
}

// The object a member gives; null when it fails (the object is released).
IDispatch* object_of(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* argument) {
  VARIANT result;
  IDispatch* value = nullptr;
  if (object != nullptr && SUCCEEDED(invoke(object, name, flags, argument, &result)) &&
      result.vt == VT_DISPATCH) {
    value = result.pdispVal;
    value->AddRef();
  }
  if (object != nullptr) {
    ::VariantClear(&result);
    object->Release();
  }
  return value;
}

VARIANT number(long value) {
  VARIANT argument;
  argument.vt = VT_I4;
  argument.lVal = value;
  return argument;
}

void print_property(IDispatch* item, const wchar_t* name) {
  VARIANT value;
  const HRESULT hr = invoke(item, name, DISPATCH_PROPERTYGET, nullptr, &value);
  SYSTEMTIME time{};
  if (FAILED(hr)) {
    std::printf("%ls: 0x%08lX\n", name, static_cast<unsigned long>(hr));
  } else if (value.vt == VT_DATE && ::VariantTimeToSystemTime(value.date, &time)) {
    std::printf("%ls: VT_DATE %04u-%02u-%02u %02u:%02u:%02u\n", name, time.wYear, time.wMonth,
                time.wDay, time.wHour, time.wMinute, time.wSecond);
  } else if (value.vt == VT_BSTR) {
    std::printf("%ls: VT_BSTR %ls\n", name, value.bstrVal != nullptr ? value.bstrVal : L"");
  } else {
    std::printf("%ls: vt %u\n", name, value.vt);
  }
  ::VariantClear(&value);
}

void print_not_served(IDispatch* name_space, bool exception_information) {
  VARIANT result;
  EXCEPINFO exception = {};
  const HRESULT hr = invoke(name_space, L"PickFolder", DISPATCH_METHOD, nullptr, &result,
                            exception_information ? &exception : nullptr);
  BSTR description = exception.bstrDescription;
  IErrorInfo* error = nullptr;
  if (!exception_information && ::GetErrorInfo(0, &error) == S_OK) {
    error->GetDescription(&description);
    error->Release();
  }
  std::printf("PickFolder: 0x%08lX 0x%08lX %ls\n", static_cast<unsigned long>(hr),
              static_cast<unsigned long>(exception.scode),
              description != nullptr ? description : L"(no description)");
  ::SysFreeString(description);
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrHelpFile);
  ::VariantClear(&result);
}

}  // namespace

int main(int argc, char** argv) {
  const bool exception_information = argc > 1 && std::strcmp(argv[1], "excepinfo") == 0;
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    return 1;
  }
  CLSID clsid;
  IDispatch* application = nullptr;
  if (FAILED(::CLSIDFromProgID(L"Outlook.Application", &clsid)) ||
      FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&application)))) {
    return 1;
  }
  VARIANT mapi;
  mapi.vt = VT_BSTR;
  mapi.bstrVal = ::SysAllocString(L"MAPI");
  IDispatch* name_space = object_of(application, L"GetNamespace", DISPATCH_METHOD, &mapi);
  ::VariantClear(&mapi);
  if (name_space == nullptr) {
    return 1;
  }
  name_space->AddRef();
  VARIANT calendar_type = number(9);  // olFolderCalendar
  VARIANT first = number(1);
  IDispatch* item = object_of(
      object_of(object_of(name_space, L"GetDefaultFolder", DISPATCH_METHOD, &calendar_type),
                L"Items", DISPATCH_PROPERTYGET, nullptr),
      L"Item", DISPATCH_METHOD, &first);
  const bool ok = item != nullptr;
  if (ok) {
    for (const wchar_t* name : {L"Start", L"End", L"Location", L"SenderName"}) {
      print_property(item, name);
    }
    item->Release();
    print_not_served(name_space, exception_information);
  }
  name_space->Release();
  ::CoUninitialize();
  return ok ? 0 : 1;
}
