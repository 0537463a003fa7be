// Injected faults at the call points of profiles, sessions, stores and
// folders: each operation fails with the fault's HRESULT, is counted, and
// works again once the fault is gone.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/sim_mapi/mapi_session.h"

namespace qvsim::mapi::test {
namespace {

constexpr HRESULT kInjected = MAPI_E_DISK_ERROR;

constexpr char kMailbox[] = R"({"stores": [{"display_name": "Mailbox", "entry_id": "0001",
  "top_folder": {"entry_id": "0010", "folders": [{"name": "Inbox", "entry_id": "0011",
    "items": [{"entry_id": "0101", "subject": "Hello"}]}]}}]})";

// What the operations work on, opened before the fault is injected.
struct Objects {
  ServedDescription served{kMailbox};
  qv::com_ptr<IProfAdmin> admin;
  qv::com_ptr<IMAPISession> session = logon(L"Outlook");
  qv::com_ptr<IMsgStore> store;
  qv::com_ptr<IMAPIFolder> folder;
  Bytes item = hex("0101");

  Objects() {
    Mapi32::get().admin_profiles(0, admin.put());
    store = open_store(session.get(), hex("0001"));
    folder = open_entry(session.get(), hex("0011")).object.try_query<IMAPIFolder>();
  }
};

HRESULT releasing(HRESULT hr, IUnknown* object) {
  if (object != nullptr) {
    object->Release();
  }
  return hr;
}

HRESULT opening(const Opened& opened) { return opened.result; }

HRESULT compare(IMAPISession* session, Bytes& id) {
  ULONG same = 0;
  auto* entry = reinterpret_cast<LPENTRYID>(id.data());
  return session->CompareEntryIDs(static_cast<ULONG>(id.size()), entry,
                                  static_cast<ULONG>(id.size()), entry, 0, &same);
}

struct FaultCase {
  const char* call_point;
  std::function<HRESULT(Objects&)> operation;
};

std::vector<FaultCase> fault_cases() {
  return {
      {"IProfAdmin.GetProfileTable",
       [](Objects& o) {
         IMAPITable* t = nullptr;
         return releasing(o.admin->GetProfileTable(0, &t), t);
       }},
      {"IMAPISession.GetMsgStoresTable",
       [](Objects& o) {
         IMAPITable* t = nullptr;
         return releasing(o.session->GetMsgStoresTable(0, &t), t);
       }},
      {"IMAPISession.OpenMsgStore",
       [](Objects& o) {
         HRESULT hr = S_OK;
         open_store(o.session.get(), hex("0001"), &hr);
         return hr;
       }},
      {"IMAPISession.OpenEntry",
       [](Objects& o) { return opening(open_entry(o.session.get(), o.item)); }},
      {"IMAPISession.CompareEntryIDs", [](Objects& o) { return compare(o.session.get(), o.item); }},
      {"IMAPISession.Logoff", [](Objects& o) { return o.session->Logoff(0, 0, 0); }},
      {"IMsgStore.OpenEntry",
       [](Objects& o) { return opening(open_entry(o.store.get(), o.item)); }},
      {"IMsgStore.GetReceiveFolder",
       [](Objects& o) {
         ULONG size = 0;
         LPENTRYID id = nullptr;
         const HRESULT hr = o.store->GetReceiveFolder(nullptr, 0, &size, &id, nullptr);
         Mapi32::get().free_buffer(id);
         return hr;
       }},
      {"IMAPIFolder.GetContentsTable",
       [](Objects& o) {
         IMAPITable* t = nullptr;
         return releasing(o.folder->GetContentsTable(0, &t), t);
       }},
      {"IMAPIFolder.GetHierarchyTable",
       [](Objects& o) {
         IMAPITable* t = nullptr;
         return releasing(o.folder->GetHierarchyTable(0, &t), t);
       }},
      {"IMAPIFolder.OpenEntry",
       [](Objects& o) { return opening(open_entry(o.folder.get(), o.item)); }},
      {"IMAPIProp.GetProps",
       [](Objects& o) { return get_value(o.store.get(), kDisplayNameW).result; }},
  };
}

class SessionFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SessionFaultTest, OperationFailsWithTheInjectedFaultAndWorksWithout) {
  const FaultCase& fault = GetParam();
  Objects objects;
  EXPECT_EQ(expect_fault_then_run(fault.call_point, "MAPI_E_DISK_ERROR", kInjected,
                                  [&] { return fault.operation(objects); }),
            S_OK);
}

std::string case_name(const ::testing::TestParamInfo<FaultCase>& info) {
  return test_name_of(info.param.call_point);
}

INSTANTIATE_TEST_SUITE_P(EveryCallPoint, SessionFaultTest, ::testing::ValuesIn(fault_cases()),
                         case_name);

TEST(SessionFaultTest, MembersNotServedAreCountedAndNotSupported) {
  Objects objects;
  LPADRBOOK book = reinterpret_cast<LPADRBOOK>(1);
  EXPECT_EQ(objects.session->OpenAddressBook(0, nullptr, 0, &book), MAPI_E_NO_SUPPORT);
  EXPECT_EQ(book, nullptr);
  EXPECT_EQ(objects.admin->DeleteProfile(nullptr, 0), MAPI_E_NO_SUPPORT);
  EXPECT_EQ(objects.folder->EmptyFolder(0, nullptr, 0), MAPI_E_NO_SUPPORT);
  set_faults(R"([{"call": "IMsgStore.AbortSubmit", "hr": "MAPI_E_DISK_ERROR"}])");
  EXPECT_EQ(objects.store->AbortSubmit(0, nullptr, 0), kInjected);
  const nlohmann::json calls = report()["calls"];
  EXPECT_EQ(calls["IMAPISession.OpenAddressBook"], 1);
  EXPECT_EQ(calls["IProfAdmin.DeleteProfile"], 1);
  EXPECT_EQ(calls["IMAPIFolder.EmptyFolder"], 1);
  EXPECT_EQ(calls["IMsgStore.AbortSubmit"], 1);
}

}  // namespace
}  // namespace qvsim::mapi::test
