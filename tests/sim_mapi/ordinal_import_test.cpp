// This program imports the utility routines by ordinal (the import library
// of mapi/mapi32_ordinals.def, as the product does); with mapi32.dll of the
// bin folder replacing the platform's, the calls reach the simulator, whose
// ledger counts them.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "sim/mapi/base/mapi_platform.h"

namespace {

nlohmann::json simulator_report() {
  HMODULE module = ::GetModuleHandleW(L"mapi32.dll");
  EXPECT_NE(module, nullptr);
  auto get_report = reinterpret_cast<ULONG(WINAPI*)(LPSTR, ULONG)>(
      reinterpret_cast<void*>(::GetProcAddress(module, "QvSimMapiGetReport")));
  if (get_report == nullptr) {
    return nlohmann::json();  // the platform's mapi32.dll answered
  }
  std::string text(get_report(nullptr, 0), '\0');
  get_report(text.data(), static_cast<ULONG>(text.size()));
  text.pop_back();
  return nlohmann::json::parse(text);
}

TEST(OrdinalImportTest, ImportedRoutinesAreTheSimulators) {
  void* buffer = nullptr;
  ASSERT_EQ(MAPIAllocateBuffer(4, &buffer), S_OK);
  BYTE* bytes = static_cast<BYTE*>(buffer);
  char digits[] = "c0FFee01";
  EXPECT_TRUE(FBinFromHex(digits, bytes));
  char text[9];
  HexFromBin(bytes, 4, text);
  EXPECT_STREQ(text, "C0FFEE01");
  EXPECT_EQ(MAPIFreeBuffer(buffer), S_OK);
  LPMALLOC malloc = MAPIGetDefaultMalloc();
  ASSERT_NE(malloc, nullptr);
  malloc->Release();

  const nlohmann::json report = simulator_report();
  ASSERT_TRUE(report.is_object()) << "mapi32.dll is not the simulator's";
  EXPECT_EQ(report["component"], "mapi");
  for (const char* call : {"MAPIAllocateBuffer", "FBinFromHex", "HexFromBin", "MAPIFreeBuffer",
                           "MAPIGetDefaultMalloc"}) {
    EXPECT_EQ(report["calls"].value(call, 0), 1) << call;
  }
}

}  // namespace
