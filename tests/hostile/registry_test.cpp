// The MAPI library's registry lookup against values of every type and size:
// the default value of HKLM\SOFTWARE\Clients\Mail and DllPathEx of its
// "Microsoft Outlook" key, each written with every registry type, sizes from
// none to far beyond the reader's room, with and without terminators. The
// result is what the rules give (docs/library.md) or the library's
// "Failed to locate" error, never a crash or a text read past the value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "errors/exceptions.h"
#include "mapi/mapi.h"
#include "tests/support/registry.h"

namespace qv::test {
namespace {

constexpr wchar_t kFallback[] = L"C:\\fallback\\olmapi32.dll";
constexpr wchar_t kFailure[] = L"Failed to locate";

constexpr DWORD kTypes[] = {REG_NONE,
                            REG_SZ,
                            REG_EXPAND_SZ,
                            REG_BINARY,
                            REG_DWORD,
                            REG_DWORD_BIG_ENDIAN,
                            REG_LINK,
                            REG_MULTI_SZ,
                            REG_RESOURCE_LIST,
                            REG_FULL_RESOURCE_DESCRIPTOR,
                            REG_RESOURCE_REQUIREMENTS_LIST,
                            REG_QWORD,
                            0x1234};
// What the reading rule makes of a value of each size, written out: whether
// a text value (REG_SZ, REG_EXPAND_SZ) and a REG_MULTI_SZ value that end in
// their null characters read. Only even sizes of one text character (two
// for a list) up to the 261 characters of room read. Values of the other
// types never read, nor do values without the null characters, since the
// texts written hold none.
struct SizeCase {
  DWORD size;
  bool text_reads;
  bool multi_reads;
};
constexpr SizeCase kSizes[] = {
    {0, false, false},   {1, false, false},   {2, true, false},     {3, false, false},
    {4, true, true},     {6, true, true},     {8, true, true},      {34, true, true},
    {36, true, true},    {38, true, true},    {518, true, true},    {519, false, false},
    {520, true, true},   {521, false, false}, {522, true, true},    {523, false, false},
    {524, false, false}, {526, false, false}, {1000, false, false}, {65536, false, false},
};

// The default-client values that name Outlook. "Microsoft Outlook" and its
// null are 36 bytes, repeated to the size: a text value of exactly 36 bytes
// ends in that null even without a terminator of its own; with one, a text
// value of 36 bytes or more holds the whole name before it, and a list value
// needs 38, since its last two characters are the nulls.
struct OutlookValue {
  DWORD type;
  DWORD size;
  bool terminated;
};
constexpr OutlookValue kOutlookValues[] = {
    {REG_SZ, 36, false},        {REG_EXPAND_SZ, 36, false}, {REG_SZ, 36, true},
    {REG_SZ, 38, true},         {REG_SZ, 518, true},        {REG_SZ, 520, true},
    {REG_SZ, 522, true},        {REG_EXPAND_SZ, 36, true},  {REG_EXPAND_SZ, 38, true},
    {REG_EXPAND_SZ, 518, true}, {REG_EXPAND_SZ, 520, true}, {REG_EXPAND_SZ, 522, true},
    {REG_MULTI_SZ, 38, true},   {REG_MULTI_SZ, 518, true},  {REG_MULTI_SZ, 520, true},
    {REG_MULTI_SZ, 522, true},
};

bool names_outlook(DWORD type, DWORD size, bool terminated) {
  for (const OutlookValue& value : kOutlookValues) {
    if (value.type == type && value.size == size && value.terminated == terminated) {
      return true;
    }
  }
  return false;
}

// size bytes of text in UTF-16, repeated as needed; terminated: the last one
// (or two, for REG_MULTI_SZ) characters made null.
std::string value_bytes(const std::wstring& text, DWORD size, DWORD type, bool terminated) {
  std::string bytes(size, '\0');
  for (DWORD i = 0; i < size; ++i) {
    const wchar_t c = text[(i / 2) % text.size()];
    bytes[i] = static_cast<char>(i % 2 == 0 ? c & 0xFF : c >> 8);
  }
  if (terminated) {
    const size_t zeros = std::min<size_t>(size, type == REG_MULTI_SZ ? 4 : 2);
    std::fill(bytes.end() - static_cast<std::ptrdiff_t>(zeros), bytes.end(), '\0');
  }
  return bytes;
}

// The first n characters of text repeated.
std::wstring repeated(const std::wstring& text, size_t n) {
  std::wstring result;
  for (size_t i = 0; i < n; ++i) {
    result.push_back(text[i % text.size()]);
  }
  return result;
}

std::wstring located() {
  try {
    return locate_mapi_dll();
  } catch (const win32_error&) {
    return L"win32_error";
  } catch (const truntime_error& e) {
    return e.message().rfind(kFailure, 0) == 0 ? kFailure : e.message();
  }
}

void set_value(const wchar_t* key, const wchar_t* name, DWORD type, const std::string& bytes) {
  set_registry_value(HKEY_LOCAL_MACHINE, key, name, type, bytes.data(),
                     static_cast<DWORD>(bytes.size()));
}

class HostileRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { delete_registry_tree(HKEY_LOCAL_MACHINE, kMailKey); }
  RegistryBackup backup_{HKEY_LOCAL_MACHINE, kMailKey};
};

TEST_F(HostileRegistryTest, EveryTypeAndSizeOfDllPathExGivesItsTextOrTheLocateError) {
  const std::wstring path = L"C:\\Program Files\\Outlook\\olmapi32.dll";
  int cases = 0;
  int texts = 0;
  for (const DWORD type : kTypes) {
    for (const SizeCase& size : kSizes) {
      for (const bool terminated : {false, true}) {
        set_value(kOutlookKey, L"DllPathEx", type, value_bytes(path, size.size, type, terminated));
        const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
        const bool multi = type == REG_MULTI_SZ;
        const bool reads = terminated && ((text && size.text_reads) || (multi && size.multi_reads));
        // The characters before the null ones.
        const std::wstring expected =
            reads ? repeated(path, size.size / 2 - (multi ? 2 : 1)) : kFailure;
        ASSERT_EQ(located(), expected)
            << "type " << type << ", " << size.size << " bytes, terminated " << terminated;
        ++cases;
        texts += reads ? 1 : 0;
      }
    }
  }
  std::printf("registry DllPathEx values: %d cases, %d read as text, %d clean errors, 0 crashes\n",
              cases, texts, cases - texts);
  EXPECT_EQ(texts, 2 * 10 + 9);
}

TEST_F(HostileRegistryTest, EveryTypeAndSizeOfTheDefaultClientChoosesARouteByTheRules) {
  set_registry_text(HKEY_LOCAL_MACHINE, kOutlookKey, L"DllPathEx", kFallback);
  int cases = 0;
  int outlook = 0;
  for (const DWORD type : kTypes) {
    for (const SizeCase& size : kSizes) {
      for (const bool terminated : {false, true}) {
        set_value(
            kMailKey, nullptr, type,
            value_bytes(std::wstring(L"Microsoft Outlook\0", 18), size.size, type, terminated));
        const bool is_outlook = names_outlook(type, size.size, terminated);
        ASSERT_EQ(located(), is_outlook ? L"mapi32.dll" : kFallback)
            << "type " << type << ", " << size.size << " bytes, terminated " << terminated;
        ++cases;
        outlook += is_outlook ? 1 : 0;
      }
    }
  }
  std::printf(
      "registry default-client values: %d cases, %d Outlook, %d through DllPathEx, 0 crashes\n",
      cases, outlook, cases - outlook);
  EXPECT_EQ(outlook, static_cast<int>(std::size(kOutlookValues)));
}

}  // namespace
}  // namespace qv::test
