// No C++ exception crosses an exported routine or a COM method of either
// simulator. The product's flows (a .msg file and a store item opened and
// every field read, the folder tree listed) run once to learn every call
// point they reach; then again once per call point, with a fault that makes
// that call throw a C++ exception (std::bad_alloc or std::runtime_error, in
// turn). Every exception must be caught inside the simulator and turned into
// an HRESULT, which the product reports in its own error model.
#include <gtest/gtest.h>

#include <comdef.h>

#include <cstdio>
#include <set>
#include <string>

#include "errors/exceptions.h"
#include "items/field_table.h"
#include "items/message.h"
#include "mapi/mapi.h"
#include "tests/items/item_fixture.h"

namespace qv::test {
namespace {

class GuardTest : public ItemTest {
 protected:
  // MAPIUninitialize and MAPIFreeBuffer made to throw did not do their work,
  // so an initialisation and some MAPI memory stay; no object may.
  void TearDown() override {
    shared_mapi(true);
    EXPECT_EQ(mapi_report_now().value("unreleased_references", 0), 0);
    EXPECT_EQ(outlook_report_now().value("unreleased_references", 0), 0);
    set_mapi_faults(nullptr);
    ::CoUninitialize();
  }

  nlohmann::json mailbox() const {
    nlohmann::json result = mailbox_of({simple_store()});
    result["explorer"] = {{"selection", nlohmann::json::array()}};
    return result;
  }

  // The product's flows; false when an exception outside the error model
  // reached the product's caller.
  bool run_flows() {
    bool clean = true;
    const auto attempt = [&](auto flow) {
      try {
        flow();
      } catch (const texception&) {
      } catch (const _com_error&) {
      } catch (...) {
        clean = false;
      }
    };
    const auto read_fields = [](const MapiMessage& message) {
      for (int field = 0; field < kFieldCount; ++field) {
        message.field_text(field, L"default");
      }
    };
    if (!corpus_dir().empty()) {
      attempt([&] { read_fields(MapiMessage((corpus_dir() + L"\\Simple.msg").c_str(), false)); });
    }
    attempt([&] { read_fields(MapiMessage(L"outlook:A001", false)); });
    attempt([&] {
      bool refresh = true;
      shared_mapi(false)->list_folders(refresh);
    });
    shared_mapi(true);
    return clean;
  }
};

TEST_F(GuardTest, AnExceptionThrownAtAnyCallPointStaysInsideTheSimulator) {
  serve(mailbox());
  ASSERT_TRUE(run_flows());
  std::set<std::string> mapi_points;
  std::set<std::string> outlook_points;
  const nlohmann::json mapi_calls = mapi_report_now()["calls"];
  const nlohmann::json outlook_calls = outlook_report_now()["calls"];
  for (const auto& call : mapi_calls.items()) {
    mapi_points.insert(call.key());
  }
  for (const auto& call : outlook_calls.items()) {
    outlook_points.insert(call.key());
  }
  ASSERT_GT(mapi_points.size(), 20u);
  ASSERT_GT(outlook_points.size(), 10u);

  int cases = 0;
  for (const bool outlook : {false, true}) {
    for (const std::string& point : outlook ? outlook_points : mapi_points) {
      SCOPED_TRACE((outlook ? "outlook " : "mapi ") + point);
      const nlohmann::json fault = {
          {{"call", point},
           {"nth", 1},
           {"throw", cases % 2 == 0 ? "bad_alloc" : "simulated exception"}}};
      nlohmann::json description = mailbox();
      if (outlook) {
        description["faults"] = fault;
      }
      serve(description);
      if (!outlook) {
        ASSERT_EQ(set_mapi_faults(fault), S_OK);
      }
      EXPECT_TRUE(run_flows()) << "an exception reached the product's caller";
      const nlohmann::json report = outlook ? outlook_report_now() : mapi_report_now();
      EXPECT_EQ(report.value("exceptions_thrown", 0), 1) << report.dump();
      EXPECT_EQ(report.value("exceptions_caught", 0), 1) << report.dump();
      set_mapi_faults(nullptr);
      ++cases;
    }
  }
  std::printf(
      "C++ exceptions at simulator call points: %d cases (%zu MAPI, %zu Outlook), %d caught "
      "inside, "
      "0 crossed\n",
      cases, mapi_points.size(), outlook_points.size(), cases);
}

}  // namespace
}  // namespace qv::test
