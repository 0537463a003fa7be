#include "sim/common/mailbox.h"

#include <algorithm>
#include <string>
#include <utility>

#include "sim/common/ledger.h"

namespace qvsim {
namespace {

constexpr std::uint64_t kFnvOffsetBasis = 0xCBF29CE484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001B3ull;

std::uint64_t fnv1a64(std::string_view text) {
  std::uint64_t hash = kFnvOffsetBasis;
  for (const char c : text) {
    hash ^= static_cast<std::uint8_t>(c);
    hash *= kFnvPrime;
  }
  return hash;
}

void put_big_endian(std::uint64_t value, std::uint8_t* out) {
  for (int i = 7; i >= 0; --i) {
    out[i] = static_cast<std::uint8_t>(value & 0xFF);
    value >>= 8;
  }
}

int hex_digit_value(wchar_t c) {
  if (c >= L'0' && c <= L'9') {
    return c - L'0';
  }
  if (c >= L'A' && c <= L'F') {
    return c - L'A' + 10;
  }
  if (c >= L'a' && c <= L'f') {
    return c - L'a' + 10;
  }
  return -1;
}

// Calls visit(folder) for every folder below and including `folder`, depth
// first; stops at the first visit that returns true.
template <class Visit>
bool visit_folders(Folder& folder, Visit& visit) {
  if (visit(folder)) {
    return true;
  }
  for (const auto& child : folder.folders) {
    if (visit_folders(*child, visit)) {
      return true;
    }
  }
  return false;
}

template <class Visit>
Folder* find_folder_where(const std::vector<std::unique_ptr<Store>>& stores, Visit match) {
  Folder* found = nullptr;
  auto visit = [&](Folder& folder) {
    if (match(folder)) {
      found = &folder;
      return true;
    }
    return false;
  };
  for (const auto& store : stores) {
    if (store->top_folder && visit_folders(*store->top_folder, visit)) {
      break;
    }
  }
  return found;
}

template <class Match>
Item* find_item_where(const std::vector<std::unique_ptr<Store>>& stores, Match match) {
  Item* found = nullptr;
  find_folder_where(stores, [&](Folder& folder) {
    for (const auto& item : folder.items) {
      if (match(*item)) {
        found = item.get();
        return true;
      }
    }
    return false;
  });
  return found;
}

bool starts_with(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool Property::same_key(const Property& other) const {
  if (is_named() != other.is_named()) {
    return false;
  }
  if (is_named()) {
    return IsEqualGUID(name->property_set, other.name->property_set) &&
           name->lid == other.name->lid;
  }
  return tag == other.tag;
}

bool CaseInsensitiveLess::operator()(const std::wstring& a, const std::wstring& b) const {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
}

const Property* Item::find(std::uint32_t tag) const {
  for (const Property& property : properties) {
    if (!property.is_named() && property.tag == tag) {
      return &property;
    }
  }
  return nullptr;
}

std::wstring Item::subject() const {
  if (const Property* unicode = find(PR_SUBJECT_W)) {
    return unicode->text;
  }
  if (const Property* ansi = find(PR_SUBJECT_A)) {
    return from_code_page_1252(ansi->bytes);
  }
  return std::wstring();
}

std::wstring from_code_page_1252(const Bytes& bytes) {
  return to_wide(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                 kCodePage1252);
}

Bytes to_code_page_1252(std::wstring_view text) {
  const std::string bytes = to_narrow(text, kCodePage1252);
  return Bytes(bytes.begin(), bytes.end());
}

std::wstring Folder::folder_path() const {
  if (folder_path_override) {
    return *folder_path_override;
  }
  // Sized first and appended in place: no text is made per level.
  std::vector<const Folder*> chain;
  size_t length = 1;
  for (const Folder* folder = this; folder != nullptr; folder = folder->parent) {
    chain.push_back(folder);
    length += 1 + folder->name.size();
  }
  std::wstring path;
  path.reserve(length);
  path += L'\\';
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    path += L'\\';
    path += (*it)->name;
  }
  return path;
}

Store* Mailbox::find_store(std::string_view id) const {
  for (const auto& store : stores) {
    if (store->id == id) {
      return store.get();
    }
  }
  return nullptr;
}

Folder* Mailbox::find_folder(std::string_view id) const {
  return find_folder_where(stores, [&](const Folder& folder) { return folder.id == id; });
}

Item* Mailbox::find_item(std::string_view id) const {
  return find_item_where(stores, [&](const Item& item) { return item.id == id; });
}

Folder* Mailbox::find_folder_by_entry_id(const Bytes& entry_id) const {
  return find_folder_where(stores,
                           [&](const Folder& folder) { return folder.entry_id == entry_id; });
}

Item* Mailbox::find_item_by_entry_id(const Bytes& entry_id) const {
  return find_item_where(stores, [&](const Item& item) { return item.entry_id == entry_id; });
}

int Mailbox::fire_events(std::string_view call_point, std::uint64_t count) {
  int fired = 0;
  // apply() never changes the event list, so the walk over it stays valid.
  for (MailboxEvent& event : events) {
    if (!event.fired && event.nth == count && event.call_point == call_point) {
      event.fired = true;
      apply(event.action);
      ++fired;
    }
  }
  return fired;
}

std::wstring to_hex(const Bytes& bytes) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 0x0F]);
  }
  return text;
}

std::optional<Bytes> parse_hex(std::wstring_view text) {
  if (text.size() % 2 != 0) {
    return std::nullopt;
  }
  Bytes bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = hex_digit_value(text[i]);
    const int low = hex_digit_value(text[i + 1]);
    if (high < 0 || low < 0) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

Bytes generated_entry_id(const std::array<std::uint8_t, 16>& provider_uid, std::uint32_t sequence,
                         EntryKind kind) {
  // 4 flag bytes (zero), the provider UID, the identifier.
  std::array<std::uint8_t, 24> bytes{};
  std::copy(provider_uid.begin(), provider_uid.end(), bytes.begin() + 4);
  const std::uint32_t identifier = (sequence << 5) | static_cast<std::uint32_t>(kind);
  for (int i = 0; i < 4; ++i) {
    bytes[20 + i] = static_cast<std::uint8_t>((identifier >> (8 * i)) & 0xFF);
  }
  Bytes entry_id(bytes.begin(), bytes.end());
  return entry_id;
}

std::array<std::uint8_t, 16> generated_provider_uid(std::size_t position) {
  const std::string name = "qvsim store " + std::to_string(position);
  std::array<std::uint8_t, 16> uid{};
  put_big_endian(fnv1a64(name), uid.data());
  put_big_endian(fnv1a64(name + " uid"), uid.data() + 8);
  return uid;
}

std::wstring default_message_class(long item_type) {
  switch (item_type) {
    case 1:
      return L"IPM.Appointment";
    case 2:
      return L"IPM.Contact";
    case 3:
      return L"IPM.Task";
    case 4:
      return L"IPM.Activity";
    case 5:
      return L"IPM.StickyNote";
    case 6:
      return L"IPM.Post";
    case 7:
      return L"IPM.DistList";
    default:
      return L"IPM.Note";
  }
}

long object_class_of(std::wstring_view message_class) {
  struct ClassPrefix {
    const wchar_t* prefix;
    long object_class;
  };
  // Longer prefixes first: IPM.TaskRequest before IPM.Task.
  static constexpr ClassPrefix kPrefixes[] = {
      {L"IPM.Schedule.Meeting.Request", 53},  // olMeetingRequest
      {L"IPM.TaskRequest", 49},               // olTaskRequest
      {L"IPM.Appointment", 26},               // olAppointment
      {L"IPM.Contact", 40},                   // olContact
      {L"IPM.DistList", 69},                  // olDistributionList
      {L"IPM.Task", 48},                      // olTask
      {L"IPM.StickyNote", 44},                // olNote
      {L"IPM.Post", 45},                      // olPost
      {L"IPM.Activity", 42},                  // olJournal
      {L"REPORT.", 46},                       // olReport
  };
  for (const ClassPrefix& entry : kPrefixes) {
    if (starts_with(message_class, entry.prefix)) {
      return entry.object_class;
    }
  }
  return 43;  // olMail
}

}  // namespace qvsim
