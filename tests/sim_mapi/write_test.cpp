// Messages written through OpenIMsgOnIStg and SaveChanges, in memory and on
// disk, read back through the same routine and through the platform's own
// structured-storage reader.
#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <sstream>

#include "tests/sim_mapi/mapi32_library.h"
#include "tests/support/paths.h"
#include "tests/support/text.h"

namespace qvsim::mapi::test {
namespace {

constexpr DWORD kCreateMode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;

// A property value as comparable text.
std::string describe(const SPropValue& v) {
  std::ostringstream out;
  const ULONG type = PROP_TYPE(v.ulPropTag);
  out << std::hex << v.ulPropTag << '=';
  switch (type) {
    case PT_I2:
      out << v.Value.i;
      break;
    case PT_LONG:
      out << v.Value.l;
      break;
    case PT_R4:
      out << v.Value.flt;
      break;
    case PT_DOUBLE:
      out << v.Value.dbl;
      break;
    case PT_APPTIME:
      out << v.Value.at;
      break;
    case PT_CURRENCY:
      out << v.Value.cur.int64;
      break;
    case PT_ERROR:
      out << v.Value.err;
      break;
    case PT_BOOLEAN:
      out << v.Value.b;
      break;
    case PT_I8:
      out << v.Value.li.QuadPart;
      break;
    case PT_SYSTIME:
      out << qv::test::hex_of(&v.Value.ft, sizeof v.Value.ft);
      break;
    case PT_STRING8:
      out << v.Value.lpszA;
      break;
    case PT_UNICODE:
      out << qv::test::hex_of(v.Value.lpszW, wcslen(v.Value.lpszW) * 2);
      break;
    case PT_CLSID:
      out << qv::test::hex_of(v.Value.lpguid, sizeof(GUID));
      break;
    case PT_BINARY:
      out << qv::test::hex_of(v.Value.bin.lpb, v.Value.bin.cb);
      break;
    case PT_MV_LONG:
      for (ULONG i = 0; i < v.Value.MVl.cValues; ++i) {
        out << v.Value.MVl.lpl[i] << ';';
      }
      break;
    case PT_MV_UNICODE:
      for (ULONG i = 0; i < v.Value.MVszW.cValues; ++i) {
        out << qv::test::hex_of(v.Value.MVszW.lppszW[i], wcslen(v.Value.MVszW.lppszW[i]) * 2)
            << ';';
      }
      break;
    case PT_MV_STRING8:
      for (ULONG i = 0; i < v.Value.MVszA.cValues; ++i) {
        out << v.Value.MVszA.lppszA[i] << ';';
      }
      break;
    case PT_MV_BINARY:
      for (ULONG i = 0; i < v.Value.MVbin.cValues; ++i) {
        out << qv::test::hex_of(v.Value.MVbin.lpbin[i].lpb, v.Value.MVbin.lpbin[i].cb) << ';';
      }
      break;
    case PT_MV_SYSTIME:
      for (ULONG i = 0; i < v.Value.MVft.cValues; ++i) {
        out << qv::test::hex_of(&v.Value.MVft.lpft[i], sizeof(FILETIME)) << ';';
      }
      break;
    default:
      out << "type " << type;
      break;
  }
  return out.str();
}

// Every property of prop (GetProps of all, Unicode), as text by tag.
std::map<ULONG, std::string> snapshot(IMAPIProp* prop) {
  std::map<ULONG, std::string> result;
  ULONG count = 0;
  LPSPropValue values = nullptr;
  EXPECT_TRUE(SUCCEEDED(prop->GetProps(nullptr, MAPI_UNICODE, &count, &values)));
  for (ULONG i = 0; i < count; ++i) {
    if (values[i].ulPropTag != PR_STORE_SUPPORT_MASK) {  // added by the writer
      result[values[i].ulPropTag] = describe(values[i]);
    }
  }
  Mapi32::get().free_buffer(values);
  return result;
}

void set_every_type(IMAPIProp* prop) {
  LONG longs[] = {1, -2, 3};
  LPWSTR texts[] = {const_cast<LPWSTR>(L"one"), const_cast<LPWSTR>(L"\u00FCber")};
  LPSTR narrows[] = {const_cast<LPSTR>("a"), const_cast<LPSTR>("")};
  BYTE b1[] = {1, 2, 3};
  SBinary binaries[] = {{3, b1}, {0, nullptr}};
  FILETIME times[] = {{0x11111111, 0x01D00000}};
  GUID guid = kPsetidCommon;
  SPropValue values[17]{};
  values[0].ulPropTag = PROP_TAG(PT_I2, 0x6601);
  values[0].Value.i = -7;
  values[1].ulPropTag = PROP_TAG(PT_LONG, 0x6602);
  values[1].Value.l = 123456;
  values[2].ulPropTag = PROP_TAG(PT_R4, 0x6603);
  values[2].Value.flt = 1.5f;
  values[3].ulPropTag = PROP_TAG(PT_DOUBLE, 0x6604);
  values[3].Value.dbl = 0.5;
  values[4].ulPropTag = PROP_TAG(PT_CURRENCY, 0x6605);
  values[4].Value.cur.int64 = 99990000;
  values[5].ulPropTag = PROP_TAG(PT_APPTIME, 0x6606);
  values[5].Value.at = 39083.5;
  values[6].ulPropTag = PROP_TAG(PT_BOOLEAN, 0x6607);
  values[6].Value.b = 1;
  values[7].ulPropTag = PROP_TAG(PT_I8, 0x6608);
  values[7].Value.li.QuadPart = 0x123456789ABLL;
  values[8].ulPropTag = PROP_TAG(PT_STRING8, 0x6609);
  values[8].Value.lpszA = const_cast<LPSTR>("eight bit");
  values[9].ulPropTag = kSubjectW;
  values[9].Value.lpszW = const_cast<LPWSTR>(L"Subject \u263A");
  values[10].ulPropTag = PROP_TAG(PT_SYSTIME, 0x0E06);
  values[10].Value.ft = times[0];
  values[11].ulPropTag = PROP_TAG(PT_CLSID, 0x660A);
  values[11].Value.lpguid = &guid;
  values[12].ulPropTag = PROP_TAG(PT_BINARY, 0x660B);
  values[12].Value.bin = binaries[0];
  values[13].ulPropTag = PROP_TAG(PT_MV_LONG, 0x660C);
  values[13].Value.MVl = {3, longs};
  values[14].ulPropTag = PROP_TAG(PT_MV_UNICODE, 0x660D);
  values[14].Value.MVszW = {2, texts};
  values[15].ulPropTag = PROP_TAG(PT_MV_STRING8, 0x660E);
  values[15].Value.MVszA = {2, narrows};
  values[16].ulPropTag = PROP_TAG(PT_MV_BINARY, 0x660F);
  values[16].Value.MVbin = {2, binaries};
  LPSPropProblemArray problems = nullptr;
  ASSERT_EQ(prop->SetProps(17, values, &problems), S_OK);
  EXPECT_EQ(problems, nullptr);
}

// A message with every kind of content: values of each type, a named
// property, a recipient, a file attachment and an embedded message.
void fill_message(IMessage* message) {
  set_every_type(message);
  const ULONG location = named_tag(message, kPsetidAppointment, 0x8208, MAPI_CREATE);
  ASSERT_EQ(set_unicode(message, CHANGE_PROP_TYPE(location, PT_UNICODE), L"Room 4"), S_OK);
  SPropValue recipient[2]{};
  recipient[0].ulPropTag = PROP_TAG(PT_UNICODE, 0x3001);
  recipient[0].Value.lpszW = const_cast<LPWSTR>(L"Bob");
  recipient[1].ulPropTag = PR_RECIPIENT_TYPE;
  recipient[1].Value.l = MAPI_CC;
  SizedADRLIST(1, list) = {1, {{0, 2, recipient}}};
  ASSERT_EQ(message->ModifyRecipients(MODRECIP_ADD, reinterpret_cast<LPADRLIST>(&list)), S_OK);

  ULONG number = 0;
  qv::com_ptr<IAttach> file;
  ASSERT_EQ(message->CreateAttach(nullptr, 0, &number, file.put()), S_OK);
  ASSERT_EQ(set_long(file.get(), PR_ATTACH_METHOD, ATTACH_BY_VALUE), S_OK);
  ASSERT_EQ(set_binary(file.get(), kAttachDataBinary, std::string(70000, '\x5A')), S_OK);
  ASSERT_EQ(file->SaveChanges(KEEP_OPEN_READWRITE), S_OK);

  qv::com_ptr<IAttach> holder;
  ASSERT_EQ(message->CreateAttach(nullptr, 0, &number, holder.put()), S_OK);
  qv::com_ptr<IMessage> inner = open_embedded_message(holder.get(), MAPI_CREATE | MAPI_MODIFY);
  ASSERT_TRUE(inner);
  ASSERT_EQ(set_unicode(inner.get(), kSubjectW, L"Inner"), S_OK);
  const ULONG inner_location = named_tag(inner.get(), kPsetidAppointment, 0x8208);
  EXPECT_EQ(inner_location, location);  // the embedded message shares the mapping
  ASSERT_EQ(inner->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  ASSERT_EQ(holder->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
}

void expect_filled(IMessage* message, const std::map<ULONG, std::string>& expected) {
  EXPECT_EQ(snapshot(message), expected);
  const ULONG location = named_tag(message, kPsetidAppointment, 0x8208);
  EXPECT_EQ(get_value(message, CHANGE_PROP_TYPE(location, PT_UNICODE)).text, L"Room 4");
  qv::com_ptr<IMAPITable> recipients;
  ASSERT_EQ(message->GetRecipientTable(0, recipients.put()), S_OK);
  ULONG rows = 0;
  recipients->GetRowCount(0, &rows);
  EXPECT_EQ(rows, 1u);
  qv::com_ptr<IAttach> file;
  ASSERT_EQ(message->OpenAttach(0, nullptr, 0, file.put()), S_OK);
  std::string data;
  ASSERT_EQ(read_property_stream(file.get(), kAttachDataBinary, &data), S_OK);
  EXPECT_EQ(data, std::string(70000, '\x5A'));
  qv::com_ptr<IAttach> holder;
  ASSERT_EQ(message->OpenAttach(1, nullptr, 0, holder.put()), S_OK);
  EXPECT_EQ(get_value(holder.get(), PR_ATTACH_METHOD).number,
            static_cast<LONG>(ATTACH_EMBEDDED_MSG));
  qv::com_ptr<IMessage> inner = open_embedded_message(holder.get());
  ASSERT_TRUE(inner);
  EXPECT_EQ(get_value(inner.get(), kSubjectW).text, L"Inner");
}

TEST(WriteTest, AMessageSavedInMemoryReopensWithTheSameProperties) {
  MemoryMessage m = new_memory_message();
  fill_message(m.message.get());
  const std::map<ULONG, std::string> written = snapshot(m.message.get());
  EXPECT_GE(written.size(), 18u);
  ASSERT_EQ(m.message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  m.message.reset();
  m.storage.reset();

  qv::com_ptr<IStorage> storage = reopen_storage(m.bytes.get());
  qv::com_ptr<IMessage> reopened;
  ASSERT_EQ(open_message(storage.get(), reopened.put()), S_OK);
  expect_filled(reopened.get(), written);
}

TEST(WriteTest, AMessageSavedOnDiskIsACompoundFileThatReopens) {
  qv::test::TempDir folder;
  const std::wstring path = folder.file(L"saved.msg");
  std::map<ULONG, std::string> written;
  {
    qv::com_ptr<IStorage> storage;
    ASSERT_EQ(::StgCreateDocfile(path.c_str(), kCreateMode, 0, storage.put()), S_OK);
    qv::com_ptr<IMessage> message;
    ASSERT_EQ(open_message(storage.get(), message.put()), S_OK);
    fill_message(message.get());
    written = snapshot(message.get());
    ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  }
  EXPECT_EQ(::StgIsStorageFile(path.c_str()), S_OK);
  qv::com_ptr<IStorage> storage;
  ASSERT_EQ(::StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                             storage.put()),
            S_OK);
  qv::com_ptr<IMessage> reopened;
  ASSERT_EQ(open_message(storage.get(), reopened.put()), S_OK);
  expect_filled(reopened.get(), written);

  // Opened for reading only, the message refuses changes.
  EXPECT_EQ(set_long(reopened.get(), PR_PRIORITY, 1), MAPI_E_NO_ACCESS);
  EXPECT_EQ(reopened->SaveChanges(KEEP_OPEN_READWRITE), MAPI_E_NO_ACCESS);
}

TEST(WriteTest, NoIstgCommitLeavesTheStorageUncommitted) {
  for (const ULONG flags : {0ul, static_cast<unsigned long>(IMSG_NO_ISTG_COMMIT)}) {
    SCOPED_TRACE(flags);
    qv::com_ptr<ILockBytes> bytes;
    ASSERT_EQ(::CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.put()), S_OK);
    {
      qv::com_ptr<IStorage> storage;
      ASSERT_EQ(::StgCreateDocfileOnILockBytes(bytes.get(), kCreateMode | STGM_TRANSACTED, 0,
                                               storage.put()),
                S_OK);
      ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
      qv::com_ptr<IMessage> message;
      ASSERT_EQ(open_message(storage.get(), message.put(), flags), S_OK);
      ASSERT_EQ(set_unicode(message.get(), kSubjectW, L"kept?"), S_OK);
      ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    }  // released without a commit of the caller's own
    qv::com_ptr<IStorage> storage = reopen_storage(bytes.get());
    qv::com_ptr<IMessage> reopened;
    ASSERT_EQ(open_message(storage.get(), reopened.put()), S_OK);
    const OneValue subject = get_value(reopened.get(), kSubjectW);
    if (flags == 0) {
      EXPECT_EQ(subject.text, L"kept?");
    } else {
      EXPECT_EQ(subject.error, MAPI_E_NOT_FOUND);
    }
  }
}

TEST(WriteTest, CorpusMessagesCopiedValueByValueReopenEqual) {
  if (qv::test::corpus_dir().empty()) {
    GTEST_SKIP() << "the corpus of .msg files is absent";
  }
  const Mapi32& mapi = Mapi32::get();
  for (const char* corpus_name : {"nonUnicodeMail", "A schedule", "contactUnicode", "voteItems"}) {
    SCOPED_TRACE(corpus_name);
    const std::wstring name = qv::test::wide(corpus_name);
    qv::com_ptr<IStorage> source_storage;
    ASSERT_EQ(::StgOpenStorage((qv::test::corpus_dir() + L"\\" + name + L".msg").c_str(), nullptr,
                               STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, source_storage.put()),
              S_OK);
    qv::com_ptr<IMessage> source;
    ASSERT_EQ(open_message(source_storage.get(), source.put()), S_OK);
    ASSERT_EQ(mapi.set_message_options(source.get(), R"({"getprops_limit": 0})"), S_OK);
    ULONG count = 0;
    LPSPropValue values = nullptr;
    ASSERT_EQ(source->GetProps(nullptr, MAPI_UNICODE, &count, &values), S_OK);
    MemoryMessage copy = new_memory_message();
    LPSPropProblemArray problems = nullptr;
    ASSERT_EQ(copy.message->SetProps(count, values, &problems), S_OK);
    EXPECT_EQ(problems, nullptr);
    mapi.free_buffer(values);
    const std::map<ULONG, std::string> expected = snapshot(source.get());
    ASSERT_EQ(copy.message->SaveChanges(0), S_OK);
    copy.message.reset();
    copy.storage.reset();
    qv::com_ptr<IStorage> storage = reopen_storage(copy.bytes.get());
    qv::com_ptr<IMessage> reopened;
    ASSERT_EQ(open_message(storage.get(), reopened.put()), S_OK);
    ASSERT_EQ(mapi.set_message_options(reopened.get(), R"({"getprops_limit": 0})"), S_OK);
    EXPECT_EQ(snapshot(reopened.get()), expected);
  }
}

}  // namespace
}  // namespace qvsim::mapi::test
