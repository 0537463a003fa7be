// 8-bit strings of a message take the system's code page, as on Windows:
// this program runs under the Japanese locale (QV_LOCALE=ja_JP.UTF-8, code
// page 932), where the Shift_JIS bytes of a message made on a Japanese
// system read as the Japanese text they were written as.
#include <windows.h>
#include <mapitags.h>

#include <string>

#include "items/message.h"
#include "tests/items/item_fixture.h"

namespace qv::test {
namespace {

using CodePageTest = ItemTest;

TEST_F(CodePageTest, EightBitSubjectAndBodyReadInTheSystemCodePage) {
  ASSERT_EQ(::GetACP(), 932u) << "not run under QV_LOCALE=ja_JP.UTF-8";
  // "日本語の件名" and "会議は月曜日です。" in Shift_JIS.
  char subject[] = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x8C\x8F\x96\xBC";
  char body[] = "\x89\xEF\x8B\x63\x82\xCD\x8C\x8E\x97\x6A\x93\xFA\x82\xC5\x82\xB7\x81\x42";
  const std::wstring empty = file(L"empty.msg");
  const std::wstring name = file(L"japanese.msg");
  CompoundStorage().create(empty.c_str());
  {
    MapiMessage message(empty.c_str(), false);
    MapiMessageImpl& impl = message.impl();
    impl.storage.create(name.c_str());
    impl.wrap_storage();
    SPropValue values[2]{};
    values[0].ulPropTag = PR_SUBJECT_A;
    values[0].Value.lpszA = subject;
    values[1].ulPropTag = PR_BODY_A;
    values[1].Value.lpszA = body;
    ASSERT_EQ(impl.message->SetProps(2, values, nullptr), S_OK);
    impl.dirty = true;
  }
  const MapiMessage message(name.c_str(), false);
  EXPECT_EQ(message.field_text(field::subject, L"<failed>"),
            L"\u65E5\u672C\u8A9E\u306E\u4EF6\u540D");
  EXPECT_EQ(message.field_text(field::body, L"<failed>"),
            L"\u4F1A\u8B70\u306F\u6708\u66DC\u65E5\u3067\u3059\u3002");
}

}  // namespace
}  // namespace qv::test
