// Injected faults and error objects of the simulated Outlook: which call
// fails, what the caller gets back, and what ISupportErrorInfo and the
// thread's error object say afterwards.
#include <gtest/gtest.h>

#include "tests/sim_outlook/outlook_fixture.h"

namespace qvsim::test {
namespace {

using nlohmann::json;
using qv::com_ptr;
using qv::unique_bstr;
using qv::unique_variant;

using OutlookFaultTest = OutlookSimTest;

// What the object answers to InterfaceSupportsErrorInfo for an interface.
HRESULT supports_error_info(IUnknown* object, REFIID iid) {
  com_ptr<ISupportErrorInfo> support;
  const HRESULT hr = object->QueryInterface(IID_ISupportErrorInfo, support.put_void());
  return FAILED(hr) ? hr : support->InterfaceSupportsErrorInfo(iid);
}

// The description of the thread's error object, taking it; "<none>" without one.
std::wstring take_error_description() {
  com_ptr<IErrorInfo> info;
  if (::GetErrorInfo(0, info.put()) != S_OK || !info) {
    return L"<none>";
  }
  unique_bstr description;
  info->GetDescription(description.put());
  return description.text();
}

TEST_F(OutlookFaultTest, AFaultFailsOnlyTheNthCallAndEveryCallIsCounted) {
  ASSERT_EQ(
      use_test_mailbox_with(
          {{"faults", json::array({{{"call", "_Items.Item"}, {"nth", 2}, {"hr", "0x80004005"}}})}}),
      S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<MAPIFolder> inbox = subfolder(top_folder(application.get(), 1).get(), 1);
  com_ptr<_Items> items;
  ASSERT_EQ(inbox->get_Items(items.put()), S_OK);
  com_ptr<IDispatch> item;
  EXPECT_EQ(items->Item(position(1), item.put()), S_OK);
  IDispatch* failed = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(items->Item(position(2), &failed), E_FAIL);
  EXPECT_EQ(failed, nullptr);
  EXPECT_EQ(items->Item(position(2), item.put()), S_OK);
  EXPECT_EQ(qv::test::outlook_report_now()["calls"]["_Items.Item"], 3);
}

TEST_F(OutlookFaultTest, AFaultWithoutNthFailsEveryCall) {
  ASSERT_EQ(
      use_test_mailbox_with({{"faults", json::array({{{"call", "Selection.Count"},
                                                      {"hr", "RPC_E_SERVERCALL_RETRYLATER"}}})}}),
      S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<Selection> selection = selection_of(application.get());
  for (int attempt = 0; attempt < 2; ++attempt) {
    long count = 7;
    EXPECT_EQ(selection->get_Count(&count), RPC_E_SERVERCALL_RETRYLATER);
    EXPECT_EQ(count, 0);
  }
}

TEST_F(OutlookFaultTest, AnExceptionAtACallLeavesItsOutParametersEmpty) {
  ASSERT_EQ(
      use_test_mailbox_with(
          {{"faults",
            json::array(
                {{{"call", "_Items.Item"}, {"nth", 1}, {"throw", "bad_alloc"}},
                 {{"call", "Selection.Count"}, {"nth", 1}, {"throw", "simulated exception"}},
                 {{"call", "Selection.GetIDsOfNames"}, {"nth", 1}, {"throw", "bad_alloc"}},
                 {{"call", "Selection.GetTypeInfoCount"}, {"nth", 1}, {"throw", "bad_alloc"}},
                 {{"call", "IDispatch.QueryInterface"}, {"nth", 1}, {"throw", "bad_alloc"}}})}}),
      S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<Selection> selection = selection_of(application.get());
  long count = 7;
  EXPECT_TRUE(FAILED(selection->get_Count(&count)));
  EXPECT_EQ(count, 0);
  wchar_t name[] = L"Count";
  LPOLESTR names[] = {name};
  DISPID id = 7;
  EXPECT_TRUE(FAILED(selection->GetIDsOfNames(IID_NULL, names, 1, 0, &id)));
  EXPECT_EQ(id, DISPID_UNKNOWN);
  UINT type_infos = 7;
  EXPECT_TRUE(FAILED(selection->GetTypeInfoCount(&type_infos)));
  EXPECT_EQ(type_infos, 0u);
  com_ptr<MAPIFolder> inbox = subfolder(top_folder(application.get(), 1).get(), 1);
  com_ptr<_Items> items;
  ASSERT_EQ(inbox->get_Items(items.put()), S_OK);
  IDispatch* item = reinterpret_cast<IDispatch*>(1);
  EXPECT_TRUE(FAILED(items->Item(position(1), &item)));
  EXPECT_EQ(item, nullptr);
  void* other = reinterpret_cast<void*>(1);
  EXPECT_TRUE(FAILED(items->QueryInterface(IID_IDispatch, &other)));
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(qv::test::outlook_report_now()["exceptions_caught"], 5);
}

TEST_F(OutlookFaultTest, ARichFaultSupportsErrorInfoForTheFailingInterfaceOnly) {
  ASSERT_EQ(
      use_test_mailbox_with({{"faults", json::array({{{"call", "Selection.Item"},
                                                      {"hr", "E_ACCESSDENIED"},
                                                      {"error_info", true},
                                                      {"description", "Zugriff verweigert"}}})}}),
      S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<Selection> selection = selection_of(application.get());
  com_ptr<IDispatch> item;
  EXPECT_EQ(selection->Item(position(1), item.put()), E_ACCESSDENIED);
  EXPECT_EQ(supports_error_info(selection.get(), IID_Selection), S_OK);
  EXPECT_EQ(supports_error_info(selection.get(), IID__Items), S_FALSE);
  EXPECT_EQ(supports_error_info(application.get(), IID_Selection), S_FALSE);
  EXPECT_EQ(take_error_description(), L"Zugriff verweigert");

  long count = 0;
  EXPECT_EQ(selection->get_Count(&count), S_OK);
  EXPECT_EQ(supports_error_info(selection.get(), IID_Selection), S_FALSE);
}

TEST_F(OutlookFaultTest, APlainFaultLeavesNoErrorObject) {
  ASSERT_EQ(use_test_mailbox_with(
                {{"faults", json::array({{{"call", "Selection.Count"}, {"hr", "E_FAIL"}}})}}),
            S_OK);
  com_ptr<_Application> application = connect();
  // A failure that Outlook reports with an error object comes first.
  com_ptr<_NameSpace> none;
  EXPECT_EQ(application->GetNamespace(unique_bstr::from(L"Other").get(), none.put()), E_INVALIDARG);
  EXPECT_EQ(supports_error_info(application.get(), IID__Application), S_OK);
  com_ptr<Selection> selection = selection_of(application.get());
  long count = 0;
  EXPECT_EQ(selection->get_Count(&count), E_FAIL);
  EXPECT_EQ(supports_error_info(selection.get(), IID_Selection), S_FALSE);
  EXPECT_EQ(take_error_description(), L"<none>");
}

TEST_F(OutlookFaultTest, OutlooksOwnFailuresCarryAnErrorObject) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<_NameSpace> mapi = namespace_of(application.get());
  com_ptr<MAPIFolder> folder;
  EXPECT_EQ(mapi->GetFolderFromID(unique_bstr::from(L"0102").get(), omitted(), folder.put()),
            static_cast<HRESULT>(0x8004010F));
  EXPECT_EQ(supports_error_info(mapi.get(), IID__NameSpace), S_OK);
  EXPECT_EQ(take_error_description(),
            L"The attempted operation failed. An object could not be found.");
}

TEST_F(OutlookFaultTest, FaultsAtActivationAndQueryInterface) {
  ASSERT_EQ(use_test_mailbox_with({{"faults", json::array({{{"call", "Application.CreateInstance"},
                                                            {"nth", 1},
                                                            {"hr", "CO_E_SERVER_EXEC_FAILURE"}},
                                                           {{"call", "_Application.QueryInterface"},
                                                            {"nth", 2},
                                                            {"hr", "E_NOINTERFACE"}}})}}),
            S_OK);
  com_ptr<_Application> application;
  EXPECT_EQ(connect_outlook(&application), CO_E_SERVER_EXEC_FAILURE);
  EXPECT_EQ(connect_outlook(&application), S_OK);
  EXPECT_EQ(connect_outlook(&application), E_NOINTERFACE);
  EXPECT_FALSE(application);
  const json report = qv::test::outlook_report_now();
  EXPECT_EQ(report["calls"]["Application.CreateInstance"], 3);
  EXPECT_EQ(report["calls"]["_Application.QueryInterface"], 2);
  EXPECT_EQ(report["unreleased_references"], 0);
}

TEST_F(OutlookFaultTest, FaultsOnReadsByName) {
  ASSERT_EQ(
      use_test_mailbox_with(
          {{"faults",
            json::array(
                {{{"call", "Item.Invoke(EntryID)"}, {"hr", "E_ACCESSDENIED"}},
                 {{"call", "MAPIFolder.GetIDsOfNames"}, {"nth", 1}, {"hr", "E_OUTOFMEMORY"}}})}}),
      S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<Selection> selection = selection_of(application.get());
  com_ptr<IDispatch> item;
  ASSERT_EQ(selection->Item(position(1), item.put()), S_OK);
  EXPECT_EQ(text_by_name(item.get(), L"EntryID"), L"<failed 0x80070005>");
  EXPECT_EQ(text_by_name(item.get(), L"Subject"), L"Second");
  com_ptr<MAPIFolder> top = top_folder(application.get(), 1);
  EXPECT_EQ(text_by_name(top.get(), L"FolderPath"), L"<failed 0x8007000E>");
  EXPECT_EQ(text_by_name(top.get(), L"FolderPath"), L"\\\\Mailbox - Test");
}

TEST_F(OutlookFaultTest, ARichFaultOnInvokeFillsTheExceptionInformation) {
  ASSERT_EQ(use_test_mailbox_with({{"faults", json::array({{{"call", "Item.Invoke(Subject)"},
                                                            {"hr", "0x80040107"},
                                                            {"error_info", true},
                                                            {"description", "Item moved"}}})}}),
            S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<Selection> selection = selection_of(application.get());
  com_ptr<IDispatch> item;
  ASSERT_EQ(selection->Item(position(1), item.put()), S_OK);
  DISPPARAMS no_arguments = {nullptr, nullptr, 0, 0};
  EXCEPINFO exception = {};
  unique_variant value;
  EXPECT_EQ(item->Invoke(0x37, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &no_arguments,
                         value.put(), &exception, nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(exception.scode, static_cast<SCODE>(0x80040107));
  EXPECT_STREQ(exception.bstrDescription, L"Item moved");
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrHelpFile);
  EXPECT_EQ(supports_error_info(item.get(), IID_IDispatch), S_OK);
  // Without exception information the read fails with the fault's HRESULT.
  EXPECT_EQ(read_by_name(item.get(), L"Subject", value.put()), static_cast<HRESULT>(0x80040107));
}

TEST_F(OutlookFaultTest, MembersNotServedAreCountedAndNotImplemented) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  EXPECT_EQ(application->Quit(), E_NOTIMPL);
  IDispatch* assistant = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(application->get_Assistant(&assistant), E_NOTIMPL);
  EXPECT_EQ(assistant, nullptr);
  com_ptr<_Explorer> explorer;
  ASSERT_EQ(application->ActiveExplorer(explorer.put()), S_OK);
  MAPIFolder* current = reinterpret_cast<MAPIFolder*>(1);
  EXPECT_EQ(explorer->get_CurrentFolder(&current), E_NOTIMPL);
  EXPECT_EQ(current, nullptr);
  EXPECT_EQ(explorer->put_Width(100), E_NOTIMPL);
  const json calls = qv::test::outlook_report_now()["calls"];
  EXPECT_EQ(calls["_Application.Quit"], 1);
  EXPECT_EQ(calls["_Application.Assistant"], 1);
  EXPECT_EQ(calls["_Explorer.CurrentFolder"], 1);
  EXPECT_EQ(calls["_Explorer.put_Width"], 1);
}

}  // namespace
}  // namespace qvsim::test
