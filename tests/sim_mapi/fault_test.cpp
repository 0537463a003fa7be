// Injected faults: every operation of the library fails with the fault's
// HRESULT at its call point, and works again once the fault is gone.
#include <gtest/gtest.h>

#include <functional>

#include "tests/sim_mapi/mapi32_library.h"

namespace qvsim::mapi::test {
namespace {

constexpr HRESULT kInjected = MAPI_E_NETWORK_ERROR;

// What an operation works on, made before the fault is injected.
struct Objects {
  MemoryMessage m = new_memory_message();
  qv::com_ptr<IMAPITable> table;
  qv::com_ptr<IStream> stream;
  void* buffer = nullptr;

  Objects() {
    set_unicode(m.message.get(), kSubjectW, L"subject");
    ULONG number = 0;
    qv::com_ptr<IAttach> attachment;
    m.message->CreateAttach(nullptr, 0, &number, attachment.put());
    m.message->GetAttachmentTable(0, table.put());
    stream = open_property_stream(m.message.get(), kSubjectW, MAPI_MODIFY);
    Mapi32::get().allocate_buffer(16, &buffer);
  }
  ~Objects() { Mapi32::get().free_buffer(buffer); }
};

using Operation = std::function<HRESULT(Objects&)>;

// Runs a MAPI call that returns memory and frees what it returned.
HRESULT freeing(HRESULT hr, void* memory) {
  Mapi32::get().free_buffer(memory);
  return hr;
}

HRESULT releasing(HRESULT hr, IUnknown* object) {
  if (object != nullptr) {
    object->Release();
  }
  return hr;
}

struct FaultCase {
  const char* call_point;
  Operation operation;
};

std::vector<FaultCase> fault_cases() {
  const Mapi32& mapi = Mapi32::get();
  static SizedSPropTagArray(1, one_tag) = {1, {kSubjectW}};
  const auto tags = [] { return reinterpret_cast<LPSPropTagArray>(&one_tag); };
  return {
      {"MAPIInitialize",
       [&mapi](Objects&) {
         const HRESULT hr = mapi.initialize(nullptr);
         if (SUCCEEDED(hr)) {
           mapi.uninitialize();
         }
         return hr;
       }},
      {"MAPIAdminProfiles",
       [&mapi](Objects&) {
         LPPROFADMIN a = nullptr;
         return releasing(mapi.admin_profiles(0, &a), a);
       }},
      {"MAPILogonEx",
       [&mapi](Objects&) {
         LPMAPISESSION s = nullptr;
         char profile[] = "Outlook";
         return releasing(mapi.logon(0, profile, nullptr, 0, &s), s);
       }},
      {"MAPIAllocateBuffer",
       [&mapi](Objects&) {
         void* p = nullptr;
         const HRESULT hr = mapi.allocate_buffer(8, &p);
         return freeing(hr, p);
       }},
      {"MAPIAllocateMore",
       [&mapi](Objects& o) {
         void* p = nullptr;
         return mapi.allocate_more(8, o.buffer, &p);
       }},
      {"HrGetOneProp",
       [&mapi](Objects& o) {
         LPSPropValue v = nullptr;
         const HRESULT hr = mapi.get_one_prop(o.m.message.get(), kSubjectW, &v);
         return freeing(hr, v);
       }},
      {"WrapCompressedRTFStream",
       [&mapi](Objects& o) {
         IStream* s = nullptr;
         return releasing(mapi.wrap_rtf(o.stream.get(), 0, &s), s);
       }},
      {"OpenIMsgOnIStg",
       [](Objects& o) {
         IMessage* m = nullptr;
         return releasing(open_message(o.m.storage.get(), &m), m);
       }},
      {"IMAPIProp.GetProps",
       [tags](Objects& o) {
         ULONG n = 0;
         LPSPropValue v = nullptr;
         return freeing(o.m.message->GetProps(tags(), 0, &n, &v), v);
       }},
      {"IMAPIProp.GetPropList",
       [](Objects& o) {
         LPSPropTagArray t = nullptr;
         return freeing(o.m.message->GetPropList(0, &t), t);
       }},
      {"IMAPIProp.OpenProperty",
       [](Objects& o) {
         IUnknown* u = nullptr;
         return releasing(o.m.message->OpenProperty(kSubjectW, &IID_IStream, 0, 0, &u), u);
       }},
      {"IMAPIProp.SetProps",
       [](Objects& o) { return set_unicode(o.m.message.get(), kSubjectW, L"changed"); }},
      {"IMAPIProp.DeleteProps",
       [tags](Objects& o) { return o.m.message->DeleteProps(tags(), nullptr); }},
      {"IMAPIProp.GetIDsFromNames",
       [](Objects& o) {
         HRESULT hr = S_OK;
         named_tag(o.m.message.get(), kPsetidCommon, 0x8503, MAPI_CREATE, &hr);
         return hr;
       }},
      {"IMAPIProp.GetNamesFromIDs",
       [&mapi](Objects& o) {
         LPSPropTagArray all = nullptr;
         ULONG n = 0;
         LPMAPINAMEID* names = nullptr;
         const HRESULT hr = o.m.message->GetNamesFromIDs(&all, nullptr, 0, &n, &names);
         mapi.free_buffer(all);
         return freeing(hr, names);
       }},
      {"IMAPIProp.SaveChanges",
       [](Objects& o) { return o.m.message->SaveChanges(KEEP_OPEN_READWRITE); }},
      {"IMessage.GetAttachmentTable",
       [](Objects& o) {
         IMAPITable* t = nullptr;
         return releasing(o.m.message->GetAttachmentTable(0, &t), t);
       }},
      {"IMessage.GetRecipientTable",
       [](Objects& o) {
         IMAPITable* t = nullptr;
         return releasing(o.m.message->GetRecipientTable(0, &t), t);
       }},
      {"IMessage.OpenAttach",
       [](Objects& o) {
         IAttach* a = nullptr;
         return releasing(o.m.message->OpenAttach(0, nullptr, 0, &a), a);
       }},
      {"IMessage.CreateAttach",
       [](Objects& o) {
         IAttach* a = nullptr;
         ULONG n = 0;
         return releasing(o.m.message->CreateAttach(nullptr, 0, &n, &a), a);
       }},
      {"IMessage.ModifyRecipients",
       [](Objects& o) {
         SizedADRLIST(1, list) = {0, {}};
         return o.m.message->ModifyRecipients(MODRECIP_ADD, reinterpret_cast<LPADRLIST>(&list));
       }},
      {"IMAPITable.SetColumns",
       [tags](Objects& o) { return o.table->SetColumns(tags(), TBL_BATCH); }},
      {"IMAPITable.QueryRows",
       [&mapi](Objects& o) {
         LPSRowSet rows = nullptr;
         const HRESULT hr = o.table->QueryRows(10, TBL_NOADVANCE, &rows);
         mapi.free_rows(rows);
         return hr;
       }},
      {"IMAPITable.GetRowCount",
       [](Objects& o) {
         ULONG n = 0;
         return o.table->GetRowCount(0, &n);
       }},
      {"IMAPITable.QueryColumns",
       [](Objects& o) {
         LPSPropTagArray t = nullptr;
         return freeing(o.table->QueryColumns(0, &t), t);
       }},
      {"IMAPITable.SeekRow",
       [](Objects& o) { return o.table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr); }},
      {"IStream.Stat",
       [](Objects& o) {
         STATSTG s{};
         return o.stream->Stat(&s, STATFLAG_NONAME);
       }},
      {"IStream.Read",
       [](Objects& o) {
         char b[4];
         ULONG n = 0;
         return o.stream->Read(b, 4, &n);
       }},
      {"IStream.Write",
       [](Objects& o) {
         ULONG n = 0;
         return o.stream->Write("ab", 2, &n);
       }},
      {"IStream.Seek",
       [](Objects& o) {
         LARGE_INTEGER z{};
         return o.stream->Seek(z, STREAM_SEEK_SET, nullptr);
       }},
      {"IStream.Commit", [](Objects& o) { return o.stream->Commit(STGC_DEFAULT); }},
  };
}

class FaultTest : public ::testing::TestWithParam<FaultCase> {
 protected:
  void TearDown() override { set_faults(nullptr); }
};

TEST_P(FaultTest, OperationFailsWithTheInjectedFaultAndWorksWithout) {
  const FaultCase& fault = GetParam();
  Objects objects;
  const HRESULT without = expect_fault_then_run(fault.call_point, "MAPI_E_NETWORK_ERROR", kInjected,
                                                [&] { return fault.operation(objects); });
  EXPECT_NE(without, kInjected);
}

std::string case_name(const ::testing::TestParamInfo<FaultCase>& info) {
  return test_name_of(info.param.call_point);
}

INSTANTIATE_TEST_SUITE_P(EveryCallPoint, FaultTest, ::testing::ValuesIn(fault_cases()), case_name);

TEST(FaultRoutinesTest, RoutinesWithoutAnHresultFailTheirOwnWay) {
  const Mapi32& mapi = Mapi32::get();
  set_faults(
      R"([{"call": "MAPIGetDefaultMalloc"}, {"call": "FBinFromHex"}, {"call": "MAPIFreeBuffer"}])");
  EXPECT_EQ(mapi.get_default_malloc(), nullptr);
  BYTE byte = 0;
  char digits[] = "AB";
  EXPECT_FALSE(mapi.bin_from_hex(digits, &byte));
  void* buffer = nullptr;
  ASSERT_EQ(mapi.allocate_buffer(4, &buffer), S_OK);
  EXPECT_EQ(mapi.free_buffer(buffer), static_cast<ULONG>(E_FAIL));
  set_faults(nullptr);
  EXPECT_EQ(mapi.free_buffer(buffer), S_OK);
}

TEST(FaultRoutinesTest, OnlyTheNthCallFails) {
  Objects objects;
  set_faults(R"([{"call": "IStream.Read", "nth": 2, "hr": "STG_E_READFAULT"}])");
  Mapi32::get().reset_counts();
  char bytes[2];
  ULONG read = 0;
  EXPECT_EQ(objects.stream->Read(bytes, 2, &read), S_OK);
  EXPECT_EQ(objects.stream->Read(bytes, 2, &read), STG_E_READFAULT);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(objects.stream->Read(bytes, 2, &read), S_OK);
  set_faults(nullptr);
}

}  // namespace
}  // namespace qvsim::mapi::test
