// One mailbox seen alike through both simulators: every folder and item
// that the simulated Outlook shows opens through a MAPI session by the
// EntryID that the object model gives, with the same name or subject, and
// an item served from a .msg file shows the file's subject in both.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/com_holders.h"
#include "tests/sim_mapi/mapi_session.h"
#include "tests/sim_outlook/outlook_client.h"
#include "tests/support/sim_support.h"

namespace qvsim::mapi::test {
namespace {

// A folder or an item as the object model shows it.
struct Shown {
  std::wstring entry_id;  // hexadecimal, as Outlook gives it
  std::wstring text;      // a folder's Name, an item's Subject
  bool is_folder = false;
};

Bytes from_hex(const std::wstring& digits) {
  return hex(std::string(digits.begin(), digits.end()).c_str());
}

void collect(MAPIFolder* folder, std::vector<Shown>* shown) {
  qv::unique_bstr name;
  EXPECT_EQ(folder->get_Name(name.put()), S_OK);
  shown->push_back(Shown{qvsim::test::entry_id_of(folder), name.text(), true});
  qv::com_ptr<_Items> items;
  long count = 0;
  EXPECT_EQ(folder->get_Items(items.put()), S_OK);
  EXPECT_EQ(items->get_Count(&count), S_OK);
  for (int i = 1; i <= count; ++i) {
    qv::com_ptr<IDispatch> item;
    EXPECT_EQ(items->Item(qvsim::test::position(i), item.put()), S_OK);
    shown->push_back(Shown{qvsim::test::text_by_name(item.get(), L"EntryID"),
                           qvsim::test::text_by_name(item.get(), L"Subject"), false});
  }
  qv::com_ptr<_Folders> folders;
  EXPECT_EQ(folder->get_Folders(folders.put()), S_OK);
  EXPECT_EQ(folders->get_Count(&count), S_OK);
  for (int i = 1; i <= count; ++i) {
    collect(qvsim::test::subfolder(folder, i).get(), shown);
  }
}

class SameMailboxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { qv::test::register_outlook_sim(); }
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
  void TearDown() override { ::CoUninitialize(); }

  // Every folder and item of every store, through the object model.
  std::vector<Shown> shown_by_outlook(const std::wstring& mailbox) {
    EXPECT_EQ(qv::test::use_outlook_mailbox(mailbox), S_OK);
    qv::com_ptr<_Application> application;
    EXPECT_EQ(qvsim::test::connect_outlook(&application), S_OK);
    std::vector<Shown> shown;
    for (int store = 1;; ++store) {
      qv::com_ptr<MAPIFolder> top = qvsim::test::top_folder(application.get(), store);
      if (!top) {
        break;
      }
      collect(top.get(), &shown);
    }
    return shown;
  }

  // Opens an EntryID as the product does: each session in turn until one
  // opens it.
  static Opened open_in_any(const std::vector<qv::com_ptr<IMAPISession>>& sessions,
                            const Bytes& entry_id) {
    Opened opened;
    for (const qv::com_ptr<IMAPISession>& session : sessions) {
      opened = open_entry(session.get(), entry_id);
      if (SUCCEEDED(opened.result)) {
        break;
      }
    }
    return opened;
  }
};

TEST_F(SameMailboxTest, EveryFolderAndItemOfOutlookOpensThroughMapiByItsEntryId) {
  const std::vector<Shown> shown = shown_by_outlook(qv::test::sample_mailbox_path());
  ASSERT_GT(shown.size(), 20u);
  ServedDescription served;  // the sample, through MAPI
  const std::vector<qv::com_ptr<IMAPISession>> sessions = {logon(L"Work"), logon(L"Home")};
  for (const Shown& entry : shown) {
    SCOPED_TRACE(entry.entry_id);
    const Bytes entry_id = from_hex(entry.entry_id);
    const Opened opened = open_in_any(sessions, entry_id);
    ASSERT_EQ(opened.result, S_OK);
    EXPECT_EQ(opened.type, static_cast<ULONG>(entry.is_folder ? MAPI_FOLDER : MAPI_MESSAGE));
    qv::com_ptr<IMAPIProp> prop = opened.object.try_query<IMAPIProp>();
    EXPECT_EQ(get_value(prop.get(), entry.is_folder ? kDisplayNameW : kSubjectW).text, entry.text);
    EXPECT_EQ(get_value(prop.get(), PR_ENTRYID).bytes,
              std::string(entry_id.begin(), entry_id.end()));
  }
}

TEST_F(SameMailboxTest, AnItemFromAMsgFileShowsTheFilesSubjectInBoth) {
  qv::test::TempDir folder;
  write_memo_msg(folder.file(L"memo.msg"));
  const std::wstring mailbox = folder.file(L"mailbox.json");
  qv::test::write_text_file(mailbox, R"({"stores": [{"display_name": "Files", "top_folder": {
    "items": [{"id": "memo", "msg_file": "memo.msg"}]}}]})");
  const std::vector<Shown> shown = shown_by_outlook(mailbox);
  ASSERT_EQ(shown.size(), 2u);  // the top folder and the memo
  EXPECT_EQ(shown[1].text, kMemoSubject);

  ASSERT_EQ(Mapi32::get().reset(mailbox.c_str()), S_OK);
  ASSERT_EQ(Mapi32::get().initialize(nullptr), S_OK);
  {
    const Opened opened = open_in_any({logon(L"Outlook")}, from_hex(shown[1].entry_id));
    ASSERT_EQ(opened.result, S_OK);
    EXPECT_EQ(get_value(opened.object.try_query<IMessage>().get(), kSubjectW).text, kMemoSubject);
  }
  Mapi32::get().uninitialize();
}

}  // namespace
}  // namespace qvsim::mapi::test
