// Many profiles, stores and attachments: 12 profiles of 10 stores each, and
// items of more than 100 attachments, served by the simulated MAPI; and a
// property stream that claims gigabytes.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "errors/exceptions.h"
#include "items/entry_id.h"
#include "items/field_table.h"
#include "items/message.h"
#include "mapi/logon.h"
#include "mapi/mapi.h"
#include "tests/items/item_fixture.h"

namespace qv::test {
namespace {

constexpr int kProfiles = 12;
constexpr int kStoresPerProfile = 10;

// 12 profiles, each listing 10 stores of its own; each store has one item
// (EntryID A<profile><store>) with 100 + profile * 10 + store attachments.
nlohmann::json many_profiles() {
  JsonList stores;
  nlohmann::json profiles = nlohmann::json::array();
  for (int p = 0; p < kProfiles; ++p) {
    nlohmann::json rows = nlohmann::json::array();
    for (int s = 0; s < kStoresPerProfile; ++s) {
      const int n = p * kStoresPerProfile + s;
      nlohmann::json store_json = store("Store " + std::to_string(n), "F" + hex_number(n, 3));
      store_json["id"] = "s" + std::to_string(n);
      store_json["entry_id"] = "5" + hex_number(n, 3);
      store_json["top_folder"]["items"] = {{{"entry_id", "A" + hex_number(n, 3)},
                                            {"subject", "Item " + std::to_string(n)},
                                            {"attachment_count", 100 + n}}};
      stores.push_back(store_json);
      rows.push_back("s" + std::to_string(n));
    }
    profiles.push_back(
        {{"name", "Profile " + std::to_string(p)}, {"stores", rows}, {"default", p == 11}});
  }
  nlohmann::json mailbox = mailbox_of(stores);
  mailbox["profiles"] = profiles;
  return mailbox;
}

class ScaleTest : public ItemTest {};

TEST_F(ScaleTest, TwelveProfilesOfTenStoresLogOnToTheFirstTenAndOpenTheirItems) {
  serve(many_profiles());
  MapiLogon& logon = shared_mapi(false)->logon();
  // Only the profile table's first ten rows are read: the default profile in
  // row 12 is neither put first nor logged on.
  EXPECT_EQ(logon.sessions().size(), 10u);
  EXPECT_EQ(logon.stores().size(), 100u);
  int opened = 0;
  int not_found = 0;
  for (int n = 0; n < kProfiles * kStoresPerProfile; ++n) {
    const std::wstring url = L"outlook:A" + wide(hex_number(n, 3));
    try {
      const MapiMessage message(url.c_str(), false);
      // An item of more than 100 attachments keeps its first 100 rows.
      EXPECT_EQ(message.impl().attachment_count, 100u) << n;
      EXPECT_EQ(message.field_text(0, L"?"), L"Item " + std::to_wstring(n));
      for (int field = 0; field < kFieldCount; ++field) {
        message.field_text(field, L"default");
      }
      ++opened;
    } catch (const truntime_error& e) {
      // The stores of profiles 11 and 12 are in no session.
      EXPECT_GE(n, 100) << n;
      EXPECT_EQ(e.message(), L"Outlook object [" + url.substr(8) + L"] not found");
      ++not_found;
    }
  }
  EXPECT_EQ(opened, 100);
  EXPECT_EQ(not_found, 20);
  std::printf(
      "12 profiles x 10 stores: 10 sessions, 100 stores, %d items of 100 to 199 attachments "
      "opened, %d "
      "not found in the unread profiles, 0 leaks\n",
      opened, not_found);
}

std::uint64_t peak_memory() {
  PROCESS_MEMORY_COUNTERS memory{};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory));
  return memory.PeakPagefileUsage;
}

TEST_F(ScaleTest, AStreamWhoseSizeClaimsGigabytesCostsOnlyWhatItHolds) {
  nlohmann::json mailbox = mailbox_of({simple_store()});
  mailbox["stores"][0]["top_folder"]["items"] = {
      {{"entry_id", "A0B0"},
       {"properties", {{{"tag", "0x1000001F"}, {"value", "A short body"}}}},
       {"message_options", {{"stream", {{"stat_size", 3221225472u}}}}}}};
  serve(mailbox);
  const std::uint64_t before = peak_memory();
  const MapiMessage message(L"outlook:A0B0", false);
  EXPECT_EQ(message.field_text(6, L"default"), L"A short body");
  EXPECT_LT(peak_memory() - before, 256u << 20);
}

}  // namespace
}  // namespace qv::test
