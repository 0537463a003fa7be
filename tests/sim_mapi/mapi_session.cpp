#include "tests/sim_mapi/mapi_session.h"

#include <gtest/gtest.h>

#include "tests/support/sim_support.h"

namespace qvsim::mapi::test {
Bytes hex(const char* digits) {
  const std::string text(digits);
  EXPECT_EQ(text.size() % 2, 0u) << text;
  Bytes bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

ServedDescription::ServedDescription(const std::string& json)
    : path_(folder_.file(L"mailbox.json")) {
  qv::test::write_text_file(path_, json);
  EXPECT_EQ(Mapi32::get().reset(path_.c_str()), S_OK);
  EXPECT_EQ(Mapi32::get().initialize(nullptr), S_OK);
}

ServedDescription::ServedDescription() : path_(qv::test::sample_mailbox_path()) {
  EXPECT_EQ(Mapi32::get().reset(path_.c_str()), S_OK);
  EXPECT_EQ(Mapi32::get().initialize(nullptr), S_OK);
}

ServedDescription::~ServedDescription() {
  Mapi32::get().uninitialize();
  set_faults(nullptr);
}

Rows::~Rows() { Mapi32::get().free_rows(rows_); }

void read_rows(IMAPITable* table, const std::vector<ULONG>& columns, LONG count, ULONG flags,
               Rows* rows) {
  std::vector<ULONG> array(columns.size() + 1);
  array[0] = static_cast<ULONG>(columns.size());
  std::copy(columns.begin(), columns.end(), array.begin() + 1);
  ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(array.data()), TBL_BATCH), S_OK);
  ASSERT_EQ(table->QueryRows(count, flags, rows->put()), S_OK);
}

qv::com_ptr<IMAPISession> logon(const wchar_t* profile, HRESULT* result) {
  qv::com_ptr<IMAPISession> session;
  const HRESULT hr = Mapi32::get().logon(0, reinterpret_cast<LPTSTR>(const_cast<wchar_t*>(profile)),
                                         nullptr, kProductLogonFlags, session.put());
  if (result != nullptr) {
    *result = hr;
  }
  return session;
}

qv::com_ptr<IMsgStore> open_store(IMAPISession* session, const Bytes& entry_id, HRESULT* result) {
  qv::com_ptr<IMsgStore> store;
  const HRESULT hr =
      session->OpenMsgStore(0, static_cast<ULONG>(entry_id.size()),
                            reinterpret_cast<LPENTRYID>(const_cast<std::uint8_t*>(entry_id.data())),
                            nullptr, kProductStoreFlags, store.put());
  if (result != nullptr) {
    *result = hr;
  }
  return store;
}

Bytes binary_of(const SPropValue& value) {
  EXPECT_EQ(PROP_TYPE(value.ulPropTag), static_cast<ULONG>(PT_BINARY));
  if (PROP_TYPE(value.ulPropTag) != PT_BINARY) {
    return Bytes();
  }
  return Bytes(value.Value.bin.lpb, value.Value.bin.lpb + value.Value.bin.cb);
}

void write_memo_msg(const std::wstring& path) {
  qv::com_ptr<IStorage> storage;
  ASSERT_EQ(::StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                               storage.put()),
            S_OK);
  qv::com_ptr<IMessage> message;
  ASSERT_EQ(open_message(storage.get(), message.put()), S_OK);
  ASSERT_EQ(set_unicode(message.get(), kSubjectW, kMemoSubject), S_OK);
  ASSERT_EQ(set_unicode(message.get(), kBodyW, L"Written by the test."), S_OK);
  const ULONG location = named_tag(message.get(), kPsetidAppointment, 0x8208, MAPI_CREATE);
  ASSERT_EQ(PROP_ID(location), 0x8000u);
  ASSERT_EQ(set_unicode(message.get(), location, kMemoLocation), S_OK);
  ULONG number = 0;
  qv::com_ptr<IAttach> attachment;
  ASSERT_EQ(message->CreateAttach(nullptr, 0, &number, attachment.put()), S_OK);
  ASSERT_EQ(set_long(attachment.get(), PR_ATTACH_METHOD, ATTACH_BY_VALUE), S_OK);
  ASSERT_EQ(set_unicode(attachment.get(), PROP_TAG(PT_UNICODE, 0x3707), L"notes.txt"), S_OK);
  ASSERT_EQ(attachment->SaveChanges(0), S_OK);
  ASSERT_EQ(message->SaveChanges(0), S_OK);
}

}  // namespace qvsim::mapi::test
