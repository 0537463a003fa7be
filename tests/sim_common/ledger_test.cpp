#include "sim/common/ledger.h"

#include <gtest/gtest.h>

#include "sim/common/com_object.h"

namespace qvsim {
namespace {

class LedgerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ledger_.clear_faults();
    ledger_.reset_counts();
  }
  Ledger& ledger_ = Ledger::instance();
};

TEST_F(LedgerTest, CountsCallsPerCallPoint) {
  EXPECT_FALSE(ledger_.enter("Selection.Item").failed());
  EXPECT_FALSE(ledger_.enter("Selection.Item").failed());
  EXPECT_FALSE(ledger_.enter("Selection.Count").failed());
  EXPECT_EQ(ledger_.call_count("Selection.Item"), 2u);
  EXPECT_EQ(ledger_.call_count("Selection.Count"), 1u);
  EXPECT_EQ(ledger_.call_count("never.called"), 0u);
  EXPECT_EQ(ledger_.report()["calls"]["Selection.Item"], 2);
}

TEST_F(LedgerTest, TracesTheCallsInOrderWhileQvSimTraceIsSet) {
  ledger_.enter("Selection.Count");
  EXPECT_FALSE(ledger_.report().contains("trace"));
  ::SetEnvironmentVariableW(L"QV_SIM_TRACE", L"1");
  ledger_.reset_counts();
  ::SetEnvironmentVariableW(L"QV_SIM_TRACE", nullptr);
  ledger_.set_faults(nlohmann::json::parse(R"([{"call": "Selection.Item", "nth": 1}])"));
  ledger_.enter("Selection.Item");  // failing calls count too
  ledger_.enter("Selection.Count");
  ledger_.enter("Selection.Item");
  EXPECT_EQ(ledger_.report()["trace"],
            nlohmann::json::parse(R"(["Selection.Item", "Selection.Count", "Selection.Item"])"));
  ledger_.reset_counts();  // the variable is no longer set
  ledger_.enter("Selection.Count");
  EXPECT_FALSE(ledger_.report().contains("trace"));
}

TEST_F(LedgerTest, FailsOnlyTheNthCallOrEveryCall) {
  ledger_.set_faults(nlohmann::json::parse(R"([
    {"call": "_Folders.Item", "nth": 2, "hr": "0x80020009"},
    {"call": "MAPILogonEx", "hr": "MAPI_E_LOGON_FAILED", "only_for": "Home"}
  ])"));
  EXPECT_EQ(ledger_.enter("_Folders.Item").hr, S_OK);
  EXPECT_EQ(ledger_.enter("_Folders.Item").hr, static_cast<HRESULT>(0x80020009));
  EXPECT_EQ(ledger_.enter("_Folders.Item").hr, S_OK);
  EXPECT_EQ(ledger_.enter("MAPILogonEx", "Work").hr, S_OK);
  EXPECT_EQ(ledger_.enter("MAPILogonEx", "Home").hr, static_cast<HRESULT>(0x80040111));
  EXPECT_EQ(ledger_.enter("MAPILogonEx", "Home").hr, static_cast<HRESULT>(0x80040111));
}

TEST_F(LedgerTest, FailsCountCallsInARowFromTheNth) {
  ledger_.set_faults(nlohmann::json::parse(R"([
    {"call": "Selection.Item", "nth": 2, "count": 3, "hr": "RPC_E_CALL_REJECTED"},
    {"call": "Selection.Count", "count": 2, "hr": "RPC_E_SERVERCALL_RETRYLATER"}
  ])"));
  const HRESULT item[] = {S_OK, RPC_E_CALL_REJECTED, RPC_E_CALL_REJECTED, RPC_E_CALL_REJECTED,
                          S_OK};
  for (const HRESULT expected : item) {
    EXPECT_EQ(ledger_.enter("Selection.Item").hr, expected);
  }
  const HRESULT count[] = {RPC_E_SERVERCALL_RETRYLATER, RPC_E_SERVERCALL_RETRYLATER, S_OK};
  for (const HRESULT expected : count) {
    EXPECT_EQ(ledger_.enter("Selection.Count").hr, expected);
  }
}

TEST_F(LedgerTest, QualifiedEntryMatchesPlainAndQualifiedRules) {
  ledger_.set_faults(nlohmann::json::parse(R"([
    {"call": "MAPILogonEx", "hr": "MAPI_E_LOGON_FAILED", "only_for": "Home"},
    {"call": "MAPILogonEx", "nth": 3, "hr": "MAPI_E_NETWORK_ERROR"}
  ])"));
  EXPECT_EQ(ledger_.enter_for("MAPILogonEx", "Work").hr, S_OK);
  EXPECT_EQ(ledger_.enter_for("MAPILogonEx", "Home").hr, static_cast<HRESULT>(0x80040111));
  EXPECT_EQ(ledger_.enter_for("MAPILogonEx", "Archive").hr, static_cast<HRESULT>(0x80040115));
  EXPECT_EQ(ledger_.call_count("MAPILogonEx"), 3u);
}

TEST_F(LedgerTest, RichFaultSetsTheThreadsErrorObject) {
  ledger_.set_faults(nlohmann::json::parse(
      R"([{"call": "Selection.Item", "hr": "E_FAIL", "error_info": true, "description": "Die Auswahl ist leer"}])"));
  const CallOutcome outcome = ledger_.enter("Selection.Item");
  EXPECT_EQ(outcome.hr, E_FAIL);
  EXPECT_TRUE(outcome.error_info);
  IErrorInfo* info = nullptr;
  ASSERT_EQ(::GetErrorInfo(0, &info), S_OK);
  BSTR description = nullptr;
  info->GetDescription(&description);
  EXPECT_STREQ(description, L"Die Auswahl ist leer");
  ::SysFreeString(description);
  info->Release();
}

TEST_F(LedgerTest, ParsesHresultsByNameAndNumber) {
  EXPECT_EQ(parse_hresult(nlohmann::json("MAPI_E_NOT_FOUND")), static_cast<HRESULT>(0x8004010F));
  EXPECT_EQ(parse_hresult(nlohmann::json("0x80004005")), E_FAIL);
  EXPECT_EQ(parse_hresult(nlohmann::json(-2147467259)), E_FAIL);
  EXPECT_THROW(parse_hresult(nlohmann::json("E_NO_SUCH_THING")), std::invalid_argument);
}

class Dummy : public TrackedObject {
 public:
  Dummy() : TrackedObject("Dummy") {}
};

TEST_F(LedgerTest, ReportsObjectsThatAreStillReferenced) {
  const size_t before = ledger_.live_objects();
  auto* kept = new Dummy();
  auto* released = new Dummy();
  kept->add_reference();
  released->add_reference();
  released->release_reference();
  released->release_reference();  // destroyed
  const nlohmann::json report = ledger_.report();
  EXPECT_EQ(ledger_.live_objects(), before + 1);
  EXPECT_EQ(report["unreleased_references"], 2);
  EXPECT_EQ(report["live_objects"].back()["kind"], "Dummy");
  kept->release_reference();
  kept->release_reference();
  EXPECT_EQ(ledger_.live_objects(), before);
  EXPECT_EQ(ledger_.report()["unreleased_references"], 0);
}

}  // namespace
}  // namespace qvsim
