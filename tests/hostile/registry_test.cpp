// The MAPI library's registry lookup against values of every type and size:
// the default value of HKLM\SOFTWARE\Clients\Mail and DllPathEx of its
// "Microsoft Outlook" key, each written with every registry type, sizes from
// none to far beyond the reader's room, with and without terminators. The
// result is what the rules give (docs/library.md) or the library's
// "Failed to locate" error, never a crash or a text read past the value.
#include <gtest/gtest.h>

#include <cstdio>
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
constexpr DWORD kSizes[] = {0,   1,   2,   3,   4,   6,   8,   34,  36,   38,
                            518, 519, 520, 521, 522, 523, 524, 526, 1000, 65536};

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

// The text the rules read from a value, or nothing.
bool readable_text(const std::string& bytes, DWORD type, std::wstring& text) {
  const size_t size = bytes.size();
  if (size % 2 != 0 || size > 261 * 2) {
    return false;
  }
  std::wstring characters(size / 2, L'\0');
  for (size_t i = 0; i < characters.size(); ++i) {
    characters[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  const size_t n = characters.size();
  const bool text_type =
      (type == REG_SZ || type == REG_EXPAND_SZ) && n >= 1 && characters[n - 1] == L'\0';
  const bool multi =
      type == REG_MULTI_SZ && n >= 2 && characters[n - 1] == L'\0' && characters[n - 2] == L'\0';
  if (!text_type && !multi) {
    return false;
  }
  text = characters.c_str();
  return true;
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
  int cases = 0;
  int texts = 0;
  for (const DWORD type : kTypes) {
    for (const DWORD size : kSizes) {
      for (const bool terminated : {false, true}) {
        const std::string bytes =
            value_bytes(L"C:\\Program Files\\Outlook\\olmapi32.dll", size, type, terminated);
        set_value(kOutlookKey, L"DllPathEx", type, bytes);
        std::wstring expected;
        const bool readable = readable_text(bytes, type, expected);
        ASSERT_EQ(located(), readable ? expected : kFailure)
            << "type " << type << ", " << size << " bytes, terminated " << terminated;
        ++cases;
        texts += readable ? 1 : 0;
      }
    }
  }
  std::printf("registry DllPathEx values: %d cases, %d read as text, %d clean errors, 0 crashes\n",
              cases, texts, cases - texts);
}

TEST_F(HostileRegistryTest, EveryTypeAndSizeOfTheDefaultClientChoosesARouteByTheRules) {
  set_registry_text(HKEY_LOCAL_MACHINE, kOutlookKey, L"DllPathEx", kFallback);
  int cases = 0;
  int outlook = 0;
  for (const DWORD type : kTypes) {
    for (const DWORD size : kSizes) {
      for (const bool terminated : {false, true}) {
        // "Microsoft Outlook" and its terminator are 36 bytes.
        const std::string bytes =
            value_bytes(std::wstring(L"Microsoft Outlook\0", 18), size, type, terminated);
        set_value(kMailKey, nullptr, type, bytes);
        std::wstring text;
        const bool is_outlook = readable_text(bytes, type, text) &&
                                ::lstrcmpiW(text.c_str(), L"microsoft outlook") == 0;
        ASSERT_EQ(located(), is_outlook ? L"mapi32.dll" : kFallback)
            << "type " << type << ", " << size << " bytes, terminated " << terminated;
        ++cases;
        outlook += is_outlook ? 1 : 0;
      }
    }
  }
  std::printf(
      "registry default-client values: %d cases, %d Outlook, %d through DllPathEx, 0 crashes\n",
      cases, outlook, cases - outlook);
}

}  // namespace
}  // namespace qv::test
