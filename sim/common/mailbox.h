// The simulated mailbox: message stores with their folder trees and items,
// Outlook's window state, the MAPI profiles, injected faults and scheduled
// changes, read from one JSON description (docs/mailbox-format.md). The
// simulated Outlook server and the simulated MAPI library both read the same
// description, so both show one mailbox.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "mapi/mapi_platform.h"

namespace qvsim {

using Bytes = std::vector<std::uint8_t>;

// A description that cannot be read; the message names the place in it, for
// example "stores[0].top_folder.items[2].properties[1]: unknown type PT_FOO".
class MailboxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// MAPI property types that a description can hold.
enum PropertyType : std::uint16_t {
  kPtI2 = 0x0002,
  kPtLong = 0x0003,
  kPtDouble = 0x0005,
  kPtAppTime = 0x0007,
  kPtBoolean = 0x000B,
  kPtI8 = 0x0014,
  kPtString8 = 0x001E,
  kPtUnicode = 0x001F,
  kPtSysTime = 0x0040,
  kPtBinary = 0x0102,
  kPtMvString8 = 0x101E,
  kPtMvUnicode = 0x101F,
};

// The name of a named property: property set and numeric name (LID).
struct NamedId {
  GUID property_set{};
  std::uint32_t lid = 0;
};

// One MAPI property of an item. A standard property has its full tag; a named
// property has tag 0 and a name, whose property identifier each store assigns.
// Only the value member of the property's type is used:
//   integer: PT_I2, PT_LONG, PT_I8, PT_BOOLEAN (0 or 1), PT_SYSTIME (FILETIME,
//            100-ns intervals since 1601-01-01 UTC)
//   real:    PT_DOUBLE, PT_APPTIME (OLE automation date)
//   text:    PT_UNICODE
//   bytes:   PT_STRING8 (code page 1252, no terminating zero), PT_BINARY
//   texts, byte_strings: PT_MV_UNICODE, PT_MV_STRING8
struct Property {
  std::uint32_t tag = 0;
  std::optional<NamedId> name;
  std::uint16_t type = 0;

  std::int64_t integer = 0;
  double real = 0;
  std::wstring text;
  Bytes bytes;
  std::vector<std::wstring> texts;
  std::vector<Bytes> byte_strings;

  bool is_named() const { return name.has_value(); }
  // Same tag, or same property set and LID.
  bool same_key(const Property& other) const;
};

// What the object model gives for a name read through IDispatch, when it
// differs from what the properties say.
struct ByNameOverride {
  enum class Kind {
    kMissing,  // the name is unknown: GetIDsOfNames fails with DISP_E_UNKNOWNNAME
    kValue,    // the read gives this value (string, number, boolean or null)
    kFailure,  // the read fails with this HRESULT
  };
  Kind kind = Kind::kValue;
  nlohmann::json value;
  HRESULT failure = S_OK;
};

// Names compare without regard to case, as IDispatch names do.
struct CaseInsensitiveLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const;
};
using ByNameOverrides = std::map<std::wstring, ByNameOverride, CaseInsensitiveLess>;

struct Folder;
struct Store;

struct Item {
  std::string id;  // the name by which the description refers to the item
  Bytes entry_id;
  std::wstring message_class;
  std::vector<Property> properties;
  int attachment_count = 0;
  std::wstring msg_file;  // a .msg file whose properties the item took, full path
  ByNameOverrides by_name;
  // How the MAPI library serves the item's property streams, normalised
  // (numbers and HRESULTs as JSON numbers, property_streams keyed by
  // "0xTTTTTTTT"); null: the defaults. See docs/mailbox-format.md.
  nlohmann::json message_options;
  Folder* folder = nullptr;  // the folder that holds the item

  const Property* find(std::uint32_t tag) const;
  // PR_SUBJECT (Unicode, else 8-bit); empty when the item has none.
  std::wstring subject() const;
};

struct Folder {
  std::string id;
  std::wstring name;
  Bytes entry_id;
  long default_item_type = 0;  // Outlook's OlItemType code
  std::optional<std::wstring> folder_path_override;
  ByNameOverrides by_name;
  std::vector<std::unique_ptr<Folder>> folders;
  std::vector<std::unique_ptr<Item>> items;
  Folder* parent = nullptr;  // null for a store's top folder
  Store* store = nullptr;

  // As Outlook writes it: "\\Top\Sub\Sub" (the override, when given).
  std::wstring folder_path() const;
};

struct Store {
  std::string id;
  std::wstring display_name;
  Bytes entry_id;
  std::array<std::uint8_t, 16> provider_uid{};
  std::unique_ptr<Folder> top_folder;
  // The store's default folders by Outlook's OlDefaultFolders code (inbox 6,
  // sent items 5, ...), as the store's own properties name them.
  std::map<long, Folder*> default_folders;
  std::uint32_t last_sequence = 0;  // of the EntryIDs generated in this store
  // Opening the store asks for its password (a password-protected .pst):
  // MAPI can open it only by showing a dialog.
  bool needs_password = false;
  // The user may read the store but not change it (a delegate's or a public
  // store without write permission).
  bool read_only = false;
};

// A row of a profile's message-store table.
struct StoreRow {
  const Store* store = nullptr;   // the store the row names, if any
  std::optional<Bytes> entry_id;  // PR_ENTRYID; none: the row has no such column value
  std::optional<std::wstring> display_name;
};

struct Profile {
  std::optional<std::wstring> name;  // none: the profile has no display name
  bool is_default = false;
  std::vector<StoreRow> stores;
  // A logon to the profile asks for credentials, which MAPI gets only by
  // showing a dialog.
  bool needs_credentials = false;
  // Outlook is running, logged on to this profile, and shares its session:
  // a logon that does not ask for a new session gets this one.
  bool shared_session = false;
};

// Outlook's active explorer window and what is selected in it.
struct Explorer {
  std::vector<Item*> selection;
};

// A change to the mailbox made after the nth call of a call point.
struct MailboxEvent {
  std::string call_point;
  std::uint64_t nth = 1;
  nlohmann::json action;
  bool fired = false;
};

// Reads the properties of a .msg file given by its full (Windows) path. The
// component that can read .msg files registers one; without it an item keeps
// only the properties that its description lists.
using MsgPropertyLoader = std::function<std::vector<Property>(const std::wstring& path)>;
void set_msg_property_loader(MsgPropertyLoader loader);

class Mailbox {
 public:
  // Reads a description. base_dir is the folder against which relative file
  // names in it are taken (a Windows path; may be empty). Throws MailboxError.
  static std::unique_ptr<Mailbox> parse(const nlohmann::json& description,
                                        const std::wstring& base_dir);
  // Reads the description file at a Windows path. Throws MailboxError.
  static std::unique_ptr<Mailbox> load(const std::wstring& path);

  std::vector<std::unique_ptr<Store>> stores;
  std::optional<Explorer> explorer;
  std::vector<Profile> profiles;
  // The profile's user, whom the object model's CurrentUser names.
  std::wstring user_name;
  std::wstring user_address;
  nlohmann::json faults = nlohmann::json::array();  // for Ledger::set_faults
  std::vector<MailboxEvent> events;

  Store* find_store(std::string_view id) const;
  Folder* find_folder(std::string_view id) const;
  Item* find_item(std::string_view id) const;
  Folder* find_folder_by_entry_id(const Bytes& entry_id) const;
  Item* find_item_by_entry_id(const Bytes& entry_id) const;

  // Applies one change: {"add_store": store}, {"add_folder": {"to": folder
  // id, "folder": folder}}, {"add_item": {"to": folder id, "item": item}} or
  // {"explorer": explorer or null} (the window, with its selection, that
  // replaces the explorer). New folders and items get EntryIDs that continue
  // their store's sequence. Throws MailboxError.
  void apply(const nlohmann::json& action);

  // Applies the events due after call number `count` of `call_point`; returns
  // how many were applied.
  int fire_events(std::string_view call_point, std::uint64_t count);

 private:
  friend class MailboxReader;
  std::wstring base_dir_;
};

// 8-bit text of PT_STRING8 values, in the Western European code page 1252.
inline constexpr UINT kCodePage1252 = 1252;
std::wstring from_code_page_1252(const Bytes& bytes);
Bytes to_code_page_1252(std::wstring_view text);

// Bytes as upper-case hexadecimal digits, the way Outlook shows EntryIDs.
std::wstring to_hex(const Bytes& bytes);
// Hexadecimal digits (either case) to bytes; none when the text is not an even
// number of hexadecimal digits.
std::optional<Bytes> parse_hex(std::wstring_view text);

// The EntryID generated for the object with this sequence number in a store:
// 4 zero flag bytes, the store's provider UID, then the 4-byte little-endian
// identifier (sequence << 5) | kind.
enum class EntryKind : std::uint32_t { kStore = 0x01, kFolder = 0x02, kItem = 0x04 };
Bytes generated_entry_id(const std::array<std::uint8_t, 16>& provider_uid, std::uint32_t sequence,
                         EntryKind kind);
// The provider UID generated for the store at a 1-based position.
std::array<std::uint8_t, 16> generated_provider_uid(std::size_t position);

// Outlook's message class for an OlItemType code ("IPM.Note" for mail, ...).
std::wstring default_message_class(long item_type);
// Outlook's OlObjectClass code for an item of this message class (olMail 43, ...).
long object_class_of(std::wstring_view message_class);

}  // namespace qvsim
