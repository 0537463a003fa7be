#include "tests/faults/matrix_mailbox.h"

#include <mapidefs.h>
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "items/field_table.h"
#include "sim/common/ledger.h"
#include "sim/common/mailbox.h"
#include "sim/mapi/mailbox/mailbox_messages.h"
#include "sim/mapi/message/msg_file.h"
#include "tests/support/mailbox_json.h"
#include "tests/support/text.h"

namespace qv::test {
namespace {

using nlohmann::json;

constexpr int kBodyField = 6;
constexpr int kRtfField = 51;

std::string guid_text(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return std::string(text, text + std::wcslen(text));
}

// A value of the field's type, different for every field.
json value_of(int field, ULONG type) {
  const std::string n = std::to_string(field);
  char date[32];
  switch (type) {
    case PT_UNICODE:
      if (field == kBodyField) {  // longer than a chunk of 51,200 bytes
        return {{"pattern", "Body text, line after line. "}, {"repeat", 2500}};
      }
      return "Field " + n + " \u00e9t\u00e9";
    case PT_SYSTIME:
      std::snprintf(date, sizeof date, "2024-%02d-%02dT%02d:30:00Z", 1 + field % 12, 1 + field % 28,
                    field % 24);
      return date;
    case PT_LONG:
      return 1000 + field;
    case PT_BOOLEAN:
      return field % 2 == 0;
    case PT_DOUBLE:
      return field + 0.25;
    case PT_MV_UNICODE:
      return {"first " + n, "second " + n};
    default:  // PT_BINARY
      return field == kRtfField ? uncompressed_rtf("{\\rtf1 Body of the item " + n + "}")
                                : std::string("0102A0B0");
  }
}

}  // namespace

json item_with_every_field(const std::string& entry_id, const std::string& subject) {
  json properties = json::array();
  for (int field = 0; field < kFieldCount; ++field) {
    const FieldDef& def = field_table[field];
    const ULONG type = def.tag != 0 ? PROP_TYPE(def.tag) : def.type;
    json value = field == 0 ? json(subject) : value_of(field, type);
    if (def.tag != 0) {
      properties.push_back({{"tag", hex_constant(def.tag, 8)}, {"value", std::move(value)}});
    } else {
      properties.push_back({{"set", guid_text(def.property_set)},
                            {"lid", hex_constant(def.lid, 4)},
                            {"type", hex_constant(type, 4)},
                            {"value", std::move(value)}});
    }
  }
  return {{"entry_id", entry_id}, {"message_class", "IPM.Note"}, {"properties", properties}};
}

void write_msg_file(const json& item, const std::wstring& path) {
  const json description = {
      {"stores", {{{"display_name", "Source"}, {"top_folder", {{"items", {item}}}}}}}};
  const std::unique_ptr<qvsim::Mailbox> mailbox = qvsim::Mailbox::parse(description, L"");
  const qvsim::Store& store = *mailbox->stores.front();
  auto names = std::make_shared<qvsim::mapi::NamedPropertyMap>();
  qvsim::mapi::map_store_names(store, *names);
  std::shared_ptr<qvsim::mapi::MessageData> message;
  IStorage* storage = nullptr;
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (FAILED(qvsim::mapi::build_item_message(*store.top_folder->items.front(), names, &message)) ||
      FAILED(::StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                0, &storage))) {
    throw std::runtime_error("cannot make the .msg file");
  }
  const HRESULT written = qvsim::mapi::write_msg(*message, storage);
  const HRESULT committed = SUCCEEDED(written) ? storage->Commit(STGC_DEFAULT) : written;
  storage->Release();
  if (FAILED(committed) || !::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY)) {
    throw std::runtime_error("cannot write the .msg file");
  }
}

json fault_matrix_mailbox(const std::wstring& msg_path) {
  json inbox = folder("Inbox", "F001", {folder("Projects", "F002")});
  inbox["items"] = {
      {{"id", "report"},
       {"entry_id", "A001"},
       {"subject", "Weekly report"},
       {"attachment_count", 2}},
      {{"id", "pointer"},
       {"entry_id", "A002"},
       {"subject", "Pointer"},
       {"by_name", {{"EntryID", {{"value", std::string(kMemoPathUrl).substr(8)}}}}}},
      {{"id", "unreadable"},
       {"entry_id", "A003"},
       {"subject", "Unreadable"},
       {"by_name", {{"EntryID", {{"error", "E_FAIL"}}}}}},
      {{"id", "memo"}, {"entry_id", "A004"}, {"msg_file", qvsim::wide_to_utf8(msg_path)}}};
  json calendar = folder("Calendar", "F003");
  calendar["default_item_type"] = "appointment";
  json rich = item_with_every_field("C001", "Rich item");
  rich["id"] = "rich";
  rich["attachment_count"] = 3;
  // Short reads of every stream; the body's size unknown, so read in chunks.
  rich["message_options"] = {{"stream", {{"max_read", 20000}}},
                             {"property_streams", {{"0x1000001F", {{"stat_fails", true}}}}}};
  calendar["items"] = json::array({rich});
  json dana = store("Mailbox - Dana", "F000", {inbox, calendar});
  dana["id"] = "work";
  dana["entry_id"] = "5100";
  json old_mail = folder("Old mail", "F101");
  old_mail["items"] = {{{"id", "old"}, {"entry_id", "B001"}, {"subject", "Old news"}}};
  json archive = store("Archive", "F100", {old_mail});
  archive["id"] = "archive";
  archive["entry_id"] = "5200";
  json mailbox = mailbox_of({dana, archive});
  mailbox["explorer"] = {{"selection", json::array({"pointer", "unreadable", "report", "old"})}};
  const json no_entry_id = {{"entry_id", nullptr}, {"display_name", "No EntryID"}};
  const json not_opening = {{"entry_id", "0BAD"}};
  mailbox["profiles"] = json::array(
      {{{"name", "Work"}, {"stores", json::array({"work", no_entry_id, "archive"})}},
       {{"name", "Home"}, {"default", true}, {"stores", json::array({"archive", not_opening})}},
       {{"name", nullptr}, {"stores", json::array({"work"})}}});
  return mailbox;
}

}  // namespace qv::test
