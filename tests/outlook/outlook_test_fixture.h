// The fixture of the tests that run the library's Outlook automation, in
// process, against the simulated Outlook.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace qv::test {

class OutlookTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    register_outlook_sim();
    use_outlook_as_default_mail_client();
  }
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
  void TearDown() override { ::CoUninitialize(); }

  // Serves this description from now on.
  void use_mailbox(const nlohmann::json& description);

  // What the simulated Outlook has counted so far, and what is still alive.
  nlohmann::json report() const { return outlook_report_now(); }
  std::uint64_t calls(const char* call_point) const;
  // Expects that the library holds no reference to any Outlook object.
  void expect_everything_released() const;

  TempDir dir_;
};

// A store of hand-written EntryIDs, so expected texts read plainly:
//   \\Mailbox            5100 (store) / F000 (top folder)
//     Inbox              F001: items A001 "Alpha", A002 "Beta"
//       Projects         F002
//     Calendar           F003: item C001 "Meeting"
nlohmann::json simple_store();

using JsonList = std::vector<nlohmann::json>;

// A description with these stores (a list, also of one: a braced list of one
// JSON value would be taken for that value itself).
nlohmann::json mailbox_of(const JsonList& stores);

// The JSON of a store with this name, top-folder EntryID and subfolders. A
// folder's id (by which events and changes name it) is its EntryID.
nlohmann::json store(const std::string& name, const std::string& top_entry_id,
                     const JsonList& folders = {});
nlohmann::json folder(const std::string& name, const std::string& entry_id,
                      const JsonList& subfolders = {});

}  // namespace qv::test
