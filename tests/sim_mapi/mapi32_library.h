// The simulated mapi32.dll, loaded from the bin folder as the product loads
// the platform's: LoadLibraryW, the utility routines by ordinal, the others
// by name. Helpers for the tests that drive it in-process.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "errors/com_holders.h"
#include "sim/mapi/base/mapi_platform.h"

namespace qvsim::mapi::test {

struct Mapi32 {
  HMODULE module = nullptr;
  // By name.
  LPMAPIINITIALIZE initialize = nullptr;
  LPMAPIUNINITIALIZE uninitialize = nullptr;
  LPMAPIADMINPROFILES admin_profiles = nullptr;
  LPMAPILOGONEX logon = nullptr;
  // By ordinal.
  LPMAPIALLOCATEBUFFER allocate_buffer = nullptr;                                     // 13
  LPMAPIALLOCATEMORE allocate_more = nullptr;                                         // 15
  LPMAPIFREEBUFFER free_buffer = nullptr;                                             // 17
  BOOL(STDAPICALLTYPE* bin_from_hex)(LPTSTR, LPBYTE) = nullptr;                       // 44
  void(STDAPICALLTYPE* hex_from_bin)(LPBYTE, int, LPTSTR) = nullptr;                  // 45
  LPMALLOC(STDAPICALLTYPE* get_default_malloc)() = nullptr;                           // 59
  HRESULT(STDAPICALLTYPE* get_one_prop)(LPMAPIPROP, ULONG, LPSPropValue*) = nullptr;  // 135
  void(STDAPICALLTYPE* free_rows)(LPSRowSet) = nullptr;                               // 140
  HRESULT(STDAPICALLTYPE* wrap_rtf)(LPSTREAM, ULONG, LPSTREAM*) = nullptr;            // 185
  SCODE(STDAPICALLTYPE* open_on_storage)
  (LPMSGSESS, LPALLOCATEBUFFER, LPALLOCATEMORE, LPFREEBUFFER, LPMALLOC, LPVOID, LPSTORAGE,
   MSGCALLRELEASE*, ULONG, ULONG,
   LPMESSAGE*) = nullptr;  // 198
  // The simulator's own.
  HRESULT(WINAPI* set_faults)(LPCSTR) = nullptr;
  void(WINAPI* reset_counts)() = nullptr;
  ULONG(WINAPI* get_report)(LPSTR, ULONG) = nullptr;
  BOOL(WINAPI* write_report)(LPCWSTR) = nullptr;
  HRESULT(WINAPI* set_message_options)(LPUNKNOWN, LPCSTR) = nullptr;
  HRESULT(WINAPI* reset)(LPCWSTR) = nullptr;

  // The DLL of this process, loaded on first use and kept.
  static const Mapi32& get();
  // An export by name or by ordinal (MAKEINTRESOURCEA).
  FARPROC by_name(const char* name) const;
  FARPROC by_ordinal(WORD ordinal) const;
};

// The DLL's report, as the JSON it gives on demand.
nlohmann::json report();
// Replaces the DLL's injected faults (null: none).
void set_faults(const char* json);

// Runs operation twice: with a fault rule at call_point failing with
// hr_name (an HRESULT name of the mailbox format), expecting injected and
// one more call counted there; then without faults, returning its result.
HRESULT expect_fault_then_run(const char* call_point, const char* hr_name, HRESULT injected,
                              const std::function<HRESULT()>& operation);
// A call point as the name of a parametrised test ("IMAPITable_QueryRows").
std::string test_name_of(const char* call_point);

// An empty message on a new in-memory storage, opened as the product opens
// a compound file (ordinals 13/15/17 and the default IMalloc).
struct MemoryMessage {
  qv::com_ptr<ILockBytes> bytes;
  qv::com_ptr<IStorage> storage;
  qv::com_ptr<IMessage> message;
};
MemoryMessage new_memory_message(ULONG flags = 0);
// OpenIMsgOnIStg on a storage, as the product calls it.
HRESULT open_message(IStorage* storage, IMessage** message, ULONG flags = 0);
// Opens the storage on bytes again (after the first was released).
qv::com_ptr<IStorage> reopen_storage(ILockBytes* bytes,
                                     DWORD mode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE);

// Tags that several tests use (the platform's headers name 8-bit or Unicode
// variants depending on UNICODE); others are in sim/mapi/base/mapi_platform.h.
constexpr ULONG kSubjectW = PROP_TAG(PT_UNICODE, 0x0037);
constexpr ULONG kSubjectA = PROP_TAG(PT_STRING8, 0x0037);
constexpr ULONG kBodyW = PROP_TAG(PT_UNICODE, 0x1000);
constexpr ULONG kBodyA = PROP_TAG(PT_STRING8, 0x1000);
constexpr ULONG kDisplayNameW = PROP_TAG(PT_UNICODE, 0x3001);
constexpr ULONG kAttachDataBinary = PROP_TAG(PT_BINARY, 0x3701);

// Property helpers over a message of the DLL; every MAPI result is freed.
HRESULT set_value(IMAPIProp* prop, const SPropValue& value);
HRESULT set_unicode(IMAPIProp* prop, ULONG tag, const wchar_t* text);
HRESULT set_string8(IMAPIProp* prop, ULONG tag, const char* text);
HRESULT set_long(IMAPIProp* prop, ULONG tag, LONG value);
HRESULT set_binary(IMAPIProp* prop, ULONG tag, const std::string& bytes);
// GetProps of one tag: the result and the returned value's tag and text.
struct OneValue {
  HRESULT result = E_FAIL;
  ULONG tag = 0;
  SCODE error = S_OK;  // of a PT_ERROR value
  LONG number = 0;     // PT_LONG, PT_I2, PT_BOOLEAN
  std::wstring text;   // PT_UNICODE
  std::string bytes;   // PT_STRING8, PT_BINARY
  FILETIME time{};     // PT_SYSTIME
};
OneValue get_value(IMAPIProp* prop, ULONG tag, ULONG flags = 0);
// OpenProperty(tag, IID_IStream) as an IStream; null on failure, with the
// result in *result when given.
qv::com_ptr<IStream> open_property_stream(IMAPIProp* prop, ULONG tag, ULONG flags = 0,
                                          HRESULT* result = nullptr);
// The embedded message of an attachment (OpenProperty of PR_ATTACH_DATA_OBJ
// as IID_IMessage); null on failure.
qv::com_ptr<IMessage> open_embedded_message(IAttach* attachment, ULONG flags = 0);
// OpenProperty(tag, IID_IStream) and every byte of it.
HRESULT read_property_stream(IMAPIProp* prop, ULONG tag, std::string* bytes, ULONG flags = 0);
// Reads a stream to its end in chunks (it need not tell its size).
HRESULT read_chunks(IStream* stream, std::string* bytes, ULONG chunk = 51200);
// The tag of a named property by GetIDsFromNames.
ULONG named_tag(IMAPIProp* prop, const GUID& set, LONG lid, ULONG flags = 0,
                HRESULT* result = nullptr);

// Element i of a MAPI array that its header declares with one element but
// that holds more (aRow, aulPropTag), read through a pointer: the declared
// size is no bound, and a constant index past it draws a warning.
template <class T>
const T& element(const T* first, size_t i) {
  return first[i];
}

// UTF-16LE bytes (a stream's) as text.
std::wstring utf16(const std::string& bytes);

constexpr GUID kPsetidAppointment = {0x00062002, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPsetidCommon = {0x00062008, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

}  // namespace qvsim::mapi::test
