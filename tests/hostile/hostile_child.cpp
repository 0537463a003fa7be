// Reads one .msg file, perhaps damaged, twice: with the simulated MAPI's own
// readers directly (the .msg reader, then the compressed-RTF decompressor on
// the RTF body it found), and through the product (MapiMessage, then every
// field as text). Prints one line of JSON:
//   {"storage": HRESULT of StgOpenStorage, "read_msg": HRESULT, "rtf": HRESULT
//    or absent, "reader_exception": bool, "opened": bool, "error": "" |
//    "win32_error" | "truntime_error" | "outside the error model", "code":
//    HRESULT of a win32_error, "fields": hash of the 86 texts, "live_objects",
//    "allocations_outstanding", "exceptions_caught" of the simulated MAPI,
//    "peak_memory_mb" of the process}
// Standard error traces each step and each storage call, so that a parent
// that kills the child after its time limit can tell where it stopped.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "errors/exceptions.h"
#include "items/field_table.h"
#include "items/message.h"
#include "mapi/mapi.h"
#include "errors/com_holders.h"
#include "sim/mapi/message/msg_file.h"
#include "sim/mapi/message/rtf_codec.h"
#include "tests/hostile/traced_storage.h"
#include "tests/support/sim_support.h"

namespace {

using qv::test::trace_line;

constexpr ULONG kRtfCompressed = 0x10090102;

// FNV-1a over the texts, each followed by a separator.
std::uint64_t hash_texts(const std::wstring& text, std::uint64_t hash) {
  for (const wchar_t c : text) {
    hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
  }
  return (hash ^ 0xFFFF) * 1099511628211ull;
}

// The simulated MAPI's readers, directly on the file.
void read_with_simulator(const wchar_t* path, nlohmann::json& result) {
  qv::com_ptr<IStorage> storage;
  trace_line("step StgOpenStorage");
  const HRESULT opened =
      ::StgOpenStorage(path, nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, storage.put());
  result["storage"] = opened;
  if (FAILED(opened)) {
    return;
  }
  try {
    const auto traced = qv::com_ptr<IStorage>::attach(qv::test::traced_storage(storage.get()));
    std::shared_ptr<qvsim::mapi::MessageData> message;
    trace_line("step read_msg");
    const HRESULT read = qvsim::mapi::read_msg(traced.get(), &message);
    result["read_msg"] = read;
    if (SUCCEEDED(read) && message) {
      if (const qvsim::mapi::PropertyValue* rtf = message->properties.find(kRtfCompressed)) {
        trace_line("step decompress_rtf");
        result["rtf"] = qvsim::mapi::decompress_rtf(rtf->bytes()).result;
      }
    }
  } catch (...) {
    result["reader_exception"] = true;
  }
}

// The product: the message object and every field.
void read_with_product(const wchar_t* path, nlohmann::json& result) {
  result["opened"] = false;
  result["error"] = "";
  try {
    trace_line("step MapiMessage");
    const qv::MapiMessage message(path, false);
    result["opened"] = true;
    std::uint64_t hash = 14695981039346656037ull;
    for (int field = 0; field < qv::kFieldCount; ++field) {
      trace_line("step field %d", field);
      hash = hash_texts(message.field_text(field,
                                           L"\x1F"
                                           L"default"),
                        hash);
    }
    result["fields"] = hash;
  } catch (const qv::win32_error& e) {
    result["error"] = "win32_error";
    result["code"] = e.code();
  } catch (const qv::truntime_error&) {
    result["error"] = "truntime_error";
  } catch (...) {
    result["error"] = "outside the error model";
  }
  trace_line("step release");
  qv::shared_mapi(true);
  const nlohmann::json report = qv::test::mapi_report_now();
  result["live_objects"] = report["live_objects"].size();
  result["allocations_outstanding"] = report["mapi_allocations_outstanding"];
  result["exceptions_caught"] = report["exceptions_caught"];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qv_hostile_child FILE.msg\n");
    return 64;
  }
  ::CoInitialize(nullptr);
  nlohmann::json result = {{"reader_exception", false}};
  read_with_simulator(argv[1], result);
  read_with_product(argv[1], result);
  PROCESS_MEMORY_COUNTERS memory{};
  if (::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory))) {
    result["peak_memory_mb"] = memory.PeakPagefileUsage >> 20;
  }
  std::printf("%s\n", result.dump().c_str());
  std::fflush(stdout);
  ::CoUninitialize();
  return 0;
}
