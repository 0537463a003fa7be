// The driver's fault matrix: qv_driver.exe runs once against the matrix
// mailbox to learn every call it makes of the simulated Outlook and MAPI,
// then once per call with that call failing. Each run must print what the
// product documents for that failure, byte for byte, end with its exit code
// in time, leave nothing referenced, allocated or initialised, and leave the
// read-only .msg file of the mailbox as it was.
#include <mapicode.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "tests/e2e/driver_run.h"
#include "tests/faults/fault_matrix.h"
#include "tests/faults/matrix_mailbox.h"
#include "tests/support/mailbox_json.h"

namespace qv::test {
namespace {

using nlohmann::json;

// What the driver prints, as the mailbox and one failure make it.
struct Expected {
  std::set<std::size_t> unread_selection;  // positions whose EntryID does not read
  std::optional<std::size_t> unread_path;  // folder, in walk order, whose path does not read
  enum class End { kComplete, kLibraryFailure, kComFailure } end = End::kComplete;
  int phase = 0;                     // of a library failure: 1 selection, 2 Mapi, 3 folders, 4 item
  std::wstring message;              // of the failure line
  std::optional<std::string> title;  // instead of the first item's subject
  std::string com_error;             // the diagnostic's text after "unexpected exception: "
};

// The message of an item that no session opens.
std::wstring not_found_text(const std::string& what) {
  return L"Outlook object [" + wide(what) + L"] not found";
}

// Folder paths as lstrcmpiW orders them; the first folder of a path keeps it.
struct FolderOrder {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return ::lstrcmpiW(a.c_str(), b.c_str()) < 0;
  }
};

class DriverFaultMatrix : public DriverTest {
 protected:
  void SetUp() override {
    msg_path_ = dir_.file(L"memo.msg");
    json memo = item_with_every_field("A004", kMemoSubject);
    memo["attachment_count"] = 2;
    write_msg_file(memo, msg_path_);
    msg_bytes_ = read_text_file(msg_path_);
    mailbox_ = fault_matrix_mailbox(msg_path_);
    learn_mailbox();
    timeout_ms_ = 30000;
  }

  // The selection's URLs, the folders in walk order and the items' subjects,
  // as the description gives them.
  void learn_mailbox() {
    std::map<std::string, json> items;
    const std::function<void(const json&, const std::string&)> walk = [&](const json& folder,
                                                                          const std::string& path) {
      folder_paths_.push_back(wide(path));
      for (const json& item : folder.value("items", json::array())) {
        items[item.value("id", "")] = item;
        if (item.contains("subject")) {
          titles_["outlook:" + item["entry_id"].get<std::string>()] = item["subject"];
        }
      }
      for (const json& sub : folder.value("folders", json::array())) {
        walk(sub, path + "\\" + sub["name"].get<std::string>());
      }
    };
    for (const json& store : mailbox_["stores"]) {
      walk(store["top_folder"],
           "\\\\" + store["top_folder"].value("name", store["display_name"].get<std::string>()));
    }
    for (const json& id : mailbox_["explorer"]["selection"]) {
      const json& item = items.at(id.get<std::string>());
      const json entry_id = item.value("by_name", json::object()).value("EntryID", json::object());
      if (entry_id.contains("error")) {
        selection_.push_back(std::nullopt);
      } else {
        selection_.push_back("outlook:" +
                             entry_id.value("value", item["entry_id"].get<std::string>()));
      }
    }
    titles_[kMemoPathUrl] = kMemoSubject;
    const std::string memo_path = std::string(kMemoPathUrl).substr(8);
    memo_folder_ = wide(memo_path.substr(0, memo_path.rfind('\\')));
  }

  std::vector<std::string> urls(const Expected& expected) const {
    std::vector<std::string> result;
    for (std::size_t position = 0; position < selection_.size(); ++position) {
      if (selection_[position] && expected.unread_selection.count(position) == 0) {
        result.push_back(*selection_[position]);
      }
    }
    return result;
  }

  // Standard output, standard error and exit code.
  DriverRun render(const Expected& expected) const {
    DriverRun run;
    std::wstring out;
    const auto fail = [&](const wchar_t* format) {
      out += format + expected.message + L"\n";
      run.exit_code = 1;
    };
    const auto ends_in = [&](int phase) {
      return expected.end == Expected::End::kLibraryFailure && expected.phase == phase;
    };
    const std::vector<std::string> url_list = urls(expected);
    if (ends_in(1)) {
      fail(L"Retrieving Clipboard Url(s): ");
    } else if (!(expected.end == Expected::End::kComFailure && expected.phase == 1)) {
      out += L"EntryID values on clipboard:\n";
      for (const std::string& url : url_list) {
        out += wide("EntryID=" + url + "\n");
      }
      out += L"\nCreating Mapi class, then listing Outlook folders\n";
      if (ends_in(2)) {
        fail(L"Exception creating Mapi class: ");
      } else if (ends_in(3)) {
        fail(L"Exception interating over Outlook folders: ");
      } else if (expected.phase != 3) {
        std::set<std::wstring, FolderOrder> map;
        for (std::size_t i = 0; i < folder_paths_.size(); ++i) {
          map.insert(expected.unread_path == i ? std::wstring() : folder_paths_[i]);
        }
        for (const std::wstring& path : map) {
          out += L"  " + path + L"\n";
        }
        if (ends_in(4)) {
          fail(L"Exception accessing MAPI object: ");
        } else if (expected.end == Expected::End::kComplete) {
          const std::string title = expected.title ? *expected.title : titles_.at(url_list.front());
          out += wide("\nFirst selected object title = " + title + "\n");
        }
      }
    }
    run.output = windows_lines(ascii(out));
    if (expected.end == Expected::End::kComFailure) {
      run.error = windows_lines("qv_driver: unexpected exception: " + expected.com_error + "\n");
      run.exit_code = 2;
    }
    return run;
  }

  // The failure of an Outlook call (position in the learning run's trace).
  Expected outlook_failure(const json& trace, const FaultPoint& point) const {
    const auto count_before = [&](const char* call, std::size_t from, std::size_t to) {
      std::size_t count = 0;
      for (std::size_t i = from; i < to; ++i) {
        count += trace[i] == call ? 1 : 0;
      }
      return count;
    };
    // Each operation connects anew: the selection, the folder phase, then in
    // the item phase the path's folders and the search of the folder's items.
    // In process each connection begins at DllGetClassObject; the local
    // server, which runs already, begins with CreateInstance.
    const char* connects = local_server_mode() ? "Application.CreateInstance" : "DllGetClassObject";
    std::size_t connection = 0;
    std::size_t connection_start = 0;
    for (std::size_t i = 0; i <= point.position; ++i) {
      if (trace[i] == connects) {
        ++connection;
        connection_start = i;
      }
    }
    const int phase = connection == 1 ? 1 : connection == 2 ? 3 : 4;
    Expected expected;
    const auto library_failure = [&](HRESULT hr) {
      expected.end = Expected::End::kLibraryFailure;
      expected.phase = phase;
      expected.message = system_error_text(hr);
    };
    const auto item_not_found = [&] {
      expected.end = Expected::End::kLibraryFailure;
      expected.phase = 4;
      expected.message = not_found_text(kMemoPathUrl);
    };
    const std::string call = point.call;
    const bool by_name = call.find(".GetIDsOfNames") != std::string::npos ||
                         call.find(".Invoke(") != std::string::npos;
    if (call == "DllGetClassObject") {
      library_failure(REGDB_E_CLASSNOTREG);  // as COM reports it
    } else if (point.hr == RPC_E_SERVERCALL_RETRYLATER || point.hr == RPC_E_CALL_REJECTED) {
      // Busy once: the call is made again and the run goes on as without it.
    } else if (call == "Application.CreateInstance" || call == "_Application.QueryInterface" ||
               call == "IUnknown.QueryInterface") {
      library_failure(point.hr);
    } else if (call == "IRunnableObject.QueryInterface") {
      // OleRun of an object that cannot be run succeeds.
    } else if (by_name) {
      // A read by name that fails is no failure: what it reads counts as
      // missing.
      const std::size_t read_at =
          call.find(".Invoke(") != std::string::npos ? point.position : point.position + 1;
      const std::string read = trace[read_at];
      if (connection == 1 && read == "Item.Invoke(EntryID)") {
        expected.unread_selection.insert(count_before("Selection.Item", 0, read_at) - 1);
      } else if (read == "MAPIFolder.Invoke(FolderPath)" && (connection == 2 || connection == 3)) {
        const std::size_t folder =
            count_before("MAPIFolder.Invoke(FolderPath)", connection_start, read_at);
        if (connection == 2) {
          expected.unread_path = folder;
        } else if (folder_paths_.at(folder) == memo_folder_) {
          item_not_found();  // the path's folder is not in the map
        }
      } else if (connection == 4 && read == "Item.Invoke(Subject)") {
        if (count_before("Item.Invoke(Subject)", read_at + 1, trace.size()) == 0) {
          item_not_found();  // the item's own subject
        }
      } else if (connection == 4 && read == "Item.Invoke(EntryID)") {
        item_not_found();
      } else {
        throw std::logic_error("no rule for " + point.name());
      }
    } else {
      expected.end = Expected::End::kComFailure;
      expected.phase = phase;
      expected.com_error = "_com_error " + point.rule().at("hr").get<std::string>() +
                           (point.error_info ? ": " + point.description : std::string());
    }
    return expected;
  }

  // The failure of a MAPI call: initialising MAPI for the folder phase, or
  // opening the first item and reading its subject.
  Expected mapi_failure(const json& trace, const FaultPoint& point) const {
    Expected expected;
    if (point.call == "MAPIInitialize" && point.nth == 1) {
      expected.end = Expected::End::kLibraryFailure;
      expected.phase = 2;
      expected.message = system_error_text(point.hr);
      return expected;
    }
    const std::wstring not_found = not_found_text(kMemoPathUrl);
    const OpenOutcome outcome =
        open_outcome(trace, point.position, point.hr, {not_found, not_found});
    if (outcome.kind == OpenOutcome::Kind::kFails) {
      expected.end = Expected::End::kLibraryFailure;
      expected.phase = 4;
      expected.message = outcome.message;
    } else if (outcome.kind == OpenOutcome::Kind::kFieldRead && point.call == "IStream.Read") {
      expected.title = "";  // a stream that fails to read gives the default text
    }
    return expected;
  }

  // Runs the driver with the fault and counts the run: as expected or not.
  void run_point(const FaultPoint& point, const Expected& expected, MatrixTally& tally) {
    json mailbox = mailbox_;
    mailbox["faults"] = json::array({point.rule()});
    const std::wstring path = dir_.file(L"faulted.json");
    write_mailbox_file(path, mailbox);
    const DriverRun run = start_driver(path);
    const DriverRun wanted = render(expected);
    std::vector<std::string> problems;
    if (run.timed_out) {
      problems.push_back("did not end in time");
    }
    if (run.exit_code != wanted.exit_code) {
      problems.push_back("exit code " + std::to_string(run.exit_code) + ", expected " +
                         std::to_string(wanted.exit_code));
    }
    if (run.output != wanted.output) {
      problems.push_back("printed\n" + run.output + "expected\n" + wanted.output);
    }
    if (run.error != wanted.error) {
      problems.push_back("standard error\n" + run.error + "expected\n" + wanted.error);
    }
    if (read_text_file(msg_path_) != msg_bytes_) {
      problems.push_back("the .msg file changed");
    }
    tally.add(point, problems, report_problems(run));
  }

  std::wstring msg_path_;
  std::string msg_bytes_;
  json mailbox_;
  std::vector<std::optional<std::string>> selection_;  // nullopt: EntryID unreadable
  std::vector<std::wstring> folder_paths_;             // in walk order
  std::map<std::string, std::string> titles_;          // by URL
  std::wstring memo_folder_;
};

TEST_F(DriverFaultMatrix, EveryCallFailsOnce) {
  environment_[L"QV_SIM_TRACE"] = L"1";
  const DriverRun learned = run_driver(mailbox_);
  environment_.erase(L"QV_SIM_TRACE");
  const DriverRun baseline = render(Expected());
  ASSERT_EQ(learned.output, baseline.output);
  ASSERT_EQ(learned.error, "");
  ASSERT_EQ(learned.exit_code, 0u);
  const json& outlook_trace = learned.outlook_report.at("trace");
  const json& mapi_trace = learned.mapi_report.at("trace");
  MatrixTally tally;
  // With Outlook as a local server only Outlook's calls, the first of each
  // call point: MAPI runs in the driver's process in both modes, and the
  // in-process matrix fails the later calls too.
  for (const bool outlook : {true, false}) {
    if (!outlook && local_server_mode()) {
      continue;
    }
    const json& trace = outlook ? outlook_trace : mapi_trace;
    for (FaultPoint point : fault_points(trace, outlook)) {
      if (outlook && local_server_mode() && !full_matrix() && point.nth != 1) {
        continue;
      }
      if (outlook && local_server_mode()) {
        // Across processes the object is also asked for interfaces by COM's
        // marshaling, amid the library's own questions, which the matrix in
        // process fails; and Wine does not carry the error object back
        // (docs/simulator.md).
        if (point.call.find(".QueryInterface") != std::string::npos) {
          continue;
        }
        point.error_info = false;
        point.description.clear();
      }
      run_point(point, outlook ? outlook_failure(trace, point) : mapi_failure(trace, point), tally);
    }
  }
  tally.report("Driver fault matrix");
}

}  // namespace
}  // namespace qv::test
