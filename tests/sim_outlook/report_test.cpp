// The accounting of the simulated Outlook: live objects and references in its
// report, on demand and at process exit, and collections that change while a
// client walks them.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/sim_outlook/outlook_fixture.h"
#include "tests/support/process.h"

namespace qvsim::test {
namespace {

using nlohmann::json;
using qv::com_ptr;

using OutlookReportTest = OutlookSimTest;
using OutlookLiveCollectionTest = OutlookSimTest;

// Runs the client program against a mailbox; gives its exit report.
json run_client(const wchar_t* scenario, const std::wstring& mailbox, qv::test::TempDir& dir,
                std::string* output = nullptr) {
  const std::wstring report_path = dir.file(L"exit-report.json");
  qv::test::ProcessOptions options;
  options.arguments = {scenario};
  options.environment[qv::test::kMailboxVariable] = mailbox;
  options.environment[qv::test::kOutlookReportVariable] = report_path;
  const qv::test::ProcessResult result =
      qv::test::run_process(qv::test::bin_path(L"sim_outlook_client.exe"), options);
  EXPECT_EQ(result.exit_code, 0u) << result.standard_error;
  if (output != nullptr) {
    *output = result.standard_output;
  }
  return qv::test::read_report(report_path);
}

TEST_F(OutlookReportTest, TheReportListsObjectsStillReferenced) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<MAPIFolder> folder = top_folder(application.get(), 1);
  folder->AddRef();  // a second reference, as a client that forgot one would hold
  json report = qv::test::outlook_report_now();
  EXPECT_EQ(report["component"], "outlook");
  json kinds = json::object();
  for (const json& object : report["live_objects"]) {
    kinds[object["kind"].get<std::string>()] = object["references"];
  }
  EXPECT_EQ(kinds, (json{{"_Application", 1}, {"MAPIFolder", 2}}));
  EXPECT_EQ(report["unreleased_references"], 3);

  folder->Release();
  folder.reset();
  application.reset();
  report = qv::test::outlook_report_now();
  EXPECT_EQ(report["live_objects"], json::array());
  EXPECT_EQ(report["unreleased_references"], 0);
  EXPECT_EQ(report["objects_created"], report["objects_destroyed"]);
}

TEST_F(OutlookReportTest, AtExitTheReportOfAClientThatReleasedEverything) {
  std::string output;
  const json report = run_client(L"walk", qv::test::sample_mailbox_path(), dir_, &output);
  EXPECT_EQ(report["live_objects"], json::array());
  EXPECT_EQ(report["unreleased_references"], 0);
  const json& calls = report["calls"];
  EXPECT_EQ(calls["Application.CreateInstance"], 1);
  EXPECT_EQ(calls["_Application.GetNamespace"], 1);
  // The sample has 20 folders; each _Folders collection is counted once more
  // than it has folders (the Count that ends its walk).
  EXPECT_EQ(calls["MAPIFolder.Invoke(FolderPath)"], 20);
  EXPECT_EQ(calls["MAPIFolder.EntryID"], 20);
  EXPECT_EQ(calls["_Folders.Item"], 20);
  EXPECT_EQ(calls["_Folders.Count"], 20 + 21);
  // The folders in walk order, each printed once (text mode ends lines in CR LF).
  EXPECT_EQ(output.rfind("\\\\Mailbox - Alice Martin\r\n\\\\Mailbox - Alice Martin\\Inbox\r\n", 0),
            0u);
  EXPECT_NE(output.find("\\\\Archive 2023\\Old Projects\\Client Correspondence\r\n"),
            std::string::npos);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 20);
}

TEST_F(OutlookReportTest, AtExitTheReportShowsAReferenceNeverReleased) {
  const json report = run_client(L"leak", qv::test::sample_mailbox_path(), dir_);
  ASSERT_EQ(report["live_objects"].size(), 1u);
  EXPECT_EQ(report["live_objects"][0]["kind"], "MAPIFolder");
  EXPECT_EQ(report["live_objects"][0]["references"], 1);
  EXPECT_EQ(report["unreleased_references"], 1);
}

TEST_F(OutlookLiveCollectionTest, AFolderAddedDuringAWalkIsSeenByTheNextCount) {
  ASSERT_EQ(
      use_test_mailbox_with(
          {{"events",
            json::array({{{"after", "_Folders.Count"},
                          {"nth", 2},
                          {"add_folder", {{"to", "top1"}, {"folder", {{"name", "Late"}}}}}}})}}),
      S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<MAPIFolder> top = top_folder(application.get(), 1);  // no Count on the way
  com_ptr<_Folders> folders;
  ASSERT_EQ(top->get_Folders(folders.put()), S_OK);
  EXPECT_EQ(count_of(folders.get()), 2);
  EXPECT_EQ(count_of(folders.get()), 2);  // the event applies after this call
  EXPECT_EQ(count_of(folders.get()), 3);
  com_ptr<MAPIFolder> late;
  ASSERT_EQ(folders->Item(position(3), late.put()), S_OK);
  EXPECT_EQ(text_by_name(late.get(), L"FolderPath"), L"\\\\Mailbox - Test\\Late");
  // Store 1's sequence continues after the Calendar's item (10).
  EXPECT_EQ(entry_id_of(late.get()), store1_entry_id(L"62010000"));
  EXPECT_EQ(qv::test::outlook_report_now()["events_applied"], 1);
}

TEST_F(OutlookLiveCollectionTest, AnItemAddedThroughTheTestHookIsSeenByTheNextCount) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<MAPIFolder> calendar = subfolder(top_folder(application.get(), 1).get(), 2);
  com_ptr<_Items> items;
  ASSERT_EQ(calendar->get_Items(items.put()), S_OK);
  EXPECT_EQ(count_of(items.get()), 1);
  EXPECT_EQ(qv::test::apply_outlook_change(
                {{"add_item", {{"to", "cal"}, {"item", {{"subject", "Added"}}}}}}),
            S_OK);
  EXPECT_EQ(count_of(items.get()), 2);
  com_ptr<IDispatch> added;
  ASSERT_EQ(items->Item(position(2), added.put()), S_OK);
  EXPECT_EQ(text_by_name(added.get(), L"Subject"), L"Added");
  EXPECT_EQ(text_by_name(added.get(), L"MessageClass"), L"IPM.Appointment");
  EXPECT_EQ(
      qv::test::apply_outlook_change({{"add_item", {{"to", "nowhere"}, {"item", json::object()}}}}),
      E_INVALIDARG);
  EXPECT_EQ(qv::test::outlook_report_now()["change_errors"].size(), 1u);
}

}  // namespace
}  // namespace qvsim::test
