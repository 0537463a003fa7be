#include "errors/exceptions.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qv {
namespace {

// The system's own text for a code, trimmed at the end only.
std::wstring raw_system_text(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&buffer),
      0, nullptr);
  std::wstring text(buffer, length);
  ::LocalFree(buffer);
  return text;
}

TEST(CheckHresultTest, SuccessCodesComeBackUnchanged) {
  EXPECT_EQ(check_hresult(0), 0);
  EXPECT_EQ(check_hresult(1), 1);
  EXPECT_EQ(check_hresult(0x00040001), 0x00040001);
}

TEST(CheckHresultTest, FailureThrowsWin32ErrorWithSystemTextWithoutLineBreak) {
  try {
    check_hresult(static_cast<HRESULT>(0x80004005));
    FAIL() << "no exception";
  } catch (const win32_error& e) {
    EXPECT_EQ(static_cast<uint32_t>(e.code()), 0x80004005u);
    const std::wstring raw = raw_system_text(0x80004005);
    ASSERT_GE(raw.size(), 2u);
    EXPECT_EQ(raw.substr(raw.size() - 2), L"\r\n");
    EXPECT_EQ(e.message(), raw.substr(0, raw.size() - 2));
    EXPECT_STREQ(e.what(), "qv::texception");
  }
}

TEST(CheckHresultTest, CodeWithoutSystemTextGivesUnknownError) {
  constexpr HRESULT kMapiNotFound = static_cast<HRESULT>(0x8004010F);
  try {
    check_hresult(kMapiNotFound);
    FAIL() << "no exception";
  } catch (const truntime_error& e) {  // caught through the base, as the driver does
    ASSERT_NE(dynamic_cast<const win32_error*>(&e), nullptr);
    EXPECT_EQ(static_cast<const win32_error&>(e).code(), kMapiNotFound);
    EXPECT_EQ(e.message(), L"Unknown error");
  }
}

TEST(Win32ErrorTest, FromLastErrorMakesHresultForMessageAndKeepsRawCode) {
  ::SetLastError(126);
  const win32_error e;
  EXPECT_EQ(e.code(), 126);
  EXPECT_EQ(e.message(), system_error_text(static_cast<int32_t>(0x8007007E)));
  EXPECT_NE(e.message(), L"Unknown error");
  EXPECT_FALSE(e.message().empty());
}

TEST(Win32ErrorTest, LastErrorZeroGivesTheTextForSuccess) {
  ::SetLastError(0);
  const win32_error e;
  EXPECT_EQ(e.code(), 0);
  std::wstring success = raw_system_text(0);
  trim_whitespace(success);
  EXPECT_EQ(e.message(), success);
}

TEST(Win32ErrorTest, BuiltFromAFailedCall) {
  HMODULE module = ::LoadLibraryW(L"qv_no_such_library_at_all.dll");
  ASSERT_EQ(module, nullptr);
  const win32_error e;
  EXPECT_EQ(e.code(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(e.message(), system_error_text(static_cast<int32_t>(0x8007007E)));
}

TEST(Win32ErrorTest, FromTextKeepsTheTextAndHasCodeEFail) {
  const win32_error e(L"No Outlook profiles were found");
  EXPECT_EQ(e.message(), L"No Outlook profiles were found");
  EXPECT_EQ(static_cast<uint32_t>(e.code()), 0x80004005u);
}

TEST(Win32ErrorTest, FromCodeZeroIsNotMistakenForANullText) {
  const win32_error e(0);
  EXPECT_EQ(e.code(), 0);
  EXPECT_EQ(e.message(), system_error_text(0));
}

TEST(ExceptionChainTest, WhatIsTheSameFixedTextForEveryClass) {
  const texception base(L"base message");
  const truntime_error runtime(L"Failed to locate Outlook Extended MAPI DLL");
  const win32_error win32(static_cast<int32_t>(0x80004005));
  EXPECT_STREQ(base.what(), "qv::texception");
  EXPECT_STREQ(runtime.what(), "qv::texception");
  EXPECT_STREQ(win32.what(), "qv::texception");
  const std::exception& as_standard = runtime;
  EXPECT_STREQ(as_standard.what(), "qv::texception");
  EXPECT_EQ(runtime.message(), L"Failed to locate Outlook Extended MAPI DLL");
}

TEST(ExceptionChainTest, NullTextGivesEmptyMessageAndStringFormIsCopied) {
  EXPECT_TRUE(truntime_error(static_cast<const wchar_t*>(nullptr)).message().empty());
  std::wstring text = L"copied";
  const texception e(text);
  text[0] = L'X';
  EXPECT_EQ(e.message(), L"copied");
}

TEST(ExceptionChainTest, CopiesCarryMessageAndCode) {
  const win32_error original(static_cast<int32_t>(0x8004010F));
  const win32_error copy = original;
  EXPECT_EQ(copy.code(), original.code());
  EXPECT_EQ(copy.message(), original.message());
  try {
    throw copy;
  } catch (const texception& caught) {
    EXPECT_EQ(caught.message(), L"Unknown error");
  }
}

TEST(FormatMessageTest, ReplacesTheInsert) {
  EXPECT_EQ(format_message(L"Outlook object [%1] not found", {L"00AB12"}),
            L"Outlook object [00AB12] not found");
}

TEST(FormatMessageTest, PercentSignsInAnInsertStayAsTheyAre) {
  EXPECT_EQ(format_message(L"Outlook object [%1] not found", {L"outlook:\\\\Inbox\\50%20off %1"}),
            L"Outlook object [outlook:\\\\Inbox\\50%20off %1] not found");
}

TEST(FormatMessageTest, EscapesOfThePatternApply) {
  EXPECT_EQ(format_message(L"100%% of %1", {L"x"}), L"100% of x");
  EXPECT_EQ(format_message(L"%1 and %2", {L"a", L"b"}), L"a and b");
}

TEST(FormatMessageTest, MalformedPatternComesBackUnchanged) {
  EXPECT_EQ(format_message(L"trailing %", {L"x"}), L"trailing %");
}

TEST(FormatMessageTest, InsertThatWasNotPassedIsNeverRead) {
  EXPECT_EQ(format_message(L"one [%1] two [%2]", {L"only"}), L"one [%1] two [%2]");
  EXPECT_EQ(format_message(L"no inserts [%1]"), L"no inserts [%1]");
  // A '*' width reads one more insert than the number names.
  EXPECT_EQ(format_message(L"%1!*s!", {L"5"}), L"%1!*s!");
  EXPECT_EQ(format_message(L"unclosed %1!s", {L"x"}), L"unclosed %1!s");
}

TEST(FormatMessageTest, NullInsertCountsAsEmptyAndResultIsNotTrimmed) {
  EXPECT_EQ(format_message(L" [%1] ", {nullptr}), L" [] ");
}

TEST(SystemErrorTextTest, LeavesInsertsOfTheSystemTextAndTrims) {
  // The system's text for a bad executable names the file as "%1".
  std::wstring expected = raw_system_text(ERROR_BAD_EXE_FORMAT);
  ASSERT_NE(expected.find(L"%1"), std::wstring::npos) << "no insert in the system's text";
  const std::wstring text = system_error_text(ERROR_BAD_EXE_FORMAT);
  EXPECT_EQ(text, trim_whitespace(expected));
  ASSERT_FALSE(text.empty());
  EXPECT_FALSE(iswspace(text.back()));
  EXPECT_FALSE(iswspace(text.front()));
}

TEST(TrimWhitespaceTest, TrimsBothEndsAndKeepsInnerSpace) {
  std::wstring text = L" \t\r\n inner  space \r\n\v\f";
  EXPECT_EQ(trim_whitespace(text), L"inner  space");
  EXPECT_EQ(text, L"inner  space");
}

TEST(TrimWhitespaceTest, WhiteSpaceOnlyBecomesEmpty) {
  std::wstring text = L" \t\r\n\v\f ";
  EXPECT_EQ(trim_whitespace(text), L"");
  std::wstring empty;
  EXPECT_EQ(trim_whitespace(empty), L"");
}

}  // namespace
}  // namespace qv
