// Small mailbox descriptions for tests, built as JSON.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/text.h"

namespace qv::test {

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

// A PR_RTF_COMPRESSED value that holds rtf uncompressed ("MELA"), in hex;
// claimed_size, when not 0, is the RTF size that the header claims instead.
std::string uncompressed_rtf(const std::string& rtf, std::uint32_t claimed_size = 0);

}  // namespace qv::test
