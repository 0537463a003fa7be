#include "tests/outlook/outlook_test_fixture.h"

#include "sim/common/mailbox.h"

namespace qv::test {

void OutlookTest::use_mailbox(const nlohmann::json& description) {
  try {
    qvsim::Mailbox::parse(description, dir_.path());
  } catch (const qvsim::MailboxError& e) {
    FAIL() << "the test's mailbox description is wrong: " << e.what();
  }
  const std::wstring path = dir_.file(L"mailbox.json");
  write_text_file(path, description.dump(2));
  ASSERT_EQ(use_outlook_mailbox(path), S_OK);
}

std::uint64_t OutlookTest::calls(const char* call_point) const {
  const nlohmann::json counted = report()["calls"];
  return counted.contains(call_point) ? counted[call_point].get<std::uint64_t>() : 0;
}

void OutlookTest::expect_everything_released() const {
  const nlohmann::json state = report();
  EXPECT_EQ(state["unreleased_references"], 0) << state["live_objects"].dump();
  EXPECT_TRUE(state["live_objects"].empty()) << state["live_objects"].dump();
}

nlohmann::json mailbox_of(const JsonList& stores) { return {{"stores", stores}}; }

nlohmann::json store(const std::string& name, const std::string& top_entry_id,
                     const JsonList& folders) {
  return {{"display_name", name},
          {"top_folder", {{"id", top_entry_id}, {"entry_id", top_entry_id}, {"folders", folders}}}};
}

nlohmann::json folder(const std::string& name, const std::string& entry_id,
                      const JsonList& subfolders) {
  return {{"id", entry_id}, {"name", name}, {"entry_id", entry_id}, {"folders", subfolders}};
}

nlohmann::json simple_store() {
  nlohmann::json inbox = folder("Inbox", "F001", {folder("Projects", "F002")});
  inbox["items"] = {{{"id", "alpha"}, {"entry_id", "A001"}, {"subject", "Alpha"}},
                    {{"id", "beta"}, {"entry_id", "A002"}, {"subject", "Beta"}}};
  nlohmann::json calendar = folder("Calendar", "F003");
  calendar["default_item_type"] = "appointment";
  calendar["items"] = {{{"id", "meeting"}, {"entry_id", "C001"}, {"subject", "Meeting"}}};
  nlohmann::json result = store("Mailbox", "F000", {inbox, calendar});
  result["entry_id"] = "5100";
  return result;
}

}  // namespace qv::test
