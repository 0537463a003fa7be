// The mailbox that the fault matrices run against, and the .msg file that
// one of its items names.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace qv::test {

// An item with a value for every one of the 86 fields (the body longer than
// one chunk of a stream read, an RTF body, named properties of every type),
// with this EntryID and subject.
nlohmann::json item_with_every_field(const std::string& entry_id, const std::string& subject);

// Writes the item (a description's item, as above) as a .msg file, with its
// properties and attachments, and makes the file read-only.
void write_msg_file(const nlohmann::json& item, const std::wstring& path);

// Two stores and three profiles:
//   \\Mailbox - Dana        5100 / F000
//     Inbox                 F001: A001 "Weekly report" (2 attachments),
//                                 A002 "Pointer", whose EntryID reads as the
//                                   path URL of A004,
//                                 A003, whose EntryID cannot be read,
//                                 A004 from the .msg file at msg_path
//                                   ("Memo from file")
//       Projects            F002
//     Calendar              F003: C001 "Rich item" (every field, stream
//                                 reads in short pieces, the body's size
//                                 unknown, 3 attachments)
//   \\Archive               5200 / F100
//     Old mail              F101: B001 "Old news"
// Selected: A002, A003, A001, B001. Profiles: "Work" (row 0: Dana's store, a
// row without EntryID, the archive), "Home" (row 1, the default: the archive
// and a store that does not open), and one without a name.
nlohmann::json fault_matrix_mailbox(const std::wstring& msg_path);

// The subject of the .msg item, and the path URL by which A002 names it.
inline constexpr char kMemoSubject[] = "Memo from file";
inline constexpr char kMemoPathUrl[] = "outlook:\\\\Mailbox - Dana\\Inbox\\Memo from file";

}  // namespace qv::test
