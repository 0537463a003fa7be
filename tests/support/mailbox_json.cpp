#include "tests/support/mailbox_json.h"

namespace qv::test {

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

std::string uncompressed_rtf(const std::string& rtf, std::uint32_t claimed_size) {
  std::string bytes;
  const auto put = [&bytes](std::uint32_t n) {
    for (int i = 0; i < 4; ++i) {
      bytes += static_cast<char>((n >> (8 * i)) & 0xFF);
    }
  };
  put(static_cast<std::uint32_t>(rtf.size() + 12));  // what follows this field
  put(claimed_size != 0 ? claimed_size : static_cast<std::uint32_t>(rtf.size()));
  bytes += "MELA";
  put(0);
  return hex_of(bytes + rtf);
}

}  // namespace qv::test
