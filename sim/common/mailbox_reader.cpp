// Reads a mailbox description (docs/mailbox-format.md) into the model of
// mailbox.h, checking every member, and applies changes described the same way.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "errors/unique_any.h"
#include "sim/common/ledger.h"
#include "sim/common/mailbox.h"

namespace qvsim {
namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string& where, const std::string& what) {
  throw MailboxError((where.empty() ? std::string("mailbox") : where) + ": " + what);
}

// The changes that an event or QvSimOutlookApply makes, one at a time.
constexpr const char* kChanges[] = {"add_store", "add_folder", "add_item", "explorer"};
constexpr char kChangeNames[] = "\"add_store\", \"add_folder\", \"add_item\" and \"explorer\"";

std::string member_path(const std::string& where, const char* member) {
  return where.empty() ? std::string(member) : where + "." + member;
}

std::string index_path(const std::string& where, size_t index) {
  return where + "[" + std::to_string(index) + "]";
}

// Every object may carry a "comment", which is ignored.
void check_members(const json& object, std::initializer_list<const char*> allowed,
                   const std::string& where) {
  if (!object.is_object()) {
    fail(where, "must be an object");
  }
  for (auto it = object.begin(); it != object.end(); ++it) {
    const std::string& key = it.key();
    const bool known =
        key == "comment" ||
        std::any_of(allowed.begin(), allowed.end(), [&](const char* name) { return key == name; });
    if (!known) {
      fail(where, "unknown member \"" + key + "\"");
    }
  }
}

const json& array_member(const json& object, const char* member, const std::string& where) {
  static const json kEmpty = json::array();
  if (!object.contains(member)) {
    return kEmpty;
  }
  const json& value = object.at(member);
  if (!value.is_array()) {
    fail(member_path(where, member), "must be an array");
  }
  return value;
}

std::string text_of(const json& value, const std::string& where) {
  if (!value.is_string()) {
    fail(where, "must be a string");
  }
  return value.get<std::string>();
}

bool boolean_of(const json& value, const std::string& where) {
  if (!value.is_boolean()) {
    fail(where, "must be true or false");
  }
  return value.get<bool>();
}

std::wstring wide_text_of(const json& value, const std::string& where) {
  return utf8_to_wide(text_of(value, where));
}

// An integer written as a JSON number or as text ("0x8208", "-5").
std::int64_t integer_of(const json& value, const std::string& where) {
  if (value.is_number_unsigned()) {
    const std::uint64_t number = value.get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      fail(where, "number out of range");
    }
    return static_cast<std::int64_t>(number);
  }
  if (value.is_number_integer()) {
    return value.get<std::int64_t>();
  }
  if (value.is_string()) {
    const std::string text = value.get<std::string>();
    try {
      size_t used = 0;
      const long long number = std::stoll(text, &used, 0);
      if (used == text.size()) {
        return number;
      }
    } catch (const std::exception&) {
    }
    fail(where, "\"" + text + "\" is not an integer");
  }
  fail(where, "must be an integer");
}

std::int64_t integer_in_range(const json& value, std::int64_t low, std::int64_t high,
                              const std::string& where) {
  const std::int64_t number = integer_of(value, where);
  if (number < low || number > high) {
    fail(where, std::to_string(number) + " is out of range");
  }
  return number;
}

std::uint32_t uint32_of(const json& value, const std::string& where) {
  return static_cast<std::uint32_t>(integer_in_range(value, 0, 0xFFFFFFFFll, where));
}

Bytes hex_of(const json& value, const std::string& where) {
  const std::optional<Bytes> bytes = parse_hex(wide_text_of(value, where));
  if (!bytes) {
    fail(where, "must be an even number of hexadecimal digits");
  }
  return *bytes;
}

HRESULT hresult_of(const json& value, const std::string& where) {
  try {
    return parse_hresult(value);
  } catch (const std::exception& error) {
    fail(where, error.what());
  }
}

// " (accepted: A, B, C<more>)": the names that a value may take, for the
// message that refuses another.
template <class Table, class NameOf>
std::string accepted_names(const Table& table, NameOf name_of, const char* more = "") {
  std::string text = " (accepted: ";
  const char* separator = "";
  for (const auto& entry : table) {
    text += separator;
    text += name_of(entry);
    separator = ", ";
  }
  return text + more + ")";
}

struct NamedType {
  const char* name;
  std::uint16_t type;
};

constexpr NamedType kPropertyTypes[] = {
    {"PT_I2", kPtI2},
    {"PT_LONG", kPtLong},
    {"PT_DOUBLE", kPtDouble},
    {"PT_APPTIME", kPtAppTime},
    {"PT_BOOLEAN", kPtBoolean},
    {"PT_I8", kPtI8},
    {"PT_STRING8", kPtString8},
    {"PT_UNICODE", kPtUnicode},
    {"PT_SYSTIME", kPtSysTime},
    {"PT_BINARY", kPtBinary},
    {"PT_MV_STRING8", kPtMvString8},
    {"PT_MV_UNICODE", kPtMvUnicode},
};

bool is_known_type(std::uint16_t type) {
  return std::any_of(std::begin(kPropertyTypes), std::end(kPropertyTypes),
                     [&](const NamedType& known) { return known.type == type; });
}

std::string accepted_property_types() {
  return accepted_names(
      kPropertyTypes, [](const NamedType& known) { return known.name; }, ", or their numbers");
}

std::uint16_t property_type_of(const json& value, const std::string& where) {
  if (value.is_string() && value.get<std::string>().rfind("PT_", 0) == 0) {
    const std::string name = value.get<std::string>();
    for (const NamedType& known : kPropertyTypes) {
      if (name == known.name) {
        return known.type;
      }
    }
    fail(where, "unknown property type " + name + accepted_property_types());
  }
  const std::uint32_t type = uint32_of(value, where);
  if (type > 0xFFFF || !is_known_type(static_cast<std::uint16_t>(type))) {
    fail(where, "unknown property type " + value.dump() + accepted_property_types());
  }
  return static_cast<std::uint16_t>(type);
}

struct NamedSet {
  const char* name;
  const GUID* guid;
};

constexpr NamedSet kPropertySets[] = {
    {"PSETID_Appointment", &PSETID_Appointment},
    {"PSETID_Task", &PSETID_Task},
    {"PSETID_Address", &PSETID_Address},
    {"PSETID_Common", &PSETID_Common},
};

GUID property_set_of(const json& value, const std::string& where) {
  const std::string name = text_of(value, where);
  for (const NamedSet& known : kPropertySets) {
    if (name == known.name) {
      return *known.guid;
    }
  }
  std::wstring text = utf8_to_wide(name);
  if (text.size() == 36) {
    text = L"{" + text + L"}";
  }
  GUID guid{};
  if (text.size() != 38 || FAILED(::IIDFromString(text.c_str(), &guid))) {
    fail(where,
         "\"" + name + "\" is neither a known property set nor a GUID" +
             accepted_names(
                 kPropertySets, [](const NamedSet& known) { return known.name; }, ", or a GUID"));
  }
  return guid;
}

// "YYYY-MM-DDTHH:MM:SS[.fff]Z", a UTC time.
class UtcTimeParser {
 public:
  explicit UtcTimeParser(std::string_view text) : text_(text) {}

  std::optional<SYSTEMTIME> parse() {
    SYSTEMTIME time{};
    if (!number(4, &time.wYear) || !literal('-') || !number(2, &time.wMonth) || !literal('-') ||
        !number(2, &time.wDay) || !literal('T') || !number(2, &time.wHour) || !literal(':') ||
        !number(2, &time.wMinute) || !literal(':') || !number(2, &time.wSecond)) {
      return std::nullopt;
    }
    if (literal('.')) {
      const size_t start = position_;
      if (!number(0, &time.wMilliseconds)) {
        return std::nullopt;
      }
      const size_t digits = position_ - start;
      if (digits > 3) {
        return std::nullopt;
      }
      for (size_t i = digits; i < 3; ++i) {
        time.wMilliseconds = static_cast<WORD>(time.wMilliseconds * 10);
      }
    }
    if (!literal('Z') || position_ != text_.size()) {
      return std::nullopt;
    }
    FILETIME check{};
    if (!::SystemTimeToFileTime(&time, &check)) {
      return std::nullopt;
    }
    return time;
  }

 private:
  // count 0: one or more digits.
  bool number(size_t count, WORD* result) {
    unsigned value = 0;
    size_t read = 0;
    while (position_ < text_.size() && text_[position_] >= '0' && text_[position_] <= '9' &&
           (count == 0 || read < count)) {
      value = value * 10 + static_cast<unsigned>(text_[position_] - '0');
      ++position_;
      ++read;
    }
    *result = static_cast<WORD>(value);
    return count == 0 ? read > 0 : read == count;
  }
  bool literal(char c) {
    if (position_ < text_.size() && text_[position_] == c) {
      ++position_;
      return true;
    }
    return false;
  }

  std::string_view text_;
  size_t position_ = 0;
};

SYSTEMTIME utc_time_of(const json& value, const std::string& where) {
  const std::string text = text_of(value, where);
  UtcTimeParser parser(text);
  const std::optional<SYSTEMTIME> time = parser.parse();
  if (!time) {
    fail(where, "\"" + text + "\" is not a UTC time like 2024-03-05T09:30:00Z");
  }
  return *time;
}

std::int64_t filetime_of(const json& value, const std::string& where) {
  if (!value.is_string()) {
    return integer_of(value, where);
  }
  const SYSTEMTIME time = utc_time_of(value, where);
  FILETIME file_time{};
  ::SystemTimeToFileTime(&time, &file_time);
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(file_time.dwHighDateTime) << 32) |
                                   file_time.dwLowDateTime);
}

double apptime_of(const json& value, const std::string& where) {
  if (value.is_number()) {
    return value.get<double>();
  }
  SYSTEMTIME time = utc_time_of(value, where);
  double date = 0;
  ::SystemTimeToVariantTime(&time, &date);
  return date;
}

template <class Sequence>
Sequence repeated(const Sequence& pattern, std::int64_t times) {
  Sequence result;
  result.reserve(pattern.size() * static_cast<size_t>(times));
  for (std::int64_t i = 0; i < times; ++i) {
    result.insert(result.end(), pattern.begin(), pattern.end());
  }
  return result;
}

bool is_absolute_windows_path(const std::wstring& path) {
  return (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
         path.rfind(L"\\\\", 0) == 0;
}

bool is_missing_file_error(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool file_is_missing(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
         is_missing_file_error(::GetLastError());
}

// Why a file cannot be opened: "file not found: <path>" when it is not
// there, else the system's error code.
std::string open_failure_text(const std::wstring& path, DWORD error) {
  if (is_missing_file_error(error)) {
    return "file not found: " + wide_to_utf8(path);
  }
  return "cannot open " + wide_to_utf8(path) + " (error " + std::to_string(error) + ")";
}

Bytes read_whole_file(const std::wstring& path, const std::string& where) {
  const qv::unique_file file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    fail(where, open_failure_text(path, ::GetLastError()));
  }
  Bytes bytes;
  std::uint8_t buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes.insert(bytes.end(), buffer, buffer + read);
  }
  return bytes;
}

std::wstring text_from_utf8_bytes(const Bytes& bytes) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    text.remove_prefix(3);
  }
  return utf8_to_wide(text);
}

std::mutex& loader_mutex() {
  static std::mutex mutex;
  return mutex;
}

MsgPropertyLoader& registered_loader() {
  static MsgPropertyLoader loader;
  return loader;
}

MsgPropertyLoader current_loader() {
  std::lock_guard lock(loader_mutex());
  return registered_loader();
}

long item_type_of(const json& value, const std::string& where) {
  static constexpr const char* kNames[] = {
      "mail", "appointment", "contact", "task", "journal", "note", "post", "distribution_list"};
  if (value.is_string()) {
    const std::string name = value.get<std::string>();
    for (size_t code = 0; code < std::size(kNames); ++code) {
      if (name == kNames[code]) {
        return static_cast<long>(code);
      }
    }
    const bool number =
        !name.empty() && (std::isdigit(static_cast<unsigned char>(name[0])) || name[0] == '-');
    if (!number) {
      fail(where, "unknown item type \"" + name + "\"" +
                      accepted_names(
                          kNames, [](const char* known) { return known; }, ", or a number"));
    }
  }
  return static_cast<long>(integer_in_range(value, 0, 0x7FFFFFFF, where));
}

ByNameOverride by_name_override_of(const json& value, const std::string& where) {
  check_members(value, {"missing", "value", "error"}, where);
  ByNameOverride result;
  const int given = static_cast<int>(value.contains("missing")) +
                    static_cast<int>(value.contains("value")) +
                    static_cast<int>(value.contains("error"));
  if (given != 1) {
    fail(where, "give exactly one of \"missing\", \"value\" and \"error\"");
  }
  if (value.contains("missing")) {
    if (!boolean_of(value.at("missing"), member_path(where, "missing"))) {
      fail(member_path(where, "missing"), "must be true");
    }
    result.kind = ByNameOverride::Kind::kMissing;
  } else if (value.contains("error")) {
    result.kind = ByNameOverride::Kind::kFailure;
    result.failure = hresult_of(value.at("error"), member_path(where, "error"));
  } else {
    result.value = value.at("value");
    if (result.value.is_structured()) {
      fail(member_path(where, "value"), "must be a string, number, boolean or null");
    }
  }
  return result;
}

ByNameOverrides by_name_overrides_of(const json& object, const std::string& where) {
  ByNameOverrides overrides;
  if (!object.contains("by_name")) {
    return overrides;
  }
  const std::string path = member_path(where, "by_name");
  const json& members = object.at("by_name");
  if (!members.is_object()) {
    fail(path, "must be an object");
  }
  for (auto it = members.begin(); it != members.end(); ++it) {
    overrides[utf8_to_wide(it.key())] = by_name_override_of(it.value(), path + "." + it.key());
  }
  return overrides;
}

// A stream behaviour of message_options: {"stat_fails": bool, "stat_error":
// HRESULT, "read_fails_at": n, "every_read_fails": bool, "read_error":
// HRESULT, "max_read": n, "stat_size": n}, with numbers and HRESULTs made JSON numbers.
json stream_behaviour_of(const json& value, const std::string& where) {
  check_members(value,
                {"stat_fails", "stat_error", "read_fails_at", "every_read_fails", "read_error",
                 "max_read", "stat_size"},
                where);
  json result = json::object();
  for (const char* flag : {"stat_fails", "every_read_fails"}) {
    if (value.contains(flag)) {
      result[flag] = boolean_of(value.at(flag), member_path(where, flag));
    }
  }
  for (const char* error : {"stat_error", "read_error"}) {
    if (value.contains(error)) {
      result[error] =
          static_cast<std::int64_t>(hresult_of(value.at(error), member_path(where, error)));
    }
  }
  if (value.contains("read_fails_at")) {
    result["read_fails_at"] =
        integer_in_range(value.at("read_fails_at"), 0, std::numeric_limits<std::int64_t>::max(),
                         member_path(where, "read_fails_at"));
  }
  if (value.contains("max_read")) {
    result["max_read"] = uint32_of(value.at("max_read"), member_path(where, "max_read"));
  }
  if (value.contains("stat_size")) {
    result["stat_size"] =
        integer_in_range(value.at("stat_size"), 0, std::numeric_limits<std::int64_t>::max(),
                         member_path(where, "stat_size"));
  }
  return result;
}

// An item's message_options: {"getprops_limit": n, "stream": behaviour,
// "property_streams": {tag: behaviour, ...}}.
json message_options_of(const json& value, const std::string& where) {
  check_members(value, {"getprops_limit", "stream", "property_streams"}, where);
  json result = json::object();
  if (value.contains("getprops_limit")) {
    result["getprops_limit"] =
        uint32_of(value.at("getprops_limit"), member_path(where, "getprops_limit"));
  }
  if (value.contains("stream")) {
    result["stream"] = stream_behaviour_of(value.at("stream"), member_path(where, "stream"));
  }
  if (value.contains("property_streams")) {
    const std::string path = member_path(where, "property_streams");
    const json& streams = value.at("property_streams");
    if (!streams.is_object()) {
      fail(path, "must be an object");
    }
    json normalised = json::object();
    for (auto it = streams.begin(); it != streams.end(); ++it) {
      const std::string at = path + "." + it.key();
      char tag[11];
      std::snprintf(tag, sizeof tag, "0x%08X",
                    static_cast<unsigned>(uint32_of(json(it.key()), at)));
      normalised[tag] = stream_behaviour_of(it.value(), at);
    }
    result["property_streams"] = std::move(normalised);
  }
  return result;
}

}  // namespace

void set_msg_property_loader(MsgPropertyLoader loader) {
  std::lock_guard lock(loader_mutex());
  registered_loader() = std::move(loader);
}

// Builds model objects from their descriptions. Ids must be unique per kind
// across the whole mailbox, including what it held before.
class MailboxReader {
 public:
  explicit MailboxReader(Mailbox& mailbox) : mailbox_(mailbox) {
    for (const auto& store : mailbox_.stores) {
      note_ids(*store);
    }
  }

  void read_description(const json& description) {
    check_members(description,
                  {"stores", "explorer", "profiles", "current_user", "faults", "events"}, "");
    if (description.contains("current_user")) {
      read_current_user(description.at("current_user"), "current_user");
    }
    const json& stores = array_member(description, "stores", "");
    for (size_t i = 0; i < stores.size(); ++i) {
      mailbox_.stores.push_back(read_store(stores[i], index_path("stores", i)));
    }
    if (description.contains("explorer") && !description.at("explorer").is_null()) {
      mailbox_.explorer = read_explorer(description.at("explorer"), "explorer");
    }
    read_profiles(description);
    mailbox_.faults = read_faults(array_member(description, "faults", ""));
    const json& events = array_member(description, "events", "");
    for (size_t i = 0; i < events.size(); ++i) {
      mailbox_.events.push_back(read_event(events[i], index_path("events", i)));
    }
  }

  std::unique_ptr<Store> read_store(const json& value, const std::string& where) {
    check_members(value,
                  {"id", "display_name", "entry_id", "provider_uid", "top_folder", "needs_password",
                   "read_only", "default_folders"},
                  where);
    auto store = std::make_unique<Store>();
    store->id = unique_id(value, store_ids_, where);
    if (!value.contains("display_name")) {
      fail(where, "a store needs a \"display_name\"");
    }
    store->display_name =
        wide_text_of(value.at("display_name"), member_path(where, "display_name"));
    const size_t position = mailbox_.stores.size() + 1;
    store->provider_uid = generated_provider_uid(position);
    if (value.contains("provider_uid")) {
      const Bytes uid = hex_of(value.at("provider_uid"), member_path(where, "provider_uid"));
      if (uid.size() != store->provider_uid.size()) {
        fail(member_path(where, "provider_uid"), "must be 16 bytes (32 hexadecimal digits)");
      }
      std::copy(uid.begin(), uid.end(), store->provider_uid.begin());
    }
    store->entry_id = entry_id_of(value, *store, 0, EntryKind::kStore, where);
    store->needs_password = optional_boolean(value, "needs_password", where);
    store->read_only = optional_boolean(value, "read_only", where);
    const json top = value.contains("top_folder") ? value.at("top_folder") : json::object();
    store->top_folder = read_folder(top, *store, nullptr, member_path(where, "top_folder"));
    if (value.contains("default_folders")) {
      read_default_folders(value.at("default_folders"), *store,
                           member_path(where, "default_folders"));
    }
    return store;
  }

  // {"inbox": folder id, "calendar": folder id, ...}: folders of this store.
  static void read_default_folders(const json& value, Store& store, const std::string& where) {
    static const std::pair<const char*, long> kKinds[] = {
        {"deleted_items", 3}, {"outbox", 4},    {"sent_items", 5}, {"inbox", 6},
        {"calendar", 9},      {"contacts", 10}, {"journal", 11},   {"notes", 12},
        {"tasks", 13},        {"drafts", 16},   {"junk", 23},
    };
    if (!value.is_object()) {
      fail(where, "must be an object");
    }
    for (auto it = value.begin(); it != value.end(); ++it) {
      const std::string at = member_path(where, it.key().c_str());
      const auto kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                     [&](const auto& known) { return it.key() == known.first; });
      if (kind == std::end(kKinds)) {
        fail(at,
             "unknown default folder (accepted: deleted_items, outbox, sent_items, inbox, "
             "calendar, contacts, journal, notes, tasks, drafts, junk)");
      }
      Folder* folder = find_in(store.top_folder.get(), text_of(it.value(), at));
      if (folder == nullptr) {
        fail(at, "no folder of this store has the id " + it.value().dump());
      }
      store.default_folders[kind->second] = folder;
    }
  }

  static Folder* find_in(Folder* folder, const std::string& id) {
    if (folder == nullptr || folder->id == id) {
      return folder;
    }
    for (const auto& child : folder->folders) {
      if (Folder* found = find_in(child.get(), id)) {
        return found;
      }
    }
    return nullptr;
  }

  void read_current_user(const json& value, const std::string& where) {
    check_members(value, {"name", "address"}, where);
    if (value.contains("name")) {
      mailbox_.user_name = wide_text_of(value.at("name"), member_path(where, "name"));
    }
    if (value.contains("address")) {
      mailbox_.user_address = wide_text_of(value.at("address"), member_path(where, "address"));
    }
  }

  std::unique_ptr<Folder> read_folder(const json& value, Store& store, Folder* parent,
                                      const std::string& where) {
    check_members(value,
                  {"id", "name", "entry_id", "default_item_type", "folder_path", "by_name",
                   "folders", "items"},
                  where);
    auto folder = std::make_unique<Folder>();
    folder->id = unique_id(value, folder_ids_, where);
    folder->store = &store;
    folder->parent = parent;
    if (value.contains("name")) {
      folder->name = wide_text_of(value.at("name"), member_path(where, "name"));
    } else if (parent == nullptr) {
      folder->name = store.display_name;
    } else {
      fail(where, "a folder needs a \"name\"");
    }
    folder->entry_id = entry_id_of(value, store, ++store.last_sequence, EntryKind::kFolder, where);
    folder->default_item_type = parent != nullptr ? parent->default_item_type : 0;
    if (value.contains("default_item_type")) {
      folder->default_item_type =
          item_type_of(value.at("default_item_type"), member_path(where, "default_item_type"));
    }
    if (value.contains("folder_path")) {
      folder->folder_path_override =
          wide_text_of(value.at("folder_path"), member_path(where, "folder_path"));
    }
    folder->by_name = by_name_overrides_of(value, where);
    const json& items = array_member(value, "items", where);
    for (size_t i = 0; i < items.size(); ++i) {
      folder->items.push_back(
          read_item(items[i], *folder, index_path(member_path(where, "items"), i)));
    }
    const json& folders = array_member(value, "folders", where);
    for (size_t i = 0; i < folders.size(); ++i) {
      folder->folders.push_back(read_folder(folders[i], store, folder.get(),
                                            index_path(member_path(where, "folders"), i)));
    }
    return folder;
  }

  std::unique_ptr<Item> read_item(const json& value, Folder& folder, const std::string& where) {
    check_members(value,
                  {"id", "entry_id", "message_class", "subject", "properties", "attachment_count",
                   "msg_file", "by_name", "message_options"},
                  where);
    auto item = std::make_unique<Item>();
    item->id = unique_id(value, item_ids_, where);
    item->folder = &folder;
    item->entry_id =
        entry_id_of(value, *folder.store, ++folder.store->last_sequence, EntryKind::kItem, where);
    if (value.contains("msg_file")) {
      item->msg_file =
          resolve_path(wide_text_of(value.at("msg_file"), member_path(where, "msg_file")));
      item->properties = msg_file_properties(item->msg_file, member_path(where, "msg_file"));
    }
    const json& properties = array_member(value, "properties", where);
    for (size_t i = 0; i < properties.size(); ++i) {
      set_property(*item,
                   read_property(properties[i], index_path(member_path(where, "properties"), i)));
    }
    if (value.contains("subject")) {
      if (item->find(PR_SUBJECT_W) != nullptr || item->find(PR_SUBJECT_A) != nullptr) {
        fail(where, "\"subject\" and a PR_SUBJECT property are both given");
      }
      Property subject;
      subject.tag = PR_SUBJECT_W;
      subject.type = kPtUnicode;
      subject.text = wide_text_of(value.at("subject"), member_path(where, "subject"));
      item->properties.push_back(std::move(subject));
    }
    item->message_class = message_class_of(value, *item, where);
    if (value.contains("attachment_count")) {
      item->attachment_count = static_cast<int>(integer_in_range(
          value.at("attachment_count"), 0, 0xFFFF, member_path(where, "attachment_count")));
    }
    item->by_name = by_name_overrides_of(value, where);
    if (value.contains("message_options")) {
      item->message_options =
          message_options_of(value.at("message_options"), member_path(where, "message_options"));
    }
    return item;
  }

  Explorer read_explorer(const json& value, const std::string& where) {
    check_members(value, {"selection"}, where);
    Explorer explorer;
    const json& selection = array_member(value, "selection", where);
    for (size_t i = 0; i < selection.size(); ++i) {
      const std::string at = index_path(member_path(where, "selection"), i);
      Item* item = mailbox_.find_item(text_of(selection[i], at));
      if (item == nullptr) {
        fail(at, "no item has the id " + selection[i].dump());
      }
      explorer.selection.push_back(item);
    }
    return explorer;
  }

 private:
  void note_ids(const Store& store) {
    store_ids_.insert(store.id);
    auto note_folder = [this](const Folder& folder, const auto& self) -> void {
      folder_ids_.insert(folder.id);
      for (const auto& item : folder.items) {
        item_ids_.insert(item->id);
      }
      for (const auto& child : folder.folders) {
        self(*child, self);
      }
    };
    note_folder(*store.top_folder, note_folder);
  }

  std::string unique_id(const json& value, std::set<std::string>& seen, const std::string& where) {
    if (!value.contains("id")) {
      return std::string();
    }
    std::string id = text_of(value.at("id"), member_path(where, "id"));
    if (id.empty() || !seen.insert(id).second) {
      fail(member_path(where, "id"), "\"" + id + "\" is empty or used twice");
    }
    return id;
  }

  // The given EntryID, else the generated one. Each object takes its sequence
  // number whether its EntryID is generated or not.
  Bytes entry_id_of(const json& value, const Store& store, std::uint32_t sequence, EntryKind kind,
                    const std::string& where) {
    if (value.contains("entry_id")) {
      return hex_of(value.at("entry_id"), member_path(where, "entry_id"));
    }
    return generated_entry_id(store.provider_uid, sequence, kind);
  }

  std::wstring resolve_path(const std::wstring& path) const {
    if (is_absolute_windows_path(path) || mailbox_.base_dir_.empty()) {
      return path;
    }
    return mailbox_.base_dir_ + L"\\" + path;
  }

  std::vector<Property> msg_file_properties(const std::wstring& path, const std::string& where) {
    const MsgPropertyLoader loader = current_loader();
    if (!loader) {
      return {};
    }
    try {
      return loader(path);
    } catch (const std::exception& error) {
      fail(where, std::string("cannot read the .msg file: ") + error.what());
    }
  }

  static void set_property(Item& item, Property property) {
    for (Property& existing : item.properties) {
      if (existing.same_key(property)) {
        existing = std::move(property);
        return;
      }
    }
    item.properties.push_back(std::move(property));
  }

  static std::wstring message_class_of(const json& value, const Item& item,
                                       const std::string& where) {
    if (value.contains("message_class")) {
      return wide_text_of(value.at("message_class"), member_path(where, "message_class"));
    }
    if (const Property* unicode = item.find(PR_MESSAGE_CLASS_W)) {
      return unicode->text;
    }
    if (const Property* ansi = item.find(PR_MESSAGE_CLASS_A)) {
      return from_code_page_1252(ansi->bytes);
    }
    return default_message_class(item.folder->default_item_type);
  }

  Property read_property(const json& value, const std::string& where) {
    check_members(value, {"tag", "set", "lid", "type", "value"}, where);
    Property property;
    if (value.contains("tag")) {
      if (value.contains("set") || value.contains("lid") || value.contains("type")) {
        fail(where, "give either \"tag\" or \"set\", \"lid\" and \"type\"");
      }
      property.tag = uint32_of(value.at("tag"), member_path(where, "tag"));
      property.type = static_cast<std::uint16_t>(property.tag & 0xFFFF);
      if (!is_known_type(property.type)) {
        fail(member_path(where, "tag"),
             "unknown property type in the tag" + accepted_property_types());
      }
    } else {
      if (!value.contains("set") || !value.contains("lid") || !value.contains("type")) {
        fail(where, "a property needs \"tag\", or \"set\", \"lid\" and \"type\"");
      }
      NamedId name;
      name.property_set = property_set_of(value.at("set"), member_path(where, "set"));
      name.lid = uint32_of(value.at("lid"), member_path(where, "lid"));
      property.name = name;
      property.type = property_type_of(value.at("type"), member_path(where, "type"));
    }
    if (!value.contains("value")) {
      fail(where, "a property needs a \"value\"");
    }
    read_value(value.at("value"), member_path(where, "value"), property);
    return property;
  }

  void read_value(const json& value, const std::string& where, Property& property) {
    switch (property.type) {
      case kPtI2:
        property.integer = integer_in_range(value, -32768, 32767, where);
        break;
      case kPtLong:
        // Written signed or as an unsigned 32-bit pattern ("0xFFFFFFFF").
        property.integer = static_cast<std::int32_t>(static_cast<std::uint32_t>(
            integer_in_range(value, -2147483648ll, 0xFFFFFFFFll, where)));
        break;
      case kPtI8:
        property.integer = integer_of(value, where);
        break;
      case kPtBoolean:
        property.integer = boolean_of(value, where) ? 1 : 0;
        break;
      case kPtDouble:
        if (!value.is_number()) {
          fail(where, "must be a number");
        }
        property.real = value.get<double>();
        break;
      case kPtAppTime:
        property.real = apptime_of(value, where);
        break;
      case kPtSysTime:
        property.integer = filetime_of(value, where);
        break;
      case kPtUnicode:
        property.text = long_text_of(value, where);
        break;
      case kPtString8:
        property.bytes = long_string8_of(value, where);
        break;
      case kPtBinary:
        property.bytes = long_binary_of(value, where);
        break;
      case kPtMvUnicode:
        for_each_element(value, where, [&](const json& element, const std::string& at) {
          property.texts.push_back(wide_text_of(element, at));
        });
        break;
      case kPtMvString8:
        for_each_element(value, where, [&](const json& element, const std::string& at) {
          property.byte_strings.push_back(to_code_page_1252(wide_text_of(element, at)));
        });
        break;
      default:
        fail(where, "unknown property type");
    }
  }

  template <class Visit>
  static void for_each_element(const json& value, const std::string& where, Visit visit) {
    if (!value.is_array()) {
      fail(where, "must be an array of strings");
    }
    for (size_t i = 0; i < value.size(); ++i) {
      visit(value[i], index_path(where, i));
    }
  }

  // A long value: {"file": name} or {"pattern": ..., "repeat": n}; also
  // {"hex": digits} where raw bytes are allowed.
  enum class LongForm { kFile, kPattern, kHex };
  LongForm long_form_of(const json& value, bool hex_allowed, const std::string& where) {
    if (hex_allowed) {
      check_members(value, {"file", "pattern", "repeat", "hex"}, where);
    } else {
      check_members(value, {"file", "pattern", "repeat"}, where);
    }
    if (value.contains("file") && value.size() == 1) {
      return LongForm::kFile;
    }
    if (value.contains("hex") && value.size() == 1) {
      return LongForm::kHex;
    }
    if (value.contains("pattern") && value.contains("repeat") && value.size() == 2) {
      return LongForm::kPattern;
    }
    fail(where, "give {\"file\": name} or {\"pattern\": ..., \"repeat\": count}");
  }

  std::int64_t repeat_count(const json& value, const std::string& where) {
    return integer_in_range(value.at("repeat"), 0, 100000000, member_path(where, "repeat"));
  }

  Bytes file_bytes(const json& value, const std::string& where) {
    const std::string at = member_path(where, "file");
    return read_whole_file(resolve_path(wide_text_of(value.at("file"), at)), at);
  }

  std::wstring long_text_of(const json& value, const std::string& where) {
    if (value.is_string()) {
      return utf8_to_wide(value.get<std::string>());
    }
    if (long_form_of(value, false, where) == LongForm::kFile) {
      return text_from_utf8_bytes(file_bytes(value, where));
    }
    return repeated(wide_text_of(value.at("pattern"), member_path(where, "pattern")),
                    repeat_count(value, where));
  }

  Bytes long_string8_of(const json& value, const std::string& where) {
    if (value.is_string()) {
      return to_code_page_1252(utf8_to_wide(value.get<std::string>()));
    }
    switch (long_form_of(value, true, where)) {
      case LongForm::kFile:
        return file_bytes(value, where);
      case LongForm::kHex:
        return hex_of(value.at("hex"), member_path(where, "hex"));
      case LongForm::kPattern:
        break;
    }
    return repeated(
        to_code_page_1252(wide_text_of(value.at("pattern"), member_path(where, "pattern"))),
        repeat_count(value, where));
  }

  Bytes long_binary_of(const json& value, const std::string& where) {
    if (value.is_string()) {
      return hex_of(value, where);
    }
    if (long_form_of(value, false, where) == LongForm::kFile) {
      return file_bytes(value, where);
    }
    return repeated(hex_of(value.at("pattern"), member_path(where, "pattern")),
                    repeat_count(value, where));
  }

  void read_profiles(const json& description) {
    if (!description.contains("profiles")) {
      Profile profile;
      profile.name = L"Outlook";
      profile.is_default = true;
      for (const auto& store : mailbox_.stores) {
        profile.stores.push_back(row_of(*store));
      }
      mailbox_.profiles.push_back(std::move(profile));
      return;
    }
    const json& profiles = array_member(description, "profiles", "");
    bool shared_seen = false;
    for (size_t i = 0; i < profiles.size(); ++i) {
      mailbox_.profiles.push_back(read_profile(profiles[i], index_path("profiles", i)));
      if (mailbox_.profiles.back().shared_session && std::exchange(shared_seen, true)) {
        fail(member_path(index_path("profiles", i), "shared_session"),
             "only one profile can hold Outlook's shared session");
      }
    }
  }

  static bool optional_boolean(const json& object, const char* member, const std::string& where) {
    return object.contains(member) && boolean_of(object.at(member), member_path(where, member));
  }

  static StoreRow row_of(const Store& store) {
    StoreRow row;
    row.store = &store;
    row.entry_id = store.entry_id;
    row.display_name = store.display_name;
    return row;
  }

  Profile read_profile(const json& value, const std::string& where) {
    check_members(value, {"name", "default", "stores", "needs_credentials", "shared_session"},
                  where);
    Profile profile;
    profile.needs_credentials = optional_boolean(value, "needs_credentials", where);
    profile.shared_session = optional_boolean(value, "shared_session", where);
    if (value.contains("name") && !value.at("name").is_null()) {
      profile.name = wide_text_of(value.at("name"), member_path(where, "name"));
    }
    if (value.contains("default")) {
      profile.is_default = boolean_of(value.at("default"), member_path(where, "default"));
    }
    const json& rows = array_member(value, "stores", where);
    for (size_t i = 0; i < rows.size(); ++i) {
      profile.stores.push_back(
          read_store_row(rows[i], index_path(member_path(where, "stores"), i)));
    }
    return profile;
  }

  StoreRow read_store_row(const json& value, const std::string& where) {
    if (value.is_string()) {
      return row_of(store_named(value, where));
    }
    check_members(value, {"store", "entry_id", "display_name"}, where);
    StoreRow row;
    if (value.contains("store")) {
      row = row_of(store_named(value.at("store"), member_path(where, "store")));
    }
    if (value.contains("entry_id")) {
      const json& entry_id = value.at("entry_id");
      row.entry_id = entry_id.is_null()
                         ? std::nullopt
                         : std::optional<Bytes>(hex_of(entry_id, member_path(where, "entry_id")));
    } else if (row.store == nullptr) {
      fail(where, "a store row needs \"store\" or \"entry_id\"");
    }
    if (value.contains("display_name")) {
      const json& name = value.at("display_name");
      row.display_name =
          name.is_null()
              ? std::nullopt
              : std::optional<std::wstring>(wide_text_of(name, member_path(where, "display_name")));
    }
    return row;
  }

  const Store& store_named(const json& value, const std::string& where) {
    const Store* store = mailbox_.find_store(text_of(value, where));
    if (store == nullptr) {
      fail(where, "no store has the id " + value.dump());
    }
    return *store;
  }

  // The faults, checked and written as Ledger::set_faults reads them:
  // numbers (also those given as text) and HRESULTs as JSON numbers.
  static json read_faults(const json& faults) {
    json result = json::array();
    for (size_t i = 0; i < faults.size(); ++i) {
      const std::string where = index_path("faults", i);
      const json& fault = faults[i];
      check_members(fault,
                    {"call", "nth", "count", "hr", "error_info", "description", "only_for", "throw",
                     "end_process"},
                    where);
      json rule = json::object();
      rule["call"] =
          text_of(fault.contains("call") ? fault.at("call") : json(), member_path(where, "call"));
      if (fault.contains("nth")) {
        rule["nth"] = integer_in_range(fault.at("nth"), 0, std::numeric_limits<std::int64_t>::max(),
                                       member_path(where, "nth"));
      }
      if (fault.contains("count")) {
        rule["count"] =
            integer_in_range(fault.at("count"), 1, std::numeric_limits<std::int64_t>::max(),
                             member_path(where, "count"));
      }
      if (fault.contains("hr")) {
        rule["hr"] =
            static_cast<std::int64_t>(hresult_of(fault.at("hr"), member_path(where, "hr")));
      }
      for (const char* flag : {"error_info", "end_process"}) {
        if (fault.contains(flag)) {
          rule[flag] = boolean_of(fault.at(flag), member_path(where, flag));
        }
      }
      for (const char* text : {"description", "only_for", "throw"}) {
        if (fault.contains(text)) {
          rule[text] = text_of(fault.at(text), member_path(where, text));
        }
      }
      result.push_back(std::move(rule));
    }
    return result;
  }

  static MailboxEvent read_event(const json& value, const std::string& where) {
    check_members(value, {"after", "nth", "add_store", "add_folder", "add_item", "explorer"},
                  where);
    MailboxEvent event;
    event.call_point =
        text_of(value.contains("after") ? value.at("after") : json(), member_path(where, "after"));
    if (value.contains("nth")) {
      event.nth = static_cast<std::uint64_t>(integer_in_range(
          value.at("nth"), 1, std::numeric_limits<std::int64_t>::max(), member_path(where, "nth")));
    }
    event.action = json::object();
    for (const char* action : kChanges) {
      if (value.contains(action)) {
        event.action[action] = value.at(action);
      }
    }
    if (event.action.size() != 1) {
      fail(where, std::string("an event needs exactly one of ") + kChangeNames);
    }
    return event;
  }

  Mailbox& mailbox_;
  std::set<std::string> store_ids_;
  std::set<std::string> folder_ids_;
  std::set<std::string> item_ids_;
};

std::unique_ptr<Mailbox> Mailbox::parse(const json& description, const std::wstring& base_dir) {
  auto mailbox = std::make_unique<Mailbox>();
  mailbox->base_dir_ = base_dir;
  MailboxReader(*mailbox).read_description(description);
  return mailbox;
}

std::unique_ptr<Mailbox> Mailbox::load(const std::wstring& path) {
  if (file_is_missing(path)) {
    throw MailboxError(wide_to_utf8(path) + ": file not found");
  }
  const Bytes bytes = read_whole_file(path, wide_to_utf8(path));
  json description;
  try {
    description = json::parse(bytes.begin(), bytes.end());
  } catch (const json::exception& error) {
    throw MailboxError(wide_to_utf8(path) + ": " + error.what());
  }
  const size_t slash = path.find_last_of(L"\\/");
  return parse(description, slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));
}

void Mailbox::apply(const json& action) {
  MailboxReader reader(*this);
  check_members(action, {"add_store", "add_folder", "add_item", "explorer"}, "action");
  if (action.size() != 1) {
    fail("action", std::string("give exactly one of ") + kChangeNames);
  }
  if (action.contains("add_store")) {
    stores.push_back(reader.read_store(action.at("add_store"), "add_store"));
    return;
  }
  if (action.contains("explorer")) {
    const json& window = action.at("explorer");
    if (window.is_null()) {
      explorer.reset();
    } else {
      explorer = reader.read_explorer(window, "explorer");
    }
    return;
  }
  const bool folder = action.contains("add_folder");
  const char* kind = folder ? "add_folder" : "add_item";
  const json& change = action.at(kind);
  check_members(change, {"to", folder ? "folder" : "item"}, kind);
  const std::string to =
      text_of(change.contains("to") ? change.at("to") : json(), member_path(kind, "to"));
  Folder* target = find_folder(to);
  if (target == nullptr) {
    fail(member_path(kind, "to"), "no folder has the id \"" + to + "\"");
  }
  const char* member = folder ? "folder" : "item";
  if (!change.contains(member)) {
    fail(kind, std::string("needs \"") + member + "\"");
  }
  const std::string where = member_path(kind, member);
  if (folder) {
    target->folders.push_back(reader.read_folder(change.at(member), *target->store, target, where));
  } else {
    target->items.push_back(reader.read_item(change.at(member), *target, where));
  }
}

}  // namespace qvsim
