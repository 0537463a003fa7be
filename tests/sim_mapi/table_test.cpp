// Attachment and recipient tables: the columns and row limits the product
// relies on, and row sets that FreeProws frees completely.
#include <gtest/gtest.h>

#include "tests/sim_mapi/mapi32_library.h"

namespace qvsim::mapi::test {
namespace {

constexpr ULONG kMimeTagW = PROP_TAG(PT_UNICODE, 0x370E);
constexpr ULONG kMimeTagA = PROP_TAG(PT_STRING8, 0x370E);

class TableTest : public ::testing::Test {
 protected:
  void add_attachments(int count) {
    for (int i = 0; i < count; ++i) {
      ULONG number = 0;
      qv::com_ptr<IAttach> attachment;
      ASSERT_EQ(m_.message->CreateAttach(nullptr, 0, &number, attachment.put()), S_OK);
      ASSERT_EQ(number, static_cast<ULONG>(i));
      ASSERT_EQ(set_long(attachment.get(), PR_ATTACH_METHOD, ATTACH_BY_VALUE), S_OK);
      if (i % 2 == 0) {  // odd attachments have no MIME type
        ASSERT_EQ(set_unicode(attachment.get(), kMimeTagW, L"image/png"), S_OK);
      }
    }
  }

  // The attachment table as the product reads it.
  qv::com_ptr<IMAPITable> attachment_table() {
    qv::com_ptr<IMAPITable> table;
    EXPECT_EQ(m_.message->GetAttachmentTable(0, table.put()), S_OK);
    SizedSPropTagArray(4, columns) = {4, {PR_ATTACH_NUM, PR_ATTACH_METHOD, kMimeTagW, kMimeTagA}};
    EXPECT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), TBL_BATCH), S_OK);
    return table;
  }

  static std::uint64_t outstanding() {
    return report()["mapi_allocations_outstanding"].get<std::uint64_t>();
  }

  const Mapi32& mapi_ = Mapi32::get();
  MemoryMessage m_ = new_memory_message();
};

TEST_F(TableTest, RowsHaveTheColumnsSetAndPtErrorWhereAValueIsMissing) {
  add_attachments(2);
  qv::com_ptr<IMAPITable> table = attachment_table();
  LPSRowSet rows = nullptr;
  ASSERT_EQ(table->QueryRows(100, TBL_NOADVANCE, &rows), S_OK);
  ASSERT_EQ(rows->cRows, 2u);
  const SRow& first = rows->aRow[0];
  ASSERT_EQ(first.cValues, 4u);
  EXPECT_EQ(first.lpProps[0].ulPropTag, PR_ATTACH_NUM);
  EXPECT_EQ(first.lpProps[0].Value.l, 0);
  EXPECT_EQ(first.lpProps[1].Value.l, static_cast<LONG>(ATTACH_BY_VALUE));
  EXPECT_STREQ(first.lpProps[2].Value.lpszW, L"image/png");
  EXPECT_EQ(first.lpProps[3].ulPropTag, kMimeTagA);
  EXPECT_STREQ(first.lpProps[3].Value.lpszA, "image/png");
  const SRow& second = element(rows->aRow, 1);
  EXPECT_EQ(second.lpProps[0].Value.l, 1);
  EXPECT_EQ(second.lpProps[2].ulPropTag, static_cast<ULONG>(PROP_TAG(PT_ERROR, 0x370E)));
  EXPECT_EQ(second.lpProps[2].Value.err, MAPI_E_NOT_FOUND);
  mapi_.free_rows(rows);
}

TEST_F(TableTest, QueryRowsHonoursTheCountAndNoAdvanceKeepsThePosition) {
  add_attachments(5);
  qv::com_ptr<IMAPITable> table = attachment_table();
  LPSRowSet rows = nullptr;
  ASSERT_EQ(table->QueryRows(2, TBL_NOADVANCE, &rows), S_OK);
  EXPECT_EQ(rows->cRows, 2u);
  mapi_.free_rows(rows);
  ASSERT_EQ(table->QueryRows(3, 0, &rows), S_OK);
  ASSERT_EQ(rows->cRows, 3u);
  EXPECT_EQ(rows->aRow[0].lpProps[0].Value.l, 0);  // NOADVANCE did not move
  mapi_.free_rows(rows);
  ASSERT_EQ(table->QueryRows(10, 0, &rows), S_OK);
  ASSERT_EQ(rows->cRows, 2u);  // the rest
  EXPECT_EQ(rows->aRow[0].lpProps[0].Value.l, 3);
  mapi_.free_rows(rows);
  ASSERT_EQ(table->QueryRows(10, 0, &rows), S_OK);
  EXPECT_EQ(rows->cRows, 0u);
  mapi_.free_rows(rows);
}

TEST_F(TableTest, NegativeCountsReadBackwardsAndSeekRowMovesTheCursor) {
  add_attachments(5);
  qv::com_ptr<IMAPITable> table = attachment_table();
  LONG sought = 0;
  ASSERT_EQ(table->SeekRow(BOOKMARK_END, 0, &sought), S_OK);
  LPSRowSet rows = nullptr;
  ASSERT_EQ(table->QueryRows(-2, 0, &rows), S_OK);
  ASSERT_EQ(rows->cRows, 2u);
  EXPECT_EQ(rows->aRow[0].lpProps[0].Value.l, 3);  // the rows before the cursor, in table order
  EXPECT_EQ(element(rows->aRow, 1).lpProps[0].Value.l, 4);
  mapi_.free_rows(rows);
  ULONG row = 0, numerator = 0, denominator = 0;
  ASSERT_EQ(table->QueryPosition(&row, &numerator, &denominator), S_OK);
  EXPECT_EQ(row, 3u);
  ASSERT_EQ(table->SeekRow(BOOKMARK_CURRENT, -10, &sought), S_OK);
  EXPECT_EQ(sought, -3);  // stopped at the beginning
}

TEST_F(TableTest, AHundredRowsOfMore) {
  add_attachments(105);
  qv::com_ptr<IMAPITable> table = attachment_table();
  ULONG count = 0;
  EXPECT_EQ(table->GetRowCount(0, &count), S_OK);
  EXPECT_EQ(count, 105u);
  LPSRowSet rows = nullptr;
  ASSERT_EQ(table->QueryRows(100, TBL_NOADVANCE, &rows), S_OK);
  EXPECT_EQ(rows->cRows, 100u);
  EXPECT_EQ(element(rows->aRow, 99).lpProps[0].Value.l, 99);
  mapi_.free_rows(rows);
}

TEST_F(TableTest, FreeProwsFreesTheRowSetAndEveryRow) {
  add_attachments(3);
  qv::com_ptr<IMAPITable> table = attachment_table();
  const std::uint64_t before = outstanding();
  LPSRowSet rows = nullptr;
  ASSERT_EQ(table->QueryRows(3, TBL_NOADVANCE, &rows), S_OK);
  EXPECT_EQ(outstanding(), before + 4);  // the set and one buffer per row
  mapi_.free_rows(rows);
  EXPECT_EQ(outstanding(), before);
}

TEST_F(TableTest, RecipientTableListsTheRecipients) {
  SPropValue alice[2]{};
  alice[0].ulPropTag = kDisplayNameW;
  alice[0].Value.lpszW = const_cast<LPWSTR>(L"Alice");
  alice[1].ulPropTag = PR_RECIPIENT_TYPE;
  alice[1].Value.l = MAPI_TO;
  SizedADRLIST(1, list) = {1, {{0, 2, alice}}};
  ASSERT_EQ(m_.message->ModifyRecipients(MODRECIP_ADD, reinterpret_cast<LPADRLIST>(&list)), S_OK);
  qv::com_ptr<IMAPITable> table;
  ASSERT_EQ(m_.message->GetRecipientTable(MAPI_UNICODE, table.put()), S_OK);
  LPSRowSet rows = nullptr;
  ASSERT_EQ(table->QueryRows(10, 0, &rows), S_OK);
  ASSERT_EQ(rows->cRows, 1u);
  bool named = false;
  for (ULONG i = 0; i < rows->aRow[0].cValues; ++i) {
    if (rows->aRow[0].lpProps[i].ulPropTag == kDisplayNameW) {
      named = std::wstring(rows->aRow[0].lpProps[i].Value.lpszW) == L"Alice";
    }
  }
  EXPECT_TRUE(named);
  mapi_.free_rows(rows);
}

}  // namespace
}  // namespace qvsim::mapi::test
