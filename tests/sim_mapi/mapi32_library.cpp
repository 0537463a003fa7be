#include "tests/sim_mapi/mapi32_library.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "tests/support/paths.h"

namespace qvsim::mapi::test {
namespace {

template <typename T>
void resolve(T* target, FARPROC address) {
  *target = reinterpret_cast<T>(reinterpret_cast<void*>(address));
}

}  // namespace

const Mapi32& Mapi32::get() {
  static const Mapi32 kLibrary = [] {
    Mapi32 m;
    m.module = ::LoadLibraryW(qv::test::bin_path(L"mapi32.dll").c_str());
    if (m.module == nullptr) {
      throw std::runtime_error("mapi32.dll does not load");
    }
    resolve(&m.initialize, m.by_name("MAPIInitialize"));
    resolve(&m.uninitialize, m.by_name("MAPIUninitialize"));
    resolve(&m.admin_profiles, m.by_name("MAPIAdminProfiles"));
    resolve(&m.logon, m.by_name("MAPILogonEx"));
    resolve(&m.allocate_buffer, m.by_ordinal(13));
    resolve(&m.allocate_more, m.by_ordinal(15));
    resolve(&m.free_buffer, m.by_ordinal(17));
    resolve(&m.bin_from_hex, m.by_ordinal(44));
    resolve(&m.hex_from_bin, m.by_ordinal(45));
    resolve(&m.get_default_malloc, m.by_ordinal(59));
    resolve(&m.get_one_prop, m.by_ordinal(135));
    resolve(&m.free_rows, m.by_ordinal(140));
    resolve(&m.wrap_rtf, m.by_ordinal(185));
    resolve(&m.open_on_storage, m.by_ordinal(198));
    resolve(&m.set_faults, m.by_name("QvSimMapiSetFaults"));
    resolve(&m.reset_counts, m.by_name("QvSimMapiResetCounts"));
    resolve(&m.get_report, m.by_name("QvSimMapiGetReport"));
    resolve(&m.write_report, m.by_name("QvSimMapiWriteReport"));
    resolve(&m.set_message_options, m.by_name("QvSimMapiSetMessageOptions"));
    resolve(&m.reset, m.by_name("QvSimMapiReset"));
    return m;
  }();
  return kLibrary;
}

FARPROC Mapi32::by_name(const char* name) const { return ::GetProcAddress(module, name); }

FARPROC Mapi32::by_ordinal(WORD ordinal) const {
  return ::GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
}

nlohmann::json report() {
  const Mapi32& m = Mapi32::get();
  std::string text(m.get_report(nullptr, 0), '\0');
  m.get_report(text.data(), static_cast<ULONG>(text.size()));
  text.resize(text.size() - 1);
  return nlohmann::json::parse(text);
}

void set_faults(const char* json) { EXPECT_EQ(Mapi32::get().set_faults(json), S_OK); }

HRESULT expect_fault_then_run(const char* call_point, const char* hr_name, HRESULT injected,
                              const std::function<HRESULT()>& operation) {
  const std::string rule =
      std::string(R"([{"call": ")") + call_point + R"(", "hr": ")" + hr_name + R"("}])";
  set_faults(rule.c_str());
  const std::uint64_t calls = report()["calls"].value(call_point, 0u);
  EXPECT_EQ(operation(), injected);
  EXPECT_EQ(report()["calls"].value(call_point, 0u), calls + 1);
  set_faults(nullptr);
  return operation();
}

std::string test_name_of(const char* call_point) {
  std::string name = call_point;
  for (char& c : name) {
    if (c == '.') {
      c = '_';
    }
  }
  return name;
}

HRESULT open_message(IStorage* storage, IMessage** message, ULONG flags) {
  const Mapi32& m = Mapi32::get();
  auto malloc = qv::com_ptr<IMalloc>::attach(m.get_default_malloc());
  return m.open_on_storage(nullptr, m.allocate_buffer, m.allocate_more, m.free_buffer, malloc.get(),
                           nullptr, storage, nullptr, 0, flags, message);
}

MemoryMessage new_memory_message(ULONG flags) {
  MemoryMessage result;
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, 0);
  EXPECT_EQ(::CreateILockBytesOnHGlobal(memory, TRUE, result.bytes.put()), S_OK);
  EXPECT_EQ(::StgCreateDocfileOnILockBytes(result.bytes.get(),
                                           STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0,
                                           result.storage.put()),
            S_OK);
  EXPECT_EQ(open_message(result.storage.get(), result.message.put(), flags), S_OK);
  return result;
}

qv::com_ptr<IStorage> reopen_storage(ILockBytes* bytes, DWORD mode) {
  qv::com_ptr<IStorage> storage;
  EXPECT_EQ(::StgOpenStorageOnILockBytes(bytes, nullptr, mode, nullptr, 0, storage.put()), S_OK);
  return storage;
}

HRESULT set_value(IMAPIProp* prop, const SPropValue& value) {
  SPropValue copy = value;
  LPSPropProblemArray problems = nullptr;
  const HRESULT hr = prop->SetProps(1, &copy, &problems);
  if (problems != nullptr) {
    Mapi32::get().free_buffer(problems);
    return MAPI_E_BAD_VALUE;
  }
  return hr;
}

HRESULT set_unicode(IMAPIProp* prop, ULONG tag, const wchar_t* text) {
  SPropValue value{};
  value.ulPropTag = CHANGE_PROP_TYPE(tag, PT_UNICODE);
  value.Value.lpszW = const_cast<LPWSTR>(text);
  return set_value(prop, value);
}

HRESULT set_string8(IMAPIProp* prop, ULONG tag, const char* text) {
  SPropValue value{};
  value.ulPropTag = CHANGE_PROP_TYPE(tag, PT_STRING8);
  value.Value.lpszA = const_cast<LPSTR>(text);
  return set_value(prop, value);
}

HRESULT set_long(IMAPIProp* prop, ULONG tag, LONG number) {
  SPropValue value{};
  value.ulPropTag = CHANGE_PROP_TYPE(tag, PT_LONG);
  value.Value.l = number;
  return set_value(prop, value);
}

HRESULT set_binary(IMAPIProp* prop, ULONG tag, const std::string& bytes) {
  SPropValue value{};
  value.ulPropTag = CHANGE_PROP_TYPE(tag, PT_BINARY);
  value.Value.bin.cb = static_cast<ULONG>(bytes.size());
  value.Value.bin.lpb = reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data()));
  return set_value(prop, value);
}

OneValue get_value(IMAPIProp* prop, ULONG tag, ULONG flags) {
  OneValue result;
  SizedSPropTagArray(1, tags) = {1, {tag}};
  ULONG count = 0;
  LPSPropValue values = nullptr;
  result.result = prop->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), flags, &count, &values);
  if (values == nullptr) {
    return result;
  }
  result.tag = values->ulPropTag;
  switch (PROP_TYPE(values->ulPropTag)) {
    case PT_ERROR:
      result.error = values->Value.err;
      break;
    case PT_LONG:
      result.number = values->Value.l;
      break;
    case PT_I2:
      result.number = values->Value.i;
      break;
    case PT_BOOLEAN:
      result.number = values->Value.b;
      break;
    case PT_UNICODE:
      result.text = values->Value.lpszW;
      break;
    case PT_STRING8:
      result.bytes = values->Value.lpszA;
      break;
    case PT_BINARY:
      result.bytes.assign(reinterpret_cast<const char*>(values->Value.bin.lpb),
                          values->Value.bin.cb);
      break;
    case PT_SYSTIME:
      result.time = values->Value.ft;
      break;
    default:
      break;
  }
  Mapi32::get().free_buffer(values);
  return result;
}

HRESULT read_chunks(IStream* stream, std::string* bytes, ULONG chunk) {
  bytes->clear();
  for (;;) {
    const size_t used = bytes->size();
    bytes->resize(used + chunk);
    ULONG read = 0;
    const HRESULT hr = stream->Read(bytes->data() + used, chunk, &read);
    bytes->resize(used + (FAILED(hr) ? 0 : read));
    if (FAILED(hr) || read < chunk) {
      return hr;
    }
  }
}

template <typename T>
qv::com_ptr<T> open_property_as(IMAPIProp* prop, ULONG tag, const IID& iid, ULONG flags,
                                HRESULT* result) {
  qv::com_ptr<IUnknown> unknown;
  HRESULT hr = prop->OpenProperty(tag, &iid, 0, flags, unknown.put());
  qv::com_ptr<T> object;
  if (SUCCEEDED(hr)) {
    hr = unknown->QueryInterface(iid, reinterpret_cast<void**>(object.put()));
  }
  if (result != nullptr) {
    *result = hr;
  }
  return object;
}

qv::com_ptr<IStream> open_property_stream(IMAPIProp* prop, ULONG tag, ULONG flags,
                                          HRESULT* result) {
  return open_property_as<IStream>(prop, tag, IID_IStream, flags, result);
}

qv::com_ptr<IMessage> open_embedded_message(IAttach* attachment, ULONG flags) {
  return open_property_as<IMessage>(attachment, PR_ATTACH_DATA_OBJ, __uuidof(IMessage), flags,
                                    nullptr);
}

HRESULT read_property_stream(IMAPIProp* prop, ULONG tag, std::string* bytes, ULONG flags) {
  HRESULT hr = S_OK;
  qv::com_ptr<IStream> stream = open_property_stream(prop, tag, flags, &hr);
  return FAILED(hr) ? hr : read_chunks(stream.get(), bytes);
}

ULONG named_tag(IMAPIProp* prop, const GUID& set, LONG lid, ULONG flags, HRESULT* result) {
  MAPINAMEID name{};
  name.lpguid = const_cast<LPGUID>(&set);
  name.ulKind = MNID_ID;
  name.Kind.lID = lid;
  LPMAPINAMEID names[] = {&name};
  LPSPropTagArray tags = nullptr;
  const HRESULT hr = prop->GetIDsFromNames(1, names, flags, &tags);
  if (result != nullptr) {
    *result = hr;
  }
  const ULONG tag = tags != nullptr ? tags->aulPropTag[0] : 0;
  Mapi32::get().free_buffer(tags);
  return tag;
}

std::wstring utf16(const std::string& bytes) {
  std::wstring text(bytes.size() / 2, L'\0');
  std::memcpy(text.data(), bytes.data(), text.size() * 2);
  return text;
}

}  // namespace qvsim::mapi::test
