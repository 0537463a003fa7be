// Measures the Extended MAPI operations against the simulated MAPI library:
// the logon (MapiLogon) to 1 profile of 1 store and to 10 profiles of 10
// stores each; field_text of all 86 fields of an item opened by its URL; and
// fields 0, 6, 47 and 51 of every .msg file of the shared corpus, in files
// per second.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/bench_support.h"
#include "errors/exceptions.h"
#include "items/field_table.h"
#include "items/message.h"
#include "mapi/logon.h"
#include "mapi/mapi.h"
#include "tests/support/mailbox_json.h"
#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace qv::bench {
namespace {

// The corpus file whose properties the opened item takes: an appointment,
// which has many named properties.
constexpr wchar_t kItemFile[] = L"A schedule.msg";
constexpr int kCorpusFields[] = {0, 6, 47, 51};

bool is_named(int field) { return field_table[field].tag == 0; }

void serve(const qv::test::TempDir& dir, const nlohmann::json& mailbox) {
  const std::wstring path = dir.file(L"mailbox.json");
  write_mailbox(path, mailbox);
  if (FAILED(qv::test::use_mapi_mailbox(path))) {
    throw std::runtime_error("the simulated MAPI refused a generated mailbox: " +
                             qv::test::mapi_report_now().value("mailbox_error", std::string()));
  }
  if (FAILED(qv::test::use_outlook_mailbox(path))) {
    throw std::runtime_error("the simulated Outlook refused a generated mailbox");
  }
}

// `profiles` profiles, each listing `stores` stores of its own.
nlohmann::json profiles_mailbox(int profiles, int stores) {
  qv::test::JsonList store_list;
  nlohmann::json profile_list = nlohmann::json::array();
  for (int p = 0; p < profiles; ++p) {
    nlohmann::json rows = nlohmann::json::array();
    for (int s = 0; s < stores; ++s) {
      const std::string id = format("s%d-%d", p, s);
      nlohmann::json store = qv::test::store("Store " + id, format("F%03X%04X", p, s));
      store["id"] = id;
      store_list.push_back(std::move(store));
      rows.push_back(id);
    }
    profile_list.push_back(
        {{"name", format("Profile %d", p)}, {"default", p == 0}, {"stores", rows}});
  }
  nlohmann::json mailbox = qv::test::mailbox_of(store_list);
  mailbox["profiles"] = std::move(profile_list);
  return mailbox;
}

void logon_bench(Report& report, const qv::test::TempDir& dir) {
  report.text(
      "## Logon\n\n"
      "`MapiLogon(mapi)`: the profile table, one session per profile, its message-store table "
      "and every store opened, then all released (median of 21 logons).\n\n"
      "| Profiles × stores | Median ms | µs per store |\n|---|---|---|\n");
  for (const auto& [profiles, stores] : {std::pair{1, 1}, {10, 10}}) {
    serve(dir, profiles_mailbox(profiles, stores));
    Mapi mapi;
    { MapiLogon logon(mapi); }
    if (profiles == 10) {
      const nlohmann::json counted = qv::test::mapi_report_now();
      const double tables = 1.0 + profiles;
      const std::string operation = "MapiLogon, 10 profiles × 10 stores";
      report.calls(operation + ", per table", "IMAPITable.QueryRows", 1,
                   calls_per(counted, "IMAPITable.QueryRows", tables));
      report.calls(operation + ", per table", "IMAPITable.SetColumns", 1,
                   calls_per(counted, "IMAPITable.SetColumns", tables));
      report.calls(operation + ", per profile", "MAPILogonEx", 1,
                   calls_per(counted, "MAPILogonEx", profiles));
      report.calls(operation + ", per profile", "IMAPISession.GetMsgStoresTable", 1,
                   calls_per(counted, "IMAPISession.GetMsgStoresTable", profiles));
      report.calls(operation + ", per store", "IMAPISession.OpenMsgStore", 1,
                   calls_per(counted, "IMAPISession.OpenMsgStore", profiles * stores));
    }
    const double seconds = median_seconds(21, [&] { MapiLogon logon(mapi); });
    report.text(format("| %d × %d | %.3f | %.1f |\n", profiles, stores, seconds * 1e3,
                       seconds * 1e6 / (profiles * stores)));
  }
  report.text("\n");
}

void field_bench(Report& report, const qv::test::TempDir& dir) {
  const std::wstring file = qv::test::corpus_dir() + L"\\" + kItemFile;
  nlohmann::json item = {{"id", "item"}, {"entry_id", "A0000001"}, {"msg_file", narrow(file)}};
  nlohmann::json inbox = qv::test::folder("Inbox", "F0000001");
  inbox["items"] = nlohmann::json::array({item});
  serve(dir, qv::test::mailbox_of({qv::test::store("Mailbox", "F0000000", {inbox})}));
  shared_mapi(true);
  const MapiMessage message(L"outlook:A0000001", false);
  int named = 0;
  for (int field = 0; field < kFieldCount; ++field) {
    named += is_named(field) ? 1 : 0;
  }
  qv::test::use_mapi_mailbox(dir.file(L"mailbox.json"));  // counts afresh
  for (int field = 0; field < kFieldCount; ++field) {
    message.field_text(field, L"");
  }
  const nlohmann::json counted = qv::test::mapi_report_now();
  report.calls("field_text, per named field", "IMAPIProp.GetIDsFromNames", 1,
               calls_per(counted, "IMAPIProp.GetIDsFromNames", named));
  std::vector<std::vector<double>> samples(kFieldCount);
  const double sweep = median_seconds(21, [&] {
    for (int field = 0; field < kFieldCount; ++field) {
      const double start = now_seconds();
      message.field_text(field, L"");
      samples[field].push_back(now_seconds() - start);
    }
  });
  std::vector<double> per_field;
  for (const std::vector<double>& field_samples : samples) {
    per_field.push_back(median(field_samples));
  }
  report.text(format(
      "## Fields of an opened item\n\n"
      "`field_text(f, \"\")` for f = 0 to 85 on an item of a store opened by its URL, whose "
      "properties are those of the corpus file `%s` (%d of the 86 fields are named "
      "properties). Median of 21 sweeps: **%.3f ms per sweep, %.1f µs per field**; the slowest "
      "fields (median of their 21 reads):\n\n| Field | µs |\n|---|---|\n",
      narrow(kItemFile).c_str(), named, sweep * 1e3, sweep * 1e6 / kFieldCount));
  std::vector<int> order(kFieldCount);
  for (int field = 0; field < kFieldCount; ++field) {
    order[field] = field;
  }
  std::sort(order.begin(), order.end(), [&](int a, int b) { return per_field[a] > per_field[b]; });
  for (int i = 0; i < 5; ++i) {
    report.text(format("| %d | %.1f |\n", order[i], per_field[order[i]] * 1e6));
  }
  report.text("\n");
}

void corpus_bench(Report& report, const qv::test::TempDir& dir) {
  std::vector<std::wstring> files;
  for (const std::wstring& name : qv::test::corpus_message_names()) {
    files.push_back(qv::test::corpus_dir() + L"\\" + name + L".msg");
  }
  if (files.empty()) {
    report.text("## Corpus\n\nThe corpus ../shared/corpus is absent: not measured.\n\n");
    return;
  }
  const auto pass = [&] {
    for (const std::wstring& file : files) {
      const MapiMessage message(file.c_str(), false);
      for (const int field : kCorpusFields) {
        message.field_text(field, L"");
      }
    }
  };
  pass();
  qv::test::use_mapi_mailbox(dir.file(L"mailbox.json"));  // counts afresh
  pass();
  const nlohmann::json counted = qv::test::mapi_report_now();
  int named = 0;
  for (const int field : kCorpusFields) {
    named += is_named(field) ? 1 : 0;
  }
  const double count = static_cast<double>(files.size());
  report.calls("corpus .msg, per file", "OpenIMsgOnIStg", 1,
               calls_per(counted, "OpenIMsgOnIStg", count));
  report.calls("corpus .msg, per file (fields 0, 6, 47, 51)", "IMAPIProp.GetIDsFromNames", named,
               calls_per(counted, "IMAPIProp.GetIDsFromNames", count));
  const double seconds = median_seconds(9, pass);
  report.text(format(
      "## Corpus\n\n"
      "Every `.msg` file of `../shared/corpus` (%d files) opened as `MapiMessage(path, false)` "
      "and fields 0, 6, 47 and 51 read as text (median of 9 passes): **%.3f s per pass, "
      "%.0f files per second**, %.2f ms per file. The files that take longest, opening and "
      "reading apart (medians of 9); *of which the compound file* is the product's "
      "`CompoundStorage::open` alone (Wine's `StgOpenStorage`), the rest of the opening being "
      "the simulated MAPI's `OpenIMsgOnIStg` and the attachment rows:\n\n"
      "| File | KiB | open ms | of which the compound file, ms | fields 0, 6, 47, 51 ms |\n"
      "|---|---|---|---|---|\n",
      static_cast<int>(files.size()), seconds, count / seconds, seconds * 1e3 / count));
  struct FileTimes {
    std::wstring file;
    double open_ms;
    double storage_ms;
    double fields_ms;
  };
  std::vector<FileTimes> times;
  for (const std::wstring& file : files) {
    std::vector<double> open;
    std::vector<double> storage;
    std::vector<double> fields;
    for (int run = 0; run < 9; ++run) {
      const double storage_start = now_seconds();
      CompoundStorage compound;
      compound.open(file.c_str(), StorageMode::read);
      compound.reset();
      storage.push_back((now_seconds() - storage_start) * 1e3);
      const double start = now_seconds();
      const MapiMessage message(file.c_str(), false);
      const double opened = now_seconds();
      for (const int field : kCorpusFields) {
        message.field_text(field, L"");
      }
      open.push_back((opened - start) * 1e3);
      fields.push_back((now_seconds() - opened) * 1e3);
    }
    times.push_back({file, median(open), median(storage), median(fields)});
  }
  std::sort(times.begin(), times.end(), [](const FileTimes& a, const FileTimes& b) {
    return a.open_ms + a.fields_ms > b.open_ms + b.fields_ms;
  });
  for (size_t i = 0; i < times.size() && i < 5; ++i) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(times[i].file.c_str(), GetFileExInfoStandard, &data);
    const std::wstring name = times[i].file.substr(times[i].file.rfind(L'\\') + 1);
    report.text(format("| %s | %lu | %.2f | %.2f | %.2f |\n", narrow(name).c_str(),
                       static_cast<unsigned long>(data.nFileSizeLow / 1024), times[i].open_ms,
                       times[i].storage_ms, times[i].fields_ms));
  }
  report.text("\n");
}

}  // namespace
}  // namespace qv::bench

int wmain(int argc, wchar_t** argv) {
  using namespace qv::bench;
  return run_benchmark(argc, argv, "mapi", [](Report& report, const qv::test::TempDir& dir) {
    logon_bench(report, dir);
    field_bench(report, dir);
    qv::shared_mapi(true);
    corpus_bench(report, dir);
    qv::shared_mapi(true);
  });
}
