// The simulated Outlook as the product reaches it: activation, the typed
// members of the seven interfaces, and reads by name. Each test case runs in a
// process of its own under CTest; run together, the fixture makes the loaded
// DLL serve each case's mailbox afresh.
#include <gtest/gtest.h>

#include <cwctype>

#include "tests/sim_outlook/outlook_fixture.h"

namespace qvsim::test {
namespace {

using qv::com_ptr;
using qv::unique_bstr;
using qv::unique_variant;

using OutlookActivationTest = OutlookSimTest;
using OutlookApplicationTest = OutlookSimTest;
using OutlookItemTest = OutlookSimTest;
using OutlookFolderTest = OutlookSimTest;

TEST_F(OutlookActivationTest, ConnectsThroughComAsTheProductDoes) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<IUnknown> unknown;
  ASSERT_EQ(
      ::CoCreateInstance(CLSID_OutlookApplication, nullptr, 7, IID_IUnknown, unknown.put_void()),
      S_OK);
  EXPECT_EQ(::OleRun(unknown.get()), S_OK);
  com_ptr<_Application> application;
  ASSERT_EQ(unknown->QueryInterface(IID__Application, application.put_void()), S_OK);
  unique_bstr name;
  EXPECT_EQ(application->get_Name(name.put()), S_OK);
  EXPECT_EQ(name.text(), L"Outlook");
  com_ptr<_NameSpace> wrong;
  EXPECT_EQ(unknown->QueryInterface(IID__NameSpace, wrong.put_void()), E_NOINTERFACE);
  EXPECT_FALSE(wrong);

  const nlohmann::json calls = qv::test::outlook_report_now()["calls"];
  EXPECT_EQ(calls["DllGetClassObject"], 1);
  EXPECT_EQ(calls["Application.CreateInstance"], 1);
  EXPECT_EQ(calls["_Application.QueryInterface"], 1);
  EXPECT_EQ(calls["_NameSpace.QueryInterface"], 1);
  EXPECT_EQ(calls["_Application.Name"], 1);
}

TEST_F(OutlookActivationTest, AMailboxThatCannotBeReadFailsActivation) {
  use_mailbox("{\"stores\": [{\"name\": \"no display name\"}]}");
  com_ptr<IUnknown> unknown;
  EXPECT_EQ(
      ::CoCreateInstance(CLSID_OutlookApplication, nullptr, 7, IID_IUnknown, unknown.put_void()),
      CO_E_SERVER_EXEC_FAILURE);
  EXPECT_FALSE(unknown);
  EXPECT_EQ(qv::test::outlook_report_now()["mailbox_error"], "stores[0]: unknown member \"name\"");
}

TEST_F(OutlookApplicationTest, GetNamespaceTakesMapiInAnyCaseOnly) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<_NameSpace> mapi;
  EXPECT_EQ(application->GetNamespace(unique_bstr::from(L"mApI").get(), mapi.put()), S_OK);
  ASSERT_TRUE(mapi);
  unique_bstr type;
  EXPECT_EQ(mapi->get_Type(type.put()), S_OK);
  EXPECT_EQ(type.text(), L"MAPI");
  com_ptr<_NameSpace> other;
  EXPECT_EQ(application->GetNamespace(unique_bstr::from(L"MAPI2").get(), other.put()),
            E_INVALIDARG);
  EXPECT_FALSE(other);
}

TEST_F(OutlookApplicationTest, WithoutAnExplorerWindowActiveExplorerIsEmpty) {
  ASSERT_EQ(use_test_mailbox_with({{"explorer", nullptr}}), S_OK);
  com_ptr<_Application> application = connect();
  _Explorer* explorer = reinterpret_cast<_Explorer*>(1);
  EXPECT_EQ(application->ActiveExplorer(&explorer), S_OK);
  EXPECT_EQ(explorer, nullptr);
}

TEST_F(OutlookApplicationTest, SelectionGivesTheSelectedItemsInOrder) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<Selection> selection = selection_of(application.get());
  long count = 0;
  EXPECT_EQ(selection->get_Count(&count), S_OK);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(text_by_name(selected(selection.get(), 1).get(), L"EntryID"),
            store1_entry_id(L"84000000"));
  EXPECT_EQ(text_by_name(selected(selection.get(), 2).get(), L"Subject"), L"Meeting");
  // The same item selected twice.
  EXPECT_EQ(text_by_name(selected(selection.get(), 3).get(), L"EntryID"),
            store1_entry_id(L"84000000"));
}

TEST_F(OutlookApplicationTest, SelectionItemTakesIntegerPositionsFromOne) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<Selection> selection = selection_of(application.get());
  for (const VARTYPE type : {VT_I4, VT_I2, VT_UI4}) {
    VARIANT index = position(2);
    index.vt = type;
    if (type == VT_I2) {
      index.iVal = 2;
    }
    com_ptr<IDispatch> item;
    EXPECT_EQ(selection->Item(index, item.put()), S_OK) << type;
    EXPECT_EQ(text_by_name(item.get(), L"Subject"), L"Meeting");
  }
  for (const int outside : {0, 4, -1}) {
    IDispatch* item = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(selection->Item(position(outside), &item), DISP_E_BADINDEX);
    EXPECT_EQ(item, nullptr);
  }
  unique_variant name;
  *name.put() = text_argument(L"Meeting");
  com_ptr<IDispatch> by_name;
  EXPECT_EQ(selection->Item(name.value(), by_name.put()), DISP_E_TYPEMISMATCH);
}

TEST_F(OutlookItemTest, ItemsAnswerNamesFromTheirProperties) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<Selection> selection = selection_of(application.get());
  com_ptr<IDispatch> mail = selected(selection.get(), 1);
  EXPECT_EQ(text_by_name(mail.get(), L"subject"), L"Second");
  EXPECT_EQ(text_by_name(mail.get(), L"MessageClass"), L"IPM.Note");
  unique_variant object_class;
  EXPECT_EQ(read_by_name(mail.get(), L"Class", object_class.put()), S_OK);
  EXPECT_EQ(object_class.type(), VT_I4);
  EXPECT_EQ(object_class.value().lVal, 43);  // olMail
  EXPECT_EQ(read_by_name(selected(selection.get(), 2).get(), L"Class", object_class.put()), S_OK);
  EXPECT_EQ(object_class.value().lVal, 26);  // olAppointment

  unique_variant parent;
  ASSERT_EQ(read_by_name(mail.get(), L"Parent", parent.put()), S_OK);
  ASSERT_EQ(parent.type(), VT_DISPATCH);
  IDispatch* folder = parent.value().pdispVal;
  EXPECT_EQ(text_by_name(folder, L"EntryID"), store1_entry_id(L"42000000"));
  EXPECT_EQ(text_by_name(folder, L"FolderPath"), L"\\\\Mailbox - Test\\Inbox");
  EXPECT_EQ(text_by_name(mail.get(), L"NoSuchProperty"), L"<failed 0x80020006>");
}

TEST_F(OutlookItemTest, TheDescriptionChangesWhatReadsByNameGive) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<MAPIFolder> inbox = subfolder(top_folder(application.get(), 1).get(), 1);
  com_ptr<_Items> items = items_of(inbox.get());
  com_ptr<IDispatch> odd = item_at(items.get(), 3);
  unique_variant value;
  EXPECT_EQ(read_by_name(odd.get(), L"EntryID", value.put()), S_OK);
  EXPECT_EQ(value.type(), VT_I4);
  EXPECT_EQ(value.value().lVal, 42);
  EXPECT_EQ(read_by_name(odd.get(), L"Parent", value.put()), S_OK);
  EXPECT_EQ(value.type(), VT_BSTR);
  EXPECT_EQ(text_by_name(odd.get(), L"SenderName"), L"Eve");
  EXPECT_EQ(text_by_name(odd.get(), L"Subject"), L"Odd one");

  com_ptr<IDispatch> hidden = item_at(items.get(), 4);
  DISPID id = 0;
  LPOLESTR entry_id_name[] = {const_cast<LPOLESTR>(L"EntryID")};
  EXPECT_EQ(hidden->GetIDsOfNames(IID_NULL, entry_id_name, 1, LOCALE_USER_DEFAULT, &id),
            DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  EXPECT_EQ(read_by_name(hidden.get(), L"Parent", value.put()), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(text_by_name(hidden.get(), L"Subject"), L"");

  EXPECT_EQ(read_by_name(item_at(items.get(), 5).get(), L"EntryID", value.put()),
            static_cast<HRESULT>(0x80040107));
}

TEST_F(OutlookFolderTest, NamespaceFoldersAreTheStoresTopFoldersInStoreOrder) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<_Folders> folders = top_folders(application.get());
  EXPECT_EQ(count_of(folders.get()), 2);
  com_ptr<MAPIFolder> first;
  ASSERT_EQ(folders->Item(position(1), first.put()), S_OK);
  EXPECT_EQ(entry_id_of(first.get()), store1_entry_id(L"22000000"));
  EXPECT_EQ(text_by_name(first.get(), L"FolderPath"), L"\\\\Mailbox - Test");
  com_ptr<MAPIFolder> second;
  ASSERT_EQ(folders->Item(position(2), second.put()), S_OK);
  EXPECT_EQ(entry_id_of(second.get()), store2_entry_id(L"22000000"));
  unique_bstr store_id;
  EXPECT_EQ(second->get_StoreID(store_id.put()), S_OK);
  EXPECT_EQ(store_id.text(), store2_entry_id(L"01000000"));

  MAPIFolder* missing = reinterpret_cast<MAPIFolder*>(1);
  EXPECT_EQ(folders->Item(position(3), &missing), static_cast<HRESULT>(0x8004010F));
  EXPECT_EQ(missing, nullptr);
  unique_variant name;
  *name.put() = text_argument(L"ARCHIVE");
  com_ptr<MAPIFolder> by_name;
  EXPECT_EQ(folders->Item(name.value(), by_name.put()), S_OK);
  EXPECT_EQ(entry_id_of(by_name.get()), store2_entry_id(L"22000000"));
}

TEST_F(OutlookFolderTest, FoldersGiveEntryIdsItemTypesPathsAndItems) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<MAPIFolder> top = top_folder(application.get(), 1);
  com_ptr<MAPIFolder> inbox = subfolder(top.get(), 1);
  com_ptr<MAPIFolder> calendar = subfolder(top.get(), 2);
  com_ptr<MAPIFolder> sub = subfolder(inbox.get(), 1);
  EXPECT_EQ(entry_id_of(inbox.get()), store1_entry_id(L"42000000"));
  EXPECT_EQ(entry_id_of(sub.get()), store1_entry_id(L"02010000"));
  OlItemType type = olTaskItem;
  EXPECT_EQ(inbox->get_DefaultItemType(&type), S_OK);
  EXPECT_EQ(type, olMailItem);
  EXPECT_EQ(calendar->get_DefaultItemType(&type), S_OK);
  EXPECT_EQ(type, olAppointmentItem);
  unique_bstr name;
  EXPECT_EQ(sub->get_Name(name.put()), S_OK);
  EXPECT_EQ(name.text(), L"Sub Folder");
  EXPECT_EQ(text_by_name(sub.get(), L"FolderPath"), L"\\\\Mailbox - Test\\Inbox\\Sub%20Folder");
  EXPECT_EQ(text_by_name(calendar.get(), L"FolderPath"), L"\\\\Mailbox - Test\\Calendar");

  com_ptr<_Folders> none;
  EXPECT_EQ(sub->get_Folders(none.put()), S_OK);
  EXPECT_EQ(count_of(none.get()), 0);
  com_ptr<_Items> items = items_of(inbox.get());
  long count = 0;
  EXPECT_EQ(items->get_Count(&count), S_OK);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(text_by_name(item_at(items.get(), 1).get(), L"EntryID"), store1_entry_id(L"64000000"));
  IDispatch* past_end = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(items->Item(position(6), &past_end), DISP_E_BADINDEX);
  EXPECT_EQ(past_end, nullptr);

  // A top folder's parent is the namespace.
  com_ptr<IDispatch> parent;
  EXPECT_EQ(top->get_Parent(parent.put()), S_OK);
  OlObjectClass parent_class = -1;
  com_ptr<_NameSpace> mapi = parent.try_query<_NameSpace>();
  ASSERT_TRUE(mapi);
  EXPECT_EQ(mapi->get_Class(&parent_class), S_OK);
  EXPECT_EQ(parent_class, 1);  // olNamespace
}

TEST_F(OutlookFolderTest, GetFolderFromIdFindsAnyFolderByItsEntryId) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<_NameSpace> mapi = namespace_of(application.get());
  com_ptr<MAPIFolder> sub;
  const std::wstring sub_id = store1_entry_id(L"02010000");
  EXPECT_EQ(mapi->GetFolderFromID(unique_bstr::from(sub_id).get(), omitted(), sub.put()), S_OK);
  ASSERT_TRUE(sub);
  EXPECT_EQ(entry_id_of(sub.get()), sub_id);

  std::wstring lower = sub_id;
  for (wchar_t& c : lower) {
    c = static_cast<wchar_t>(::towlower(c));
  }
  com_ptr<MAPIFolder> by_lower;
  EXPECT_EQ(mapi->GetFolderFromID(unique_bstr::from(lower).get(), omitted(), by_lower.put()), S_OK);

  unique_variant store;
  *store.put() = text_argument(store1_entry_id(L"01000000"));
  com_ptr<MAPIFolder> in_store;
  EXPECT_EQ(mapi->GetFolderFromID(unique_bstr::from(sub_id).get(), store.value(), in_store.put()),
            S_OK);
  *store.put() = text_argument(store2_entry_id(L"01000000"));
  MAPIFolder* elsewhere = reinterpret_cast<MAPIFolder*>(1);
  EXPECT_EQ(mapi->GetFolderFromID(unique_bstr::from(sub_id).get(), store.value(), &elsewhere),
            static_cast<HRESULT>(0x8004010F));
  EXPECT_EQ(elsewhere, nullptr);

  for (const wchar_t* unknown : {L"0000", L"not hex", L""}) {
    MAPIFolder* folder = reinterpret_cast<MAPIFolder*>(1);
    EXPECT_EQ(mapi->GetFolderFromID(unique_bstr::from(unknown).get(), omitted(), &folder),
              static_cast<HRESULT>(0x8004010F));
    EXPECT_EQ(folder, nullptr);
  }
}

TEST_F(OutlookFolderTest, TypedMembersAnswerByNameTooAndAreCountedApart) {
  ASSERT_EQ(use_mailbox(kTestMailbox), S_OK);
  com_ptr<_Application> application = connect();
  com_ptr<_Folders> folders = top_folders(application.get());
  unique_variant count;
  EXPECT_EQ(read_by_name(folders.get(), L"Count", count.put()), S_OK);
  EXPECT_EQ(count.type(), VT_I4);
  EXPECT_EQ(count.value().lVal, 2);

  DISPID item_id = 0;
  LPOLESTR item_name[] = {const_cast<LPOLESTR>(L"Item")};
  ASSERT_EQ(folders->GetIDsOfNames(IID_NULL, item_name, 1, LOCALE_USER_DEFAULT, &item_id), S_OK);
  EXPECT_EQ(item_id, 0x51);
  VARIANT argument = position(2);
  DISPPARAMS parameters = {&argument, nullptr, 1, 0};
  unique_variant folder;
  EXPECT_EQ(folders->Invoke(item_id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                            folder.put(), nullptr, nullptr),
            S_OK);
  ASSERT_EQ(folder.type(), VT_DISPATCH);
  EXPECT_EQ(text_by_name(folder.value().pdispVal, L"EntryID"), store2_entry_id(L"22000000"));
  DISPPARAMS no_arguments = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(folders->Invoke(item_id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &no_arguments,
                            folder.put(), nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);

  const nlohmann::json calls = qv::test::outlook_report_now()["calls"];
  EXPECT_EQ(calls["_Folders.Invoke(Count)"], 1);
  EXPECT_EQ(calls["_Folders.Invoke(Item)"], 2);
  EXPECT_EQ(calls["_Folders.GetIDsOfNames"], 2);
  EXPECT_EQ(calls["MAPIFolder.Invoke(EntryID)"], 1);
  EXPECT_FALSE(calls.contains("_Folders.Count"));
  EXPECT_FALSE(calls.contains("_Folders.Item"));
  EXPECT_FALSE(calls.contains("MAPIFolder.EntryID"));
}

}  // namespace
}  // namespace qvsim::test
