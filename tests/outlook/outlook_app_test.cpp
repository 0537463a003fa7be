// Connecting to Outlook, reads by name, and the typed members' failures.
#include "outlook/outlook_app.h"

#include <mapicode.h>

#include <thread>

#include "errors/exceptions.h"
#include "outlook/selection.h"
#include "tests/outlook/outlook_test_fixture.h"

namespace qv::test {
namespace {

class OutlookAppTest : public OutlookTest {
 protected:
  void SetUp() override {
    OutlookTest::SetUp();
    description_ = mailbox_of({simple_store()});
    description_["explorer"] = {{"selection", {"alpha"}}};
  }
  void serve() { use_mailbox(description_); }
  void add_fault(const nlohmann::json& fault) { description_["faults"].push_back(fault); }

  // The first selected item, read through the typed members.
  com_ptr<IDispatch> first_selected(const com_ptr<_Application>& application) {
    return outlook::item(outlook::selection(outlook::active_explorer(application)), 1);
  }

  nlohmann::json description_;
};

TEST_F(OutlookAppTest, ConnectsThroughActivationRunAndQueryInterface) {
  serve();
  {
    const com_ptr<_Application> application = create_outlook_application();
    ASSERT_TRUE(application);
  }
  EXPECT_EQ(calls("Application.CreateInstance"), 1u);
  EXPECT_EQ(calls("IRunnableObject.QueryInterface"), 1u);  // OleRun
  // Across processes COM asks the object once more, as it makes the stub
  // through which the interface is reached.
  EXPECT_EQ(calls("_Application.QueryInterface"), local_server_mode() ? 2u : 1u);
  expect_everything_released();
}

TEST_F(OutlookAppTest, FailedActivationIsWin32ErrorWithTheActivationsHresult) {
  add_fault({{"call", "Application.CreateInstance"}, {"hr", "E_ACCESSDENIED"}});
  serve();
  try {
    create_outlook_application();
    FAIL() << "no exception";
  } catch (const win32_error& e) {
    EXPECT_EQ(e.code(), E_ACCESSDENIED);
    EXPECT_EQ(e.message(), system_error_text(E_ACCESSDENIED));
  }
  expect_everything_released();
}

// The caller initialises COM (docs/library.md): on a thread that has not,
// every call fails with CO_E_NOTINITIALIZED.
TEST_F(OutlookAppTest, WithoutComOnTheThreadCallsFailWithNotInitialized) {
  serve();
  HRESULT connect = S_OK;
  HRESULT select = S_OK;
  std::thread([&] {
    try {
      create_outlook_application();
    } catch (const win32_error& e) {
      connect = e.code();
    }
    try {
      selected_item_urls();
    } catch (const win32_error& e) {
      select = e.code();
    }
  }).join();
  EXPECT_EQ(connect, CO_E_NOTINITIALIZED);
  EXPECT_EQ(select, CO_E_NOTINITIALIZED);
}

TEST_F(OutlookAppTest, RefusedApplicationInterfaceReleasesTheObject) {
  add_fault({{"call", "_Application.QueryInterface"}, {"hr", "E_NOINTERFACE"}});
  serve();
  try {
    create_outlook_application();
    FAIL() << "no exception";
  } catch (const win32_error& e) {
    EXPECT_EQ(e.code(), E_NOINTERFACE);
  }
  expect_everything_released();
}

TEST_F(OutlookAppTest, PropertyTextGivesStringsAndNothingElse) {
  description_["stores"][0]["top_folder"]["folders"][0]["items"][0]["by_name"] = {
      {"SenderName", {{"value", 42}}}, {"Body", {{"error", "0x80040107"}}}};
  serve();
  {
    const com_ptr<IDispatch> item = first_selected(create_outlook_application());
    EXPECT_EQ(property_text(item.get(), L"Subject"), L"Alpha");
    EXPECT_EQ(property_text(item.get(), L"EntryID"), L"A001");
    EXPECT_EQ(property_text(item.get(), L"NoSuchProperty"), L"");
    EXPECT_EQ(property_text(item.get(), L"SenderName"), L"");  // a number
    EXPECT_EQ(property_text(item.get(), L"Body"), L"");        // a failing read
    EXPECT_EQ(property_text(item.get(), L"Parent"), L"");      // an object
  }
  // The folder that "Parent" gave was released with the VARIANT.
  expect_everything_released();
}

TEST_F(OutlookAppTest, GetPropertyByNameReportsTheReadsHresult) {
  serve();
  const com_ptr<IDispatch> item = first_selected(create_outlook_application());
  unique_variant value;
  EXPECT_EQ(get_property_by_name(item.get(), L"Subject", value.get()), S_OK);
  ASSERT_EQ(value.type(), VT_BSTR);
  EXPECT_STREQ(value.value().bstrVal, L"Alpha");
  EXPECT_EQ(get_property_by_name(item.get(), L"NoSuchProperty", value.put()), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(get_property_by_name(item.get(), L"Subject", nullptr), E_POINTER);
  EXPECT_EQ(get_property_by_name(nullptr, L"Subject", value.put()), E_INVALIDARG);
}

TEST_F(OutlookAppTest, FailedMemberCarriesTheErrorObjectOnlyWhenOutlookReportsOne) {
  if (local_server_mode()) {
    GTEST_SKIP() << "Wine's COM does not carry a server's error object back to the client "
                    "(docs/simulator.md)";
  }
  add_fault({{"call", "Selection.Item"},
             {"nth", 1},
             {"hr", "0x80020009"},
             {"error_info", true},
             {"description", "The selection cannot be read."}});
  add_fault({{"call", "Selection.Item"}, {"nth", 2}, {"hr", "E_FAIL"}});
  serve();
  const com_ptr<_Application> application = create_outlook_application();
  const com_ptr<Selection> selection = outlook::selection(outlook::active_explorer(application));
  try {
    outlook::item(selection, 1);
    FAIL() << "no exception";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), static_cast<HRESULT>(0x80020009));
    com_ptr<IErrorInfo> info = com_ptr<IErrorInfo>::attach(e.ErrorInfo());
    ASSERT_TRUE(info);
    unique_bstr description;
    info->GetDescription(description.put());
    EXPECT_EQ(description.text(), L"The selection cannot be read.");
  }
  try {
    outlook::item(selection, 1);
    FAIL() << "no exception";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_FAIL);
    EXPECT_EQ(e.ErrorInfo(), nullptr);
  }
}

TEST_F(OutlookAppTest, NoExplorerIsAnEmptyReferenceThatFailsAtFirstUse) {
  description_.erase("explorer");
  serve();
  const com_ptr<_Application> application = create_outlook_application();
  const com_ptr<_Explorer> explorer = outlook::active_explorer(application);
  EXPECT_FALSE(explorer);
  try {
    outlook::selection(explorer);
    FAIL() << "no exception";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
    EXPECT_EQ(e.ErrorInfo(), nullptr);
  }
}

TEST_F(OutlookAppTest, TypedMembersWalkTheFolderTree) {
  serve();
  const com_ptr<_Application> application = create_outlook_application();
  const com_ptr<_NameSpace> name_space = outlook::get_namespace(application, L"MAPI");
  const com_ptr<_Folders> stores = outlook::folders(name_space);
  ASSERT_EQ(outlook::count(stores), 1);
  const com_ptr<MAPIFolder> top = outlook::item(stores, 1);
  EXPECT_EQ(outlook::entry_id(top).text(), L"F000");
  const com_ptr<_Folders> subfolders = outlook::folders(top);
  ASSERT_EQ(outlook::count(subfolders), 2);
  const com_ptr<MAPIFolder> calendar = outlook::item(subfolders, 2);
  EXPECT_EQ(outlook::default_item_type(calendar), olAppointmentItem);
  const com_ptr<_Items> items = outlook::items(calendar);
  ASSERT_EQ(outlook::count(items), 1);
  EXPECT_EQ(property_text(outlook::item(items, 1).get(), L"Subject"), L"Meeting");
  const com_ptr<MAPIFolder> found = outlook::get_folder_from_id(name_space, L"F001");
  EXPECT_EQ(property_text(found.get(), L"FolderPath"), L"\\\\Mailbox\\Inbox");
}

TEST_F(OutlookAppTest, FailedLookupsRaiseOutlooksHresult) {
  serve();
  const com_ptr<_Application> application = create_outlook_application();
  const com_ptr<_NameSpace> name_space = outlook::get_namespace(application, L"MAPI");
  const auto raised = [](auto call) -> HRESULT {
    try {
      call();
    } catch (const _com_error& e) {
      return e.Error();
    }
    return S_OK;
  };
  EXPECT_EQ(raised([&] { outlook::get_folder_from_id(name_space, L"FFFF"); }), MAPI_E_NOT_FOUND);
  EXPECT_EQ(raised([&] { outlook::item(outlook::folders(name_space), 2); }), MAPI_E_NOT_FOUND);
  EXPECT_EQ(raised([&] { outlook::get_namespace(application, L"NOT-MAPI"); }), E_INVALIDARG);
}

// The codes of an Outlook that has gone: the operation fails at once with the
// code, the call made once; a read by name fails its operation too.
struct GoneCase {
  const char* call;
  HRESULT hr;
  bool com_error;  // raised by a typed member; otherwise win32_error
};

class OutlookGoneTest : public OutlookAppTest, public ::testing::WithParamInterface<GoneCase> {};

TEST_P(OutlookGoneTest, FailsTheSelectionAtOnceWithTheCode) {
  const GoneCase& gone = GetParam();
  add_fault({{"call", gone.call}, {"hr", static_cast<std::int64_t>(gone.hr)}});
  serve();
  HRESULT raised = S_OK;
  try {
    selected_item_urls();
  } catch (const _com_error& e) {
    raised = gone.com_error ? e.Error() : E_UNEXPECTED;
  } catch (const win32_error& e) {
    raised = gone.com_error ? E_UNEXPECTED : e.code();
  }
  EXPECT_EQ(raised, gone.hr);
  EXPECT_EQ(calls(gone.call), 1u);
  expect_everything_released();
}

INSTANTIATE_TEST_SUITE_P(
    Gone, OutlookGoneTest,
    ::testing::Values(GoneCase{"Application.CreateInstance", CO_E_OBJNOTCONNECTED, false},
                      GoneCase{"Selection.Count", RPC_E_DISCONNECTED, true},
                      GoneCase{"Selection.Item", RPC_E_SERVER_DIED_DNE, true},
                      GoneCase{"Item.GetIDsOfNames", static_cast<HRESULT>(0x800706BA), false},
                      GoneCase{"Item.Invoke(EntryID)", static_cast<HRESULT>(0x800706BE), false}));

}  // namespace
}  // namespace qv::test
