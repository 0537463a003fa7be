// The mailbox description as both simulators read it: generated EntryIDs,
// folder paths, property values of every type, references between parts,
// scheduled changes, and the errors that name the wrong place.
#include "sim/common/mailbox.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace qvsim {
namespace {

using nlohmann::json;

std::unique_ptr<Mailbox> parse(const char* text, const std::wstring& base_dir = std::wstring()) {
  return Mailbox::parse(json::parse(text), base_dir);
}

// The error message of a description that must be refused.
std::string error_of(const char* text) {
  try {
    parse(text);
  } catch (const MailboxError& error) {
    return error.what();
  }
  return "(accepted)";
}

const Property& named(const Item& item, const GUID& set, std::uint32_t lid) {
  for (const Property& property : item.properties) {
    if (property.is_named() && IsEqualGUID(property.name->property_set, set) &&
        property.name->lid == lid) {
      return property;
    }
  }
  throw std::runtime_error("no such named property");
}

// The documented rule of generated EntryIDs (docs/mailbox-format.md), written
// apart from the simulator's: the provider UID of the store at a position is
// the 64-bit FNV-1a hashes of two texts, most significant byte first; an
// EntryID is 4 zero flag bytes, the UID, and sequence * 32 + kind, least
// significant byte first.
std::uint64_t fnv1a(const std::string& text) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (const unsigned char c : text) {
    hash = (hash ^ c) * 0x100000001B3ull;
  }
  return hash;
}

Bytes uid_of_store(int position) {
  const std::string name = "qvsim store " + std::to_string(position);
  Bytes uid;
  for (const std::uint64_t hash : {fnv1a(name), fnv1a(name + " uid")}) {
    for (int shift = 56; shift >= 0; shift -= 8) {
      uid.push_back(static_cast<std::uint8_t>(hash >> shift));
    }
  }
  return uid;
}

constexpr std::uint32_t kStoreKind = 1;
constexpr std::uint32_t kFolderKind = 2;
constexpr std::uint32_t kItemKind = 4;

Bytes rule_entry_id(const Bytes& uid, std::uint32_t sequence, std::uint32_t kind) {
  Bytes entry_id = {0, 0, 0, 0};
  for (const std::uint8_t byte : uid) {
    entry_id.push_back(byte);
  }
  const std::uint32_t identifier = sequence * 32 + kind;
  for (int i = 0; i < 4; ++i) {
    entry_id.push_back(static_cast<std::uint8_t>(identifier >> (8 * i)));
  }
  return entry_id;
}

Bytes uid_bytes(const std::array<std::uint8_t, 16>& uid) { return Bytes(uid.begin(), uid.end()); }

constexpr char kTwoStores[] = R"({
  "stores": [
    {"id": "a", "display_name": "Mailbox - Alice", "top_folder": {"folders": [
      {"id": "inbox", "name": "Inbox", "items": [{"id": "m1", "subject": "one"}, {"id": "m2"}],
       "folders": [{"id": "projects", "name": "Projects", "items": [{"id": "m3"}]}]},
      {"id": "cal", "name": "Calendar", "default_item_type": "appointment",
       "folders": [{"id": "events", "name": "Events"}]}]}},
    {"id": "b", "display_name": "Archive"}
  ]
})";

TEST(MailboxEntryIdTest, GeneratedEntryIdsFollowTheDocumentedRule) {
  const auto mailbox = parse(kTwoStores);
  const Store& alice = *mailbox->stores[0];
  const Bytes uid = uid_of_store(1);
  EXPECT_EQ(uid_bytes(alice.provider_uid), uid);
  EXPECT_EQ(uid_bytes(mailbox->stores[1]->provider_uid), uid_of_store(2));
  // Store 0, then in document order: top folder 1, Inbox 2, its items 3 and
  // 4, Projects 5, its item 6, Calendar 7, Events 8.
  EXPECT_EQ(alice.entry_id, rule_entry_id(uid, 0, kStoreKind));
  EXPECT_EQ(alice.top_folder->entry_id, rule_entry_id(uid, 1, kFolderKind));
  EXPECT_EQ(mailbox->find_item("m2")->entry_id, rule_entry_id(uid, 4, kItemKind));
  EXPECT_EQ(mailbox->find_item("m3")->entry_id, rule_entry_id(uid, 6, kItemKind));
  EXPECT_EQ(mailbox->find_folder("events")->entry_id, rule_entry_id(uid, 8, kFolderKind));
  EXPECT_EQ(alice.last_sequence, 8u);
}

TEST(MailboxEntryIdTest, EntryIdsAreTheDocumentedBytes) {
  // The page's own example, the first store's top folder, checks the rule
  // as written here; the first item (3 * 32 + 4 = 0x64) follows it.
  EXPECT_EQ(to_hex(rule_entry_id(uid_of_store(1), 1, kFolderKind)),
            L"00000000C060E6C7837E670B39AE7BBFB250856122000000");
  const auto mailbox = parse(kTwoStores);
  EXPECT_EQ(to_hex(mailbox->find_item("m1")->entry_id),
            L"00000000C060E6C7837E670B39AE7BBFB250856164000000");
  EXPECT_EQ(to_hex(Bytes{0x00, 0xAB, 0x5f}), L"00AB5F");
}

TEST(MailboxEntryIdTest, SameDescriptionGivesSameEntryIds) {
  const auto first = parse(kTwoStores);
  const auto second = parse(kTwoStores);
  EXPECT_EQ(first->find_item("m3")->entry_id, second->find_item("m3")->entry_id);
  EXPECT_EQ(first->stores[1]->entry_id, second->stores[1]->entry_id);
}

TEST(MailboxEntryIdTest, GivenEntryIdsAndUidsAreKeptAndStillTakeTheirNumber) {
  const auto mailbox = parse(R"({"stores": [{"display_name": "S",
      "provider_uid": "00112233445566778899aabbccddeeff", "entry_id": "0A0B",
      "top_folder": {"items": [{"id": "x", "entry_id": "deadbeef"}, {"id": "y"}]}}]})");
  const Store& store = *mailbox->stores[0];
  EXPECT_EQ(store.entry_id, (Bytes{0x0A, 0x0B}));
  EXPECT_EQ(to_hex(uid_bytes(store.provider_uid)), L"00112233445566778899AABBCCDDEEFF");
  EXPECT_EQ(mailbox->find_item("x")->entry_id, (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
  EXPECT_EQ(mailbox->find_item("y")->entry_id,
            rule_entry_id(*parse_hex(L"00112233445566778899AABBCCDDEEFF"), 3, kItemKind));
  EXPECT_EQ(mailbox->find_item_by_entry_id(Bytes{0xDE, 0xAD, 0xBE, 0xEF}), mailbox->find_item("x"));
}

TEST(MailboxFolderTest, FolderPathsAndItemTypesAreThoseOutlookShows) {
  const auto mailbox = parse(kTwoStores);
  EXPECT_EQ(mailbox->stores[0]->top_folder->name, L"Mailbox - Alice");
  EXPECT_EQ(mailbox->stores[0]->top_folder->folder_path(), L"\\\\Mailbox - Alice");
  EXPECT_EQ(mailbox->find_folder("projects")->folder_path(),
            L"\\\\Mailbox - Alice\\Inbox\\Projects");
  EXPECT_EQ(mailbox->stores[1]->top_folder->folder_path(), L"\\\\Archive");
  EXPECT_EQ(mailbox->find_folder("inbox")->default_item_type, 0);
  // A subfolder takes its parent's type unless it names its own.
  EXPECT_EQ(mailbox->find_folder("events")->default_item_type, 1);
  EXPECT_EQ(mailbox->find_folder("projects")->parent, mailbox->find_folder("inbox"));
  EXPECT_EQ(mailbox->find_item("m3")->folder, mailbox->find_folder("projects"));
}

TEST(MailboxFolderTest, FolderPathOverrideAppliesToThatFolderOnly) {
  const auto mailbox = parse(R"({"stores": [{"display_name": "S", "top_folder": {"folders": [
      {"id": "f", "name": "My Folder", "folder_path": "\\\\S\\My%20Folder",
       "folders": [{"id": "g", "name": "Sub"}]}]}}]})");
  EXPECT_EQ(mailbox->find_folder("f")->folder_path(), L"\\\\S\\My%20Folder");
  EXPECT_EQ(mailbox->find_folder("g")->folder_path(), L"\\\\S\\My Folder\\Sub");
}

TEST(MailboxItemTest, PropertiesOfEveryType) {
  const auto mailbox = parse(R"({"stores": [{"display_name": "S", "top_folder": {"items": [{
    "id": "i", "properties": [
      {"tag": "0x66000002", "value": -2},
      {"tag": "0x66010003", "value": "0xFFFFFFFF"},
      {"tag": "0x66020014", "value": 5000000000},
      {"tag": "0x6603000B", "value": true},
      {"tag": "0x66040005", "value": 0.25},
      {"tag": "0x66050007", "value": "2024-01-02T12:00:00Z"},
      {"tag": "0x66060040", "value": "1601-01-01T00:00:01.5Z"},
      {"tag": "0x66070102", "value": "00ff10"},
      {"tag": "0x6608001E", "value": "5 \u20ac"},
      {"tag": "0x6609001F", "value": "Gr\u00fc\u00dfe"},
      {"tag": "0x660A101F", "value": ["a", "\u00e9"]},
      {"tag": "0x660B101E", "value": ["x", "\u20ac"]},
      {"set": "PSETID_Task", "lid": "0x8102", "type": "PT_DOUBLE", "value": 0.75},
      {"set": "{00020329-0000-0000-C000-000000000046}", "lid": 34, "type": "0x001F", "value": "k"}
    ]}]}}]})");
  const Item& item = *mailbox->find_item("i");
  EXPECT_EQ(item.find(0x66000002)->integer, -2);
  EXPECT_EQ(item.find(0x66010003)->integer, -1);
  EXPECT_EQ(item.find(0x66020014)->integer, 5000000000ll);
  EXPECT_EQ(item.find(0x6603000B)->integer, 1);
  EXPECT_EQ(item.find(0x66040005)->real, 0.25);
  // 2024-01-02 is day 45293 of OLE automation dates; noon is half a day.
  EXPECT_DOUBLE_EQ(item.find(0x66050007)->real, 45293.5);
  EXPECT_EQ(item.find(0x66060040)->integer, 15000000);  // 100-ns intervals
  EXPECT_EQ(item.find(0x66070102)->bytes, (Bytes{0x00, 0xFF, 0x10}));
  EXPECT_EQ(item.find(0x6608001E)->bytes, (Bytes{'5', ' ', 0x80}));  // code page 1252
  EXPECT_EQ(item.find(0x6609001F)->text, L"Gr\u00fc\u00dfe");
  EXPECT_EQ(item.find(0x660A101F)->texts, (std::vector<std::wstring>{L"a", L"\u00e9"}));
  EXPECT_EQ(item.find(0x660B101E)->byte_strings, (std::vector<Bytes>{{'x'}, {0x80}}));
  EXPECT_EQ(named(item, PSETID_Task, 0x8102).real, 0.75);
  EXPECT_EQ(named(item, PSETID_Task, 0x8102).type, kPtDouble);
  const GUID common = {0x00020329, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  EXPECT_EQ(named(item, common, 34).text, L"k");
}

TEST(MailboxItemTest, LongValuesFromPatternsAndFiles) {
  qv::test::TempDir dir;
  qv::test::write_text_file(dir.file(L"body.txt"), "\xEF\xBB\xBFL\xC3\xA4nger Text");
  qv::test::write_text_file(dir.file(L"blob.bin"), std::string("\x01\x00\x02", 3));
  const auto mailbox = parse(R"({"stores": [{"display_name": "S", "top_folder": {"items": [{
    "id": "i", "properties": [
      {"tag": "0x1000001F", "value": {"file": "body.txt"}},
      {"tag": "0x10090102", "value": {"file": "blob.bin"}},
      {"tag": "0x6700001F", "value": {"pattern": "ab", "repeat": 3}},
      {"tag": "0x67010102", "value": {"pattern": "0A0B", "repeat": 2}},
      {"tag": "0x6702001E", "value": {"hex": "FF00"}}
    ]}]}}]})",
                             dir.path());
  const Item& item = *mailbox->find_item("i");
  EXPECT_EQ(item.find(0x1000001F)->text, L"L\u00e4nger Text");
  EXPECT_EQ(item.find(0x10090102)->bytes, (Bytes{0x01, 0x00, 0x02}));
  EXPECT_EQ(item.find(0x6700001F)->text, L"ababab");
  EXPECT_EQ(item.find(0x67010102)->bytes, (Bytes{0x0A, 0x0B, 0x0A, 0x0B}));
  EXPECT_EQ(item.find(0x6702001E)->bytes, (Bytes{0xFF, 0x00}));
}

TEST(MailboxItemTest, MessageClassSubjectAndObjectClass) {
  const auto mailbox = parse(R"({"stores": [{"display_name": "S", "top_folder": {"folders": [
      {"name": "Contacts", "default_item_type": 2, "items": [
        {"id": "c"},
        {"id": "p", "properties": [{"tag": "0x001A001F", "value": "IPM.Post"},
                                   {"tag": "0x0037001E", "value": "caf\u00e9"}]},
        {"id": "r", "message_class": "IPM.Schedule.Meeting.Request", "subject": "Sync"}]}]}}]})");
  EXPECT_EQ(mailbox->find_item("c")->message_class, L"IPM.Contact");
  EXPECT_EQ(mailbox->find_item("p")->message_class, L"IPM.Post");
  EXPECT_EQ(mailbox->find_item("p")->subject(), L"caf\u00e9");
  EXPECT_EQ(mailbox->find_item("r")->subject(), L"Sync");
  EXPECT_EQ(mailbox->find_item("c")->subject(), L"");
  EXPECT_EQ(object_class_of(L"IPM.Contact"), 40);
  EXPECT_EQ(object_class_of(L"IPM.Schedule.Meeting.Request"), 53);
  EXPECT_EQ(object_class_of(L"IPM.TaskRequest.Accept"), 49);
  EXPECT_EQ(object_class_of(L"IPM.Note.Custom"), 43);
}

TEST(MailboxItemTest, ByNameOverridesAndAttachments) {
  const auto mailbox = parse(R"({"stores": [{"display_name": "S", "top_folder": {"items": [{
    "id": "i", "attachment_count": 3, "by_name": {
      "EntryID": {"value": 42}, "Parent": {"missing": true}, "Subject": {"error": "E_ACCESSDENIED"}}
  }]}}]})");
  const Item& item = *mailbox->find_item("i");
  EXPECT_EQ(item.attachment_count, 3);
  EXPECT_EQ(item.by_name.at(L"entryid").kind, ByNameOverride::Kind::kValue);
  EXPECT_EQ(item.by_name.at(L"EntryID").value, 42);
  EXPECT_EQ(item.by_name.at(L"Parent").kind, ByNameOverride::Kind::kMissing);
  EXPECT_EQ(item.by_name.at(L"Subject").failure, E_ACCESSDENIED);
}

TEST(MailboxItemTest, MessageOptionsAreCheckedAndWrittenWithNumbers) {
  const auto mailbox = parse(R"({"stores": [{"display_name": "S", "top_folder": {"items": [
    {"id": "plain"},
    {"id": "streams", "message_options": {"getprops_limit": "0x10",
      "stream": {"stat_fails": true, "stat_error": "STG_E_ACCESSDENIED", "max_read": "5"},
      "property_streams": {"268435487": {"read_fails_at": 100, "read_error": "0x8003001E"}}}}]}}]})");
  EXPECT_TRUE(mailbox->find_item("plain")->message_options.is_null());
  EXPECT_EQ(mailbox->find_item("streams")->message_options, json::parse(R"({"getprops_limit": 16,
    "stream": {"stat_fails": true, "stat_error": -2147287035, "max_read": 5},
    "property_streams": {"0x1000001F": {"read_fails_at": 100, "read_error": -2147287010}}})"));
  EXPECT_EQ(error_of(R"({"stores": [{"display_name": "S", "top_folder": {"items": [
    {"message_options": {"stream": {"stat_fail": true}}}]}}]})"),
            "stores[0].top_folder.items[0].message_options.stream: unknown member \"stat_fail\"");
  EXPECT_EQ(error_of(R"({"stores": [{"display_name": "S", "top_folder": {"items": [
    {"message_options": {"property_streams": {"body": {}}}}]}}]})"),
            "stores[0].top_folder.items[0].message_options.property_streams.body: \"body\" is not "
            "an integer");
}

TEST(MailboxItemTest, MsgFileTakesItsPropertiesThroughTheRegisteredLoader) {
  std::wstring loaded_path;
  set_msg_property_loader([&](const std::wstring& path) {
    loaded_path = path;
    Property subject;
    subject.tag = PR_SUBJECT_W;
    subject.type = kPtUnicode;
    subject.text = L"from the file";
    Property body = subject;
    body.tag = 0x1000001F;
    body.text = L"body from the file";
    return std::vector<Property>{subject, body};
  });
  const auto mailbox = parse(R"({"stores": [{"display_name": "S", "top_folder": {"items": [{
    "id": "i", "msg_file": "mails\\memo.msg",
    "properties": [{"tag": "0x1000001F", "value": "body from the description"}]}]}}]})",
                             L"C:\\boxes");
  set_msg_property_loader(nullptr);
  const Item& item = *mailbox->find_item("i");
  EXPECT_EQ(loaded_path, L"C:\\boxes\\mails\\memo.msg");
  EXPECT_EQ(item.msg_file, L"C:\\boxes\\mails\\memo.msg");
  EXPECT_EQ(item.subject(), L"from the file");
  EXPECT_EQ(item.find(0x1000001F)->text, L"body from the description");
  EXPECT_EQ(item.properties.size(), 2u);
}

TEST(MailboxItemTest, MsgFileWithoutLoaderKeepsThePath) {
  const auto mailbox = parse(
      R"({"stores": [{"display_name": "S", "top_folder": {"items": [{"id": "i", "msg_file": "D:\\a.msg"}]}}]})");
  EXPECT_EQ(mailbox->find_item("i")->msg_file, L"D:\\a.msg");
  EXPECT_TRUE(mailbox->find_item("i")->properties.empty());
}

TEST(MailboxStateTest, ExplorerAndProfiles) {
  const auto mailbox = parse(R"({
    "stores": [{"id": "s1", "display_name": "One", "top_folder": {"items": [{"id": "a"}, {"id": "b"}]}},
               {"id": "s2", "display_name": "Two"}],
    "explorer": {"selection": ["b", "a", "b"]},
    "profiles": [
      {"name": "Work", "stores": ["s1", {"store": "s2", "display_name": null}]},
      {"name": null, "default": true, "stores": [{"entry_id": null, "display_name": "Broken"},
                                                  {"entry_id": ""}, {"entry_id": "0102"}]}]})");
  ASSERT_TRUE(mailbox->explorer);
  const std::vector<Item*> expected = {mailbox->find_item("b"), mailbox->find_item("a"),
                                       mailbox->find_item("b")};
  EXPECT_EQ(mailbox->explorer->selection, expected);
  ASSERT_EQ(mailbox->profiles.size(), 2u);
  const Profile& work = mailbox->profiles[0];
  EXPECT_EQ(work.name, L"Work");
  EXPECT_FALSE(work.is_default);
  EXPECT_EQ(work.stores[0].store, mailbox->stores[0].get());
  EXPECT_EQ(work.stores[0].entry_id, mailbox->stores[0]->entry_id);
  EXPECT_EQ(work.stores[0].display_name, L"One");
  EXPECT_FALSE(work.stores[1].display_name.has_value());
  const Profile& unnamed = mailbox->profiles[1];
  EXPECT_FALSE(unnamed.name.has_value());
  EXPECT_TRUE(unnamed.is_default);
  EXPECT_FALSE(unnamed.stores[0].entry_id.has_value());
  EXPECT_EQ(unnamed.stores[1].entry_id, Bytes());
  EXPECT_EQ(unnamed.stores[2].entry_id, (Bytes{1, 2}));
  EXPECT_EQ(unnamed.stores[2].store, nullptr);
}

TEST(MailboxStateTest, WithoutProfilesOneDefaultProfileListsEveryStore) {
  const auto mailbox = parse(kTwoStores);
  EXPECT_FALSE(mailbox->explorer.has_value());
  ASSERT_EQ(mailbox->profiles.size(), 1u);
  EXPECT_EQ(mailbox->profiles[0].name, L"Outlook");
  EXPECT_TRUE(mailbox->profiles[0].is_default);
  ASSERT_EQ(mailbox->profiles[0].stores.size(), 2u);
  EXPECT_EQ(mailbox->profiles[0].stores[1].store, mailbox->stores[1].get());
}

TEST(MailboxChangeTest, EventsApplyAfterTheNthCallAndContinueTheSequence) {
  auto mailbox =
      parse(R"({"stores": [{"id": "s", "display_name": "S", "top_folder": {"id": "top"}}],
    "events": [
      {"after": "_Folders.Count", "nth": 2, "add_folder": {"to": "top", "folder": {"id": "new", "name": "New"}}},
      {"after": "_Items.Item", "add_item": {"to": "new", "item": {"id": "late", "subject": "Late"}}}]})");
  EXPECT_EQ(mailbox->fire_events("_Folders.Count", 1), 0);
  EXPECT_EQ(mailbox->fire_events("_Items.Count", 1), 0);
  EXPECT_EQ(mailbox->fire_events("_Folders.Count", 2), 1);
  EXPECT_EQ(mailbox->fire_events("_Folders.Count", 2), 0);  // each event applies once
  EXPECT_EQ(mailbox->fire_events("_Items.Item", 1), 1);
  EXPECT_EQ(mailbox->find_item("late")->folder, mailbox->find_folder("new"));
  const Folder* added = mailbox->find_folder("new");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->folder_path(), L"\\\\S\\New");
  EXPECT_EQ(added->entry_id, rule_entry_id(uid_of_store(1), 2, kFolderKind));
  mailbox->apply(json::parse(R"({"add_item": {"to": "new", "item": {"id": "hook"}}})"));
  EXPECT_EQ(mailbox->find_item("hook")->entry_id, rule_entry_id(uid_of_store(1), 4, kItemKind));
  mailbox->apply(json::parse(R"({"add_store": {"id": "s2", "display_name": "Added"}})"));
  EXPECT_EQ(uid_bytes(mailbox->stores[1]->provider_uid), uid_of_store(2));
}

TEST(MailboxChangeTest, ExplorerChangeReplacesTheWindowAndItsSelection) {
  auto mailbox = parse(kTwoStores);
  mailbox->apply(json::parse(R"({"explorer": {"selection": ["m3", "m1"]}})"));
  ASSERT_TRUE(mailbox->explorer);
  EXPECT_EQ(mailbox->explorer->selection,
            (std::vector<Item*>{mailbox->find_item("m3"), mailbox->find_item("m1")}));
  mailbox->apply(json::parse(R"({"explorer": null})"));
  EXPECT_FALSE(mailbox->explorer);
  EXPECT_THROW(mailbox->apply(json::parse(R"({"explorer": {"selection": ["ghost"]}})")),
               MailboxError);
}

TEST(MailboxChangeTest, ChangesRefuseUnknownTargetsAndReusedIds) {
  auto mailbox = parse(kTwoStores);
  EXPECT_THROW(mailbox->apply(json::parse(R"({"add_item": {"to": "nowhere", "item": {}}})")),
               MailboxError);
  EXPECT_THROW(
      mailbox->apply(json::parse(R"({"add_item": {"to": "inbox", "item": {"id": "m1"}}})")),
      MailboxError);
  EXPECT_THROW(mailbox->apply(json::parse(R"({"remove": {}})")), MailboxError);
  auto scheduled =
      parse(R"({"events": [{"after": "x", "add_item": {"to": "nowhere", "item": {}}}]})");
  EXPECT_THROW(scheduled->fire_events("x", 1), MailboxError);
  EXPECT_EQ(mailbox->find_folder("inbox")->items.size(), 2u);
}

TEST(MailboxErrorTest, ErrorsNameThePlaceInTheDescription) {
  EXPECT_EQ(
      error_of(
          R"({"stores": [{"display_name": "S", "top_folder": {"folders": [{"name": "A", "itmes": []}]}}]})"),
      "stores[0].top_folder.folders[0]: unknown member \"itmes\"");
  EXPECT_EQ(
      error_of(R"({"stores": [{"display_name": "S", "top_folder": {"items": [{"properties": [
                {"set": "PSETID_Task", "lid": 1, "type": "PT_FLOAT", "value": 1}]}]}}]})"),
      "stores[0].top_folder.items[0].properties[0].type: unknown property type PT_FLOAT (accepted: "
      "PT_I2, PT_LONG, PT_DOUBLE, PT_APPTIME, PT_BOOLEAN, PT_I8, PT_STRING8, PT_UNICODE, "
      "PT_SYSTIME, "
      "PT_BINARY, PT_MV_STRING8, PT_MV_UNICODE, or their numbers)");
  EXPECT_EQ(
      error_of(
          R"({"stores": [{"display_name": "S", "top_folder": {"default_item_type": "mails"}}]})"),
      "stores[0].top_folder.default_item_type: unknown item type \"mails\" (accepted: mail, "
      "appointment, "
      "contact, task, journal, note, post, distribution_list, or a number)");
  EXPECT_EQ(error_of(R"({"stores": [{"display_name": "S", "top_folder": {"items": [{"properties": [
                {"set": "PSETID_Tasks", "lid": 1, "type": "PT_LONG", "value": 1}]}]}}]})"),
            "stores[0].top_folder.items[0].properties[0].set: \"PSETID_Tasks\" is neither a known "
            "property set "
            "nor a GUID (accepted: PSETID_Appointment, PSETID_Task, PSETID_Address, PSETID_Common, "
            "or a GUID)");
  EXPECT_EQ(error_of(R"({"stores": [{"display_name": "S", "top_folder": {"items": [{"properties": [
                {"tag": "0x00370102", "value": "ABC"}]}]}}]})"),
            "stores[0].top_folder.items[0].properties[0].value: must be an even number of "
            "hexadecimal digits");
  EXPECT_EQ(
      error_of(
          R"({"stores": [{"display_name": "S", "top_folder": {"items": [{"id": "x"}, {"id": "x"}]}}]})"),
      "stores[0].top_folder.items[1].id: \"x\" is empty or used twice");
  EXPECT_EQ(error_of(R"({"stores": [], "explorer": {"selection": ["ghost"]}})"),
            "explorer.selection[0]: no item has the id \"ghost\"");
  EXPECT_EQ(error_of(R"({"stores": [{"display_name": "S", "top_folder": {"items": [{"properties": [
                {"tag": "0x00390040", "value": "2024-13-01T00:00:00Z"}]}]}}]})"),
            "stores[0].top_folder.items[0].properties[0].value: \"2024-13-01T00:00:00Z\" is not a "
            "UTC time like 2024-03-05T09:30:00Z");
  EXPECT_EQ(
      error_of(R"({"faults": [{"call": "Selection.Item", "hr": "E_BOGUS"}]})"),
      "faults[0].hr: unknown HRESULT: E_BOGUS (accepted: a number, hexadecimal text such as "
      "\"0x80004005\", or S_OK, S_FALSE, E_FAIL, E_POINTER, E_NOINTERFACE, E_OUTOFMEMORY, "
      "E_INVALIDARG, "
      "E_ACCESSDENIED, E_NOTIMPL, E_UNEXPECTED, REGDB_E_CLASSNOTREG, CO_E_SERVER_EXEC_FAILURE, "
      "RPC_E_SERVERCALL_RETRYLATER, RPC_E_CALL_REJECTED, DISP_E_MEMBERNOTFOUND, "
      "DISP_E_UNKNOWNNAME, DISP_E_EXCEPTION, "
      "STG_E_FILENOTFOUND, STG_E_ACCESSDENIED, STG_E_READFAULT, MAPI_E_CALL_FAILED, "
      "MAPI_E_NOT_ENOUGH_MEMORY, MAPI_E_INVALID_PARAMETER, MAPI_E_NO_ACCESS, MAPI_E_NO_SUPPORT, "
      "MAPI_E_NOT_FOUND, MAPI_E_LOGON_FAILED, MAPI_E_NETWORK_ERROR, MAPI_E_DISK_ERROR, "
      "MAPI_E_CORRUPT_DATA, MAPI_E_USER_CANCEL, MAPI_E_NOT_INITIALIZED, MAPI_E_UNKNOWN_FLAGS, "
      "MAPI_E_INTERFACE_NOT_SUPPORTED, MAPI_E_TOO_BIG)");
  EXPECT_EQ(error_of(R"({"faults": [{"call": "Selection.Item", "nth": 2, "count": 0}]})"),
            "faults[0].count: 0 is out of range");
  EXPECT_EQ(error_of(R"({"faults": [{"call": "MAPILogonEx", "only_for": 3}]})"),
            "faults[0].only_for: must be a string");
  EXPECT_EQ(error_of(R"({"stores": [{"top_folder": {}}]})"),
            "stores[0]: a store needs a \"display_name\"");
  // A default folder names a folder of its own store, by a kind Outlook has.
  EXPECT_EQ(error_of(R"({"stores": [{"display_name": "S", "default_folders": {"inbox": "x"}},
                {"display_name": "T", "top_folder": {"folders": [{"id": "x", "name": "In"}]}}]})"),
            "stores[0].default_folders.inbox: no folder of this store has the id \"x\"");
  EXPECT_EQ(error_of(R"({"stores": [{"display_name": "S", "default_folders": {"outbox_": "x"}}]})"),
            "stores[0].default_folders.outbox_: unknown default folder (accepted: deleted_items, "
            "outbox, sent_items, inbox, calendar, contacts, journal, notes, tasks, drafts, junk)");
  EXPECT_EQ(error_of(R"({"current_user": {"name": "A", "mail": "a@b"}})"),
            "current_user: unknown member \"mail\"");
}

TEST(MailboxStateTest, FaultsAreWrittenWithNumbersAsTheLedgerReadsThem) {
  const auto mailbox = parse(R"({"faults": [
    {"call": "MAPILogonEx", "nth": "2", "hr": "MAPI_E_NETWORK_ERROR", "only_for": "Work"},
    {"call": "_Items.Item", "hr": "0x80040107", "error_info": true, "description": "Moved"}]})");
  EXPECT_EQ(mailbox->faults, json::parse(R"([
    {"call": "MAPILogonEx", "nth": 2, "hr": -2147221227, "only_for": "Work"},
    {"call": "_Items.Item", "hr": -2147221241, "error_info": true, "description": "Moved"}])"));
}

TEST(MailboxSampleTest, SampleMailboxReads) {
  const auto mailbox = Mailbox::load(qv::test::sample_mailbox_path());
  ASSERT_EQ(mailbox->stores.size(), 3u);
  EXPECT_EQ(mailbox->find_folder("alice-website")->folder_path(),
            L"\\\\Mailbox - Alice Martin\\Inbox\\Projects\\Website Redesign");
  ASSERT_TRUE(mailbox->explorer);
  EXPECT_EQ(mailbox->explorer->selection.size(), 2u);
  ASSERT_EQ(mailbox->profiles.size(), 2u);
  EXPECT_TRUE(mailbox->profiles[0].is_default);
  EXPECT_EQ(mailbox->profiles[0].stores.size(), 2u);
  EXPECT_EQ(mailbox->profiles[1].stores.size(), 1u);
  EXPECT_EQ(mailbox->find_item("old-invoice")->subject(), L"Invoice 2023-118 (paid)");
  EXPECT_EQ(mailbox->find_item("newsletter-mail")->find(0x1000001F)->text.size(), 33u * 400u);
}

TEST(MailboxSampleTest, TheDocumentedCompleteExampleReads) {
  const std::string page =
      qv::test::read_text_file(qv::test::source_dir() + L"\\docs\\mailbox-format.md");
  const size_t start = page.find("```json", page.find("## A complete example"));
  ASSERT_NE(start, std::string::npos);
  const size_t body = page.find('\n', start) + 1;
  const auto mailbox = parse(page.substr(body, page.find("```", body) - body).c_str());
  ASSERT_EQ(mailbox->stores.size(), 2u);
  EXPECT_EQ(mailbox->stores[0]->top_folder->entry_id,
            *parse_hex(L"00000000C060E6C7837E670B39AE7BBFB250856122000000"));
  EXPECT_EQ(mailbox->explorer->selection.size(), 3u);
  EXPECT_EQ(mailbox->profiles.size(), 3u);
  EXPECT_EQ(mailbox->events.size(), 3u);
  EXPECT_EQ(mailbox->faults.size(), 2u);
}

}  // namespace
}  // namespace qvsim
