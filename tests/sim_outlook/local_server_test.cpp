// The simulated Outlook as a local server (outlook_sim_server.exe), in the
// Wine prefix of that mode: its registration, and its life as Outlook's.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <string>

#include "tests/sim_outlook/outlook_fixture.h"
#include "tests/support/process.h"
#include "tests/support/registry.h"

namespace qvsim::test {
namespace {

using nlohmann::json;
using qv::com_ptr;

constexpr wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{0006F03A-0000-0000-C000-000000000046}";

// The kinds of the objects that a report shows still held (across processes,
// COM's stubs hold references of their own).
std::set<std::string> kinds_held(const json& report) {
  std::set<std::string> kinds;
  for (const json& object : report["live_objects"]) {
    kinds.insert(object["kind"].get<std::string>());
  }
  return kinds;
}

class LocalServerTest : public OutlookSimTest {
 protected:
  void SetUp() override {
    OutlookSimTest::SetUp();
    ASSERT_TRUE(qv::test::local_server_mode()) << "runs with QV_SIM_MODE=local";
    qv::test::close_outlook();
    report_ = dir_.file(L"outlook-report.json");
    const std::wstring mailbox = dir_.file(L"mailbox.json");
    qv::test::write_text_file(mailbox, kTestMailbox);
    // A server that COM starts takes them over from the client that starts it.
    ::SetEnvironmentVariableW(qv::test::kMailboxVariable, mailbox.c_str());
    ::SetEnvironmentVariableW(qv::test::kOutlookReportVariable, report_.c_str());
  }
  void TearDown() override {
    qv::test::close_outlook();
    OutlookSimTest::TearDown();
  }

  // Runs the client program; the server that it starts keeps the
  // environment's description and report.
  qv::test::ProcessResult run_client(const wchar_t* scenario) {
    qv::test::ProcessOptions options;
    options.arguments = {scenario};
    return qv::test::run_process(qv::test::bin_path(L"sim_outlook_client.exe"), options);
  }

  // The report of the server, once it has ended by itself.
  json report_when_ended() {
    EXPECT_TRUE(qv::test::wait_until_outlook_ended(20000)) << "the server did not end";
    return qv::test::read_report(report_);
  }

  std::wstring report_;
};

TEST_F(LocalServerTest, OnlyTheLocalServerIsRegisteredWithTheTypeLibraryMarshaler) {
  EXPECT_TRUE(qv::test::registry_key_exists(HKEY_LOCAL_MACHINE,
                                            std::wstring(kClassKey) + L"\\LocalServer32"));
  EXPECT_FALSE(qv::test::registry_key_exists(HKEY_LOCAL_MACHINE,
                                             std::wstring(kClassKey) + L"\\InprocServer32"));
  wchar_t proxy[40] = {};
  DWORD size = sizeof(proxy);
  EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE,
                           L"Software\\Classes\\Interface\\{00063006-0000-0000-C000-000000000046}\\"
                           L"ProxyStubClsid32",
                           nullptr, RRF_RT_REG_SZ, nullptr, proxy, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(proxy, L"{00020424-0000-0000-C000-000000000046}");  // the type-library marshaler
  // Without the local server in the class context there is nothing to find.
  com_ptr<IUnknown> unknown;
  EXPECT_EQ(::CoCreateInstance(CLSID_OutlookApplication, nullptr,
                               CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IUnknown,
                               unknown.put_void()),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(qv::test::outlook_running());
}

TEST_F(LocalServerTest, TheFirstActivationStartsItAndOneInstanceServesTheLaterOnes) {
  EXPECT_FALSE(qv::test::outlook_running());
  com_ptr<_Application> first = connect();
  {
    com_ptr<_Application> second = connect();
    com_ptr<IUnknown> active;
    ASSERT_EQ(::GetActiveObject(CLSID_OutlookApplication, nullptr, active.put()), S_OK);
    EXPECT_EQ(count_of(top_folders(second.get()).get()), 2);
  }
  EXPECT_TRUE(qv::test::outlook_running());
  first.reset();
  // Its last external reference released, it ends while its client runs on.
  const json report = report_when_ended();
  EXPECT_EQ(report["started_by"], "com");
  EXPECT_EQ(report["ended_by"], "last_release");
  EXPECT_EQ(report["calls"]["Application.CreateInstance"], 2);
  EXPECT_EQ(report["live_objects"], json::array());
}

TEST_F(LocalServerTest, AClientThatEndsHoldingAnObjectEndsItAndTheReportListsTheObject) {
  EXPECT_EQ(run_client(L"vanish").exit_code, 0u);
  const json report = report_when_ended();
  EXPECT_EQ(report["ended_by"], "client_gone");
  EXPECT_EQ(kinds_held(report), (std::set<std::string>{"_Application", "MAPIFolder"}));
}

// Started as a user starts Outlook, by a program that then ends (a test that
// dies, say), it does not stay behind in the prefix.
TEST_F(LocalServerTest, StartedByAUserItEndsWithTheProcessThatStartedIt) {
  EXPECT_EQ(run_client(L"start").exit_code, 0u);
  const json report = report_when_ended();
  EXPECT_EQ(report["started_by"], "user");
  EXPECT_EQ(report["ended_by"], "client_gone");
  EXPECT_EQ(report["calls"]["Application.CreateInstance"], 1);
}

// The server keeps none of the standard handles of the client that started
// it: that client's output is read to its end while the server, which this
// test uses meanwhile, runs on.
TEST_F(LocalServerTest, ItKeepsNoneOfTheStandardHandlesOfTheClientThatStartedIt) {
  const HANDLE may_end = ::CreateEventW(nullptr, TRUE, FALSE, L"QvSimOutlookClientMayEnd");
  std::atomic<bool> client_ended{false};
  qv::test::ProcessResult client;
  std::thread starter([&] {
    client = run_client(L"wait");
    client_ended = true;
  });
  while (!qv::test::outlook_running() && !client_ended) {
    ::Sleep(10);
  }
  com_ptr<_Application> application = connect();
  com_ptr<_Folders> folders = top_folders(application.get());
  ::SetEvent(may_end);
  const ULONGLONG deadline = ::GetTickCount64() + 20000;
  while (!client_ended && ::GetTickCount64() < deadline) {
    count_of(folders.get());  // keeps the server busy
    ::Sleep(20);
  }
  EXPECT_TRUE(client_ended) << "the client's output did not end while the server ran";
  EXPECT_TRUE(qv::test::outlook_running());
  starter.join();
  ::CloseHandle(may_end);
  EXPECT_EQ(client.exit_code, 0u);
  EXPECT_EQ(client.standard_output, "connected\r\n");
}

TEST_F(LocalServerTest, ClosingOutlookEndsItForTheClientsThatHoldObjects) {
  com_ptr<_Application> application = connect();
  com_ptr<_Folders> folders = top_folders(application.get());
  qv::test::close_outlook();
  long count = 0;
  EXPECT_TRUE(FAILED(folders->get_Count(&count)));
  const json report = qv::test::read_report(report_);
  EXPECT_EQ(report["ended_by"], "closed");
  EXPECT_EQ(kinds_held(report), (std::set<std::string>{"_Application", "_Folders"}));
}

}  // namespace
}  // namespace qvsim::test
