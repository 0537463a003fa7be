#include "sim/mapi/message/msg_file.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "errors/com_holders.h"
#include "errors/unique_any.h"
#include "sim/mapi/message/rtf_codec.h"
#include "sim/mapi/message/rtf_stream.h"

namespace qvsim::mapi {
namespace {

constexpr wchar_t kPropertiesStream[] = L"__properties_version1.0";
constexpr wchar_t kNameIdStorage[] = L"__nameid_version1.0";
constexpr wchar_t kGuidStream[] = L"__substg1.0_00020102";
constexpr wchar_t kEntryStream[] = L"__substg1.0_00030102";
constexpr wchar_t kStringStream[] = L"__substg1.0_00040102";
constexpr wchar_t kRecipientPrefix[] = L"__recip_version1.0_#";
constexpr wchar_t kAttachmentPrefix[] = L"__attach_version1.0_#";
constexpr wchar_t kEmbeddedStorage[] = L"__substg1.0_3701000D";

// Header sizes of the property stream, by the kind of object.
constexpr size_t kTopLevelHeader = 32;
constexpr size_t kEmbeddedHeader = 24;
constexpr size_t kSubObjectHeader = 8;  // recipients and attachments
constexpr size_t kEntrySize = 16;
constexpr ULONG kEntryFlags = PROPATTR_READABLE | PROPATTR_WRITEABLE;
constexpr ULONG kObjectSize = 0xFFFFFFFF;  // the size of an embedded message's entry
constexpr ULONG kNameBuckets = 0x1F;
constexpr ULONG kFirstGuidIndex = 3;  // 1: PS_MAPI, 2: PS_PUBLIC_STRINGS, then the GUID stream

// Embedded messages nested deeper than this are refused as damaged data (a
// damaged directory can make a storage its own descendant).
constexpr int kMaxEmbeddingDepth = 32;

constexpr DWORD kReadMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kCreateMode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

// Little-endian helpers.
std::uint64_t get_le(const std::string& bytes, size_t offset, size_t width) {
  std::uint64_t value = 0;
  for (size_t i = 0; i < width && offset + i < bytes.size(); ++i) {
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  }
  return value;
}

void put_le(std::string* bytes, std::uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) {
    bytes->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

std::wstring hex8(ULONG value) {
  wchar_t text[9];
  std::swprintf(text, 9, L"%08X", value);
  return text;
}

std::wstring value_stream_name(ULONG tag) { return L"__substg1.0_" + hex8(tag); }
std::wstring element_stream_name(ULONG tag, size_t index) {
  return value_stream_name(tag) + L"-" + hex8(static_cast<ULONG>(index));
}

// The size of one element of a fixed-size type; 0 for variable-size types.
size_t fixed_size(ULONG type) {
  switch (type) {
    case PT_I2:
    case PT_BOOLEAN:
      return 2;
    case PT_LONG:
    case PT_R4:
    case PT_ERROR:
      return 4;
    case PT_DOUBLE:
    case PT_APPTIME:
    case PT_CURRENCY:
    case PT_I8:
    case PT_SYSTIME:
      return 8;
    case PT_CLSID:
      return 16;
    default:
      return 0;
  }
}

PropertyValue decode_fixed(ULONG type, const std::string& bytes, size_t offset) {
  const std::uint64_t raw = get_le(bytes, offset, std::min<size_t>(8, fixed_size(type)));
  switch (type) {
    case PT_I2:
      return PropertyValue::i2(static_cast<short>(raw));
    case PT_BOOLEAN:
      return PropertyValue::boolean((raw & 0xFF) != 0);
    case PT_LONG:
      return PropertyValue::long_value(static_cast<LONG>(raw));
    case PT_ERROR:
      return PropertyValue::error(static_cast<SCODE>(raw));
    case PT_R4: {
      float value;
      const auto bits = static_cast<std::uint32_t>(raw);
      std::memcpy(&value, &bits, sizeof value);
      return PropertyValue::r4(value);
    }
    case PT_DOUBLE:
    case PT_APPTIME: {
      double value;
      std::memcpy(&value, &raw, sizeof value);
      return type == PT_DOUBLE ? PropertyValue::real(value) : PropertyValue::app_time(value);
    }
    case PT_CURRENCY:
      return PropertyValue::currency(static_cast<LONGLONG>(raw));
    case PT_I8:
      return PropertyValue::i8(static_cast<LONGLONG>(raw));
    case PT_SYSTIME:
      return PropertyValue::systime(static_cast<ULONGLONG>(raw));
    default:  // PT_CLSID
      return PropertyValue::from_stream_bytes(PT_CLSID, bytes.substr(offset, 16));
  }
}

void encode_fixed(const PropertyValue& value, std::string* out) {
  switch (value.type()) {
    case PT_R4: {
      const float real = static_cast<float>(value.real_value());
      std::uint32_t bits;
      std::memcpy(&bits, &real, sizeof bits);
      put_le(out, bits, 4);
      return;
    }
    case PT_DOUBLE:
    case PT_APPTIME: {
      const double real = value.real_value();
      std::uint64_t bits;
      std::memcpy(&bits, &real, sizeof bits);
      put_le(out, bits, 8);
      return;
    }
    case PT_CLSID:
      out->append(value.bytes());
      return;
    default:
      put_le(out, static_cast<std::uint64_t>(value.integer()), fixed_size(value.type()));
  }
}

// Strings are stored without a terminator; some writers add one anyway.
std::string strip_terminator(std::string bytes, ULONG type) {
  const size_t unit = type == PT_UNICODE ? 2 : 1;
  while (bytes.size() >= unit &&
         bytes.find_first_not_of('\0', bytes.size() - unit) == std::string::npos) {
    bytes.resize(bytes.size() - unit);
  }
  return bytes;
}

// Reads a stream of the storage whole. The size that the stream's directory
// entry declares is not trusted: the bytes are read as they come, so a
// damaged entry that claims gigabytes costs no more than what the file holds.
HRESULT read_stream(IStorage* storage, const std::wstring& name, std::string* bytes) {
  bytes->clear();
  qv::com_ptr<IStream> stream;
  const HRESULT hr = storage->OpenStream(name.c_str(), nullptr, kReadMode, 0, stream.put());
  return FAILED(hr) ? hr : read_to_end(stream.get(), bytes);
}

HRESULT write_stream(IStorage* storage, const std::wstring& name, const std::string& bytes) {
  qv::com_ptr<IStream> stream;
  HRESULT hr = storage->CreateStream(name.c_str(), kCreateMode, 0, 0, stream.put());
  ULONG written = 0;
  if (SUCCEEDED(hr) && !bytes.empty()) {
    hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  }
  return hr;
}

// The names of the storage's elements of one type (STGTY_STREAM, STGTY_STORAGE).
std::vector<std::wstring> element_names(IStorage* storage, DWORD type) {
  std::vector<std::wstring> names;
  qv::com_ptr<IEnumSTATSTG> elements;
  if (FAILED(storage->EnumElements(0, nullptr, 0, elements.put()))) {
    return names;
  }
  // A storage holds each name once: a name that comes again means that a
  // damaged directory made the enumeration go round; it ends there.
  std::set<std::wstring> seen;
  STATSTG stat{};
  while (elements->Next(1, &stat, nullptr) == S_OK) {
    const qv::unique_cotaskmem<wchar_t> name(stat.pwcsName);
    bool again = false;
    if (name) {
      again = !seen.insert(name.get()).second;
      if (!again && (type == 0 || stat.type == type)) {
        names.emplace_back(name.get());
      }
    }
    if (again) {
      break;
    }
  }
  return names;
}

// The numbered sub-objects of a storage (prefix + eight hex digits), by number.
std::map<ULONG, std::wstring> numbered_storages(IStorage* storage, const wchar_t* prefix) {
  std::map<ULONG, std::wstring> result;
  const size_t prefix_size = std::wcslen(prefix);
  for (const std::wstring& name : element_names(storage, STGTY_STORAGE)) {
    if (name.size() == prefix_size + 8 && name.compare(0, prefix_size, prefix) == 0) {
      result[static_cast<ULONG>(std::wcstoul(name.c_str() + prefix_size, nullptr, 16))] = name;
    }
  }
  return result;
}

// ---- Reading ----

PropertyValue read_multi_value(IStorage* storage, ULONG tag, const std::string& lengths) {
  const ULONG element_type = base_type(PROP_TYPE(tag));
  std::vector<PropertyValue> elements;
  if (const size_t size = fixed_size(element_type); size != 0) {
    for (size_t offset = 0; offset + size <= lengths.size(); offset += size) {
      elements.push_back(decode_fixed(element_type, lengths, offset));
    }
    return PropertyValue::multi(PROP_TYPE(tag), std::move(elements));
  }
  // Variable-size elements: the first stream holds their lengths (4 bytes
  // per string, 8 per binary), each element has a stream of its own.
  const size_t step = element_type == PT_BINARY ? 8 : 4;
  for (size_t index = 0; index * step + 4 <= lengths.size(); ++index) {
    std::string bytes;
    read_stream(storage, element_stream_name(tag, index), &bytes);
    if (element_type != PT_BINARY) {
      bytes = strip_terminator(std::move(bytes), element_type);
    }
    elements.push_back(PropertyValue::from_stream_bytes(element_type, std::move(bytes)));
  }
  return PropertyValue::multi(PROP_TYPE(tag), std::move(elements));
}

// Reads the property stream and value streams of one object into bag.
// Returns the stream's header bytes (empty when the object has no property
// stream).
std::string read_properties(IStorage* storage, size_t header_size, PropertyBag* bag) {
  std::string stream;
  if (FAILED(read_stream(storage, kPropertiesStream, &stream))) {
    return std::string();
  }
  for (size_t offset = header_size; offset + kEntrySize <= stream.size(); offset += kEntrySize) {
    const auto tag = static_cast<ULONG>(get_le(stream, offset, 4));
    const ULONG type = PROP_TYPE(tag);
    if (is_multi_valued(type)) {
      std::string lengths;
      if (SUCCEEDED(read_stream(storage, value_stream_name(tag), &lengths))) {
        bag->set(tag, read_multi_value(storage, tag, lengths));
      }
    } else if (type == PT_OBJECT) {
      bag->set(tag, PropertyValue::object());
    } else if (type == PT_STRING8 || type == PT_UNICODE || type == PT_BINARY || type == PT_CLSID) {
      std::string bytes;
      if (SUCCEEDED(read_stream(storage, value_stream_name(tag), &bytes))) {
        bag->set(tag, PropertyValue::from_stream_bytes(
                          type, type == PT_BINARY || type == PT_CLSID
                                    ? std::move(bytes)
                                    : strip_terminator(std::move(bytes), type)));
      }
    } else if (fixed_size(type) != 0) {
      bag->set(tag, decode_fixed(type, stream, offset + 8));
    }
  }
  return stream.substr(0, std::min(stream.size(), header_size));
}

HRESULT read_message_object(IStorage* storage, size_t header_size, MessageData* message, int depth);

HRESULT read_attachments(IStorage* storage, MessageData* message, int depth) {
  for (const auto& [number, name] : numbered_storages(storage, kAttachmentPrefix)) {
    qv::com_ptr<IStorage> sub;
    if (FAILED(storage->OpenStorage(name.c_str(), nullptr, kReadMode, nullptr, 0, sub.put()))) {
      continue;
    }
    auto attachment = std::make_shared<AttachmentData>();
    attachment->number = number;
    read_properties(sub.get(), kSubObjectHeader, &attachment->properties);
    attachment->properties.set_long(PR_ATTACH_NUM, static_cast<LONG>(number));
    qv::com_ptr<IStorage> embedded;
    if (attachment->properties.get_long(PR_ATTACH_METHOD) ==
            static_cast<LONG>(ATTACH_EMBEDDED_MSG) &&
        SUCCEEDED(
            sub->OpenStorage(kEmbeddedStorage, nullptr, kReadMode, nullptr, 0, embedded.put()))) {
      attachment->embedded = std::make_shared<MessageData>(message->names, message->options);
      if (const HRESULT hr = read_message_object(embedded.get(), kEmbeddedHeader,
                                                 attachment->embedded.get(), depth + 1);
          FAILED(hr)) {
        return hr;
      }
      attachment->properties.set(PR_ATTACH_DATA_OBJ, PropertyValue::object());
    }
    message->attachments.push_back(std::move(attachment));
    message->next_attachment_number = std::max(message->next_attachment_number, number + 1);
  }
  return S_OK;
}

void read_recipients(IStorage* storage, MessageData* message) {
  for (const auto& [number, name] : numbered_storages(storage, kRecipientPrefix)) {
    qv::com_ptr<IStorage> sub;
    if (FAILED(storage->OpenStorage(name.c_str(), nullptr, kReadMode, nullptr, 0, sub.put()))) {
      continue;
    }
    RecipientData recipient;
    recipient.row_id = number;
    read_properties(sub.get(), kSubObjectHeader, &recipient.properties);
    recipient.properties.set_long(PR_ROWID, static_cast<LONG>(number));
    message->recipients.push_back(std::move(recipient));
    message->next_recipient_id = std::max(message->next_recipient_id, number + 1);
  }
}

HRESULT read_message_object(IStorage* storage, size_t header_size, MessageData* message,
                            int depth) {
  if (depth > kMaxEmbeddingDepth) {
    return MAPI_E_CORRUPT_DATA;
  }
  const std::string header = read_properties(storage, header_size, &message->properties);
  read_recipients(storage, message);
  if (const HRESULT hr = read_attachments(storage, message, depth); FAILED(hr)) {
    return hr;
  }
  if (header.size() >= 16) {
    message->next_recipient_id =
        std::max(message->next_recipient_id, static_cast<ULONG>(get_le(header, 8, 4)));
    message->next_attachment_number =
        std::max(message->next_attachment_number, static_cast<ULONG>(get_le(header, 12, 4)));
  }
  return S_OK;
}

GUID guid_at(const std::string& guids, ULONG guid_index) {
  if (guid_index == 1) {
    return kPsMapi;
  }
  if (guid_index == 2) {
    return kPsPublicStrings;
  }
  GUID guid{};
  const size_t offset = static_cast<size_t>(guid_index - kFirstGuidIndex) * sizeof(GUID);
  if (guid_index >= kFirstGuidIndex && offset + sizeof(GUID) <= guids.size()) {
    std::memcpy(&guid, guids.data() + offset, sizeof(GUID));
  }
  return guid;
}

std::wstring name_at(const std::string& strings, size_t offset) {
  const auto size = static_cast<size_t>(get_le(strings, offset, 4));
  if (offset + 4 + size > strings.size()) {
    return std::wstring();
  }
  std::wstring name(size / sizeof(wchar_t), L'\0');
  std::memcpy(name.data(), strings.data() + offset + 4, name.size() * sizeof(wchar_t));
  return name;
}

void read_names(IStorage* storage, NamedPropertyMap* names) {
  qv::com_ptr<IStorage> nameid;
  if (FAILED(storage->OpenStorage(kNameIdStorage, nullptr, kReadMode, nullptr, 0, nameid.put()))) {
    return;
  }
  std::string guids, entries, strings;
  read_stream(nameid.get(), kGuidStream, &guids);
  read_stream(nameid.get(), kEntryStream, &entries);
  read_stream(nameid.get(), kStringStream, &strings);
  for (size_t offset = 0; offset + 8 <= entries.size(); offset += 8) {
    const auto name_or_offset = static_cast<ULONG>(get_le(entries, offset, 4));
    const auto index_and_kind = static_cast<ULONG>(get_le(entries, offset + 4, 4));
    const GUID guid = guid_at(guids, (index_and_kind & 0xFFFF) >> 1);
    const ULONG id = NamedPropertyMap::kFirstId + (index_and_kind >> 16);
    names->assign(id, (index_and_kind & 1)
                          ? PropertyName::string(guid, name_at(strings, name_or_offset))
                          : PropertyName::numeric(guid, static_cast<LONG>(name_or_offset)));
  }
}

// ---- Writing ----

bool has_unicode(const PropertyBag& bag) {
  for (const ULONG tag : bag.tags()) {
    if (base_type(PROP_TYPE(tag)) == PT_UNICODE) {
      return true;
    }
  }
  return false;
}

// The value streams of a multi-valued property; returns the first stream's size.
HRESULT write_multi_value(IStorage* storage, ULONG tag, const PropertyValue& value, ULONG* size) {
  const ULONG element_type = base_type(PROP_TYPE(tag));
  std::string first;
  if (fixed_size(element_type) != 0) {
    for (const PropertyValue& element : value.elements()) {
      encode_fixed(element, &first);
    }
  } else {
    for (size_t index = 0; index < value.elements().size(); ++index) {
      std::string bytes = value.elements()[index].stream_bytes();
      if (element_type != PT_BINARY) {
        bytes.append(element_type == PT_UNICODE ? 2 : 1, '\0');  // elements keep their terminator
      }
      put_le(&first, bytes.size(), 4);
      if (element_type == PT_BINARY) {
        put_le(&first, 0, 4);
      }
      if (const HRESULT hr = write_stream(storage, element_stream_name(tag, index), bytes);
          FAILED(hr)) {
        return hr;
      }
    }
  }
  *size = static_cast<ULONG>(first.size());
  return write_stream(storage, value_stream_name(tag), first);
}

// One entry of the property stream (and the value streams it needs).
HRESULT write_entry(IStorage* storage, ULONG tag, const PropertyValue& value,
                    std::string* entries) {
  const ULONG type = PROP_TYPE(tag);
  put_le(entries, tag, 4);
  put_le(entries, kEntryFlags, 4);
  ULONG size = 0;
  HRESULT hr = S_OK;
  if (is_multi_valued(type)) {
    hr = write_multi_value(storage, tag, value, &size);
  } else if (type == PT_OBJECT) {
    size = kObjectSize;
  } else if (type == PT_STRING8 || type == PT_UNICODE || type == PT_BINARY || type == PT_CLSID) {
    const std::string bytes = value.stream_bytes();
    size = static_cast<ULONG>(bytes.size()) + (type == PT_UNICODE ? 2 : type == PT_STRING8 ? 1 : 0);
    hr = write_stream(storage, value_stream_name(tag), bytes);
  } else {
    std::string fixed;
    encode_fixed(value, &fixed);
    fixed.resize(8, '\0');
    entries->append(fixed);
    return S_OK;
  }
  put_le(entries, size, 4);
  put_le(entries, 0, 4);
  return hr;
}

HRESULT write_message_object(const MessageData& message, IStorage* storage, size_t header_size);

HRESULT write_properties(IStorage* storage, const PropertyBag& bag, std::string header) {
  for (const ULONG tag : bag.tags()) {
    const PropertyValue& value = *bag.find(tag);
    if (PROP_TYPE(tag) == PT_OBJECT && tag != PR_ATTACH_DATA_OBJ) {
      continue;  // other objects are not kept
    }
    if (PROP_TYPE(tag) == PT_ERROR || PROP_TYPE(tag) == PT_NULL) {
      continue;
    }
    if (const HRESULT hr = write_entry(storage, tag, value, &header); FAILED(hr)) {
      return hr;
    }
  }
  return write_stream(storage, kPropertiesStream, header);
}

HRESULT with_new_storage(IStorage* parent, const std::wstring& name,
                         const std::function<HRESULT(IStorage*)>& fill) {
  qv::com_ptr<IStorage> storage;
  HRESULT hr = parent->CreateStorage(name.c_str(), kCreateMode, 0, 0, storage.put());
  if (SUCCEEDED(hr)) {
    hr = fill(storage.get());
  }
  return SUCCEEDED(hr) ? storage->Commit(STGC_DEFAULT) : hr;
}

HRESULT write_attachment(IStorage* storage, const AttachmentData& attachment) {
  // PR_ATTACH_DATA_OBJ is written for an embedded message only; the same
  // identifier may hold the binary data of a file attachment instead.
  PropertyBag properties = attachment.properties;
  if (!attachment.embedded && properties.find_exact(PR_ATTACH_DATA_OBJ)) {
    properties.erase(PR_ATTACH_DATA_OBJ);
  }
  HRESULT hr = write_properties(storage, properties, std::string(kSubObjectHeader, '\0'));
  if (SUCCEEDED(hr) && attachment.embedded) {
    hr = with_new_storage(storage, kEmbeddedStorage, [&](IStorage* embedded) {
      return write_message_object(*attachment.embedded, embedded, kEmbeddedHeader);
    });
  }
  return hr;
}

HRESULT write_message_object(const MessageData& message, IStorage* storage, size_t header_size) {
  std::string header(8, '\0');
  const auto recipients = static_cast<ULONG>(message.recipients.size());
  const auto attachments = static_cast<ULONG>(message.attachments.size());
  put_le(&header, recipients, 4);   // next recipient ID
  put_le(&header, attachments, 4);  // next attachment ID
  put_le(&header, recipients, 4);
  put_le(&header, attachments, 4);
  header.resize(header_size, '\0');
  PropertyBag properties = message.properties;
  if (header_size == kTopLevelHeader && has_unicode(properties) &&
      !properties.find(PR_STORE_SUPPORT_MASK)) {
    properties.set_long(PR_STORE_SUPPORT_MASK, static_cast<LONG>(STORE_UNICODE_OK));
  }
  HRESULT hr = write_properties(storage, properties, header);
  for (ULONG i = 0; SUCCEEDED(hr) && i < recipients; ++i) {
    hr = with_new_storage(storage, kRecipientPrefix + hex8(i), [&](IStorage* sub) {
      return write_properties(sub, message.recipients[i].properties,
                              std::string(kSubObjectHeader, '\0'));
    });
  }
  for (ULONG i = 0; SUCCEEDED(hr) && i < attachments; ++i) {
    hr = with_new_storage(storage, kAttachmentPrefix + hex8(i), [&](IStorage* sub) {
      return write_attachment(sub, *message.attachments[i]);
    });
  }
  return hr;
}

// The CRC-32 by which string names are hashed into the mapping buckets.
std::uint32_t name_crc(const std::wstring& name) {
  const std::string bytes(reinterpret_cast<const char*>(name.data()),
                          name.size() * sizeof(wchar_t));
  return ~crc32_update(0xFFFFFFFFu, bytes);
}

HRESULT write_names(IStorage* storage, const NamedPropertyMap& names) {
  std::vector<GUID> guids;
  std::string entries, strings;
  std::map<ULONG, std::string> buckets;
  for (const auto& [id, name] : names.entries()) {
    ULONG guid_index = 1;
    if (name.property_set == kPsPublicStrings) {
      guid_index = 2;
    } else if (name.property_set != kPsMapi) {
      auto it = std::find(guids.begin(), guids.end(), name.property_set);
      if (it == guids.end()) {
        it = guids.insert(guids.end(), name.property_set);
      }
      guid_index = kFirstGuidIndex + static_cast<ULONG>(it - guids.begin());
    }
    const ULONG index_and_kind = ((id - NamedPropertyMap::kFirstId) << 16) | (guid_index << 1) |
                                 (name.kind == MNID_STRING ? 1 : 0);
    ULONG key = static_cast<ULONG>(name.id);
    if (name.kind == MNID_STRING) {
      put_le(&entries, strings.size(), 4);
      put_le(&strings, name.name.size() * sizeof(wchar_t), 4);
      strings.append(reinterpret_cast<const char*>(name.name.data()),
                     name.name.size() * sizeof(wchar_t));
      strings.resize((strings.size() + 3) / 4 * 4, '\0');
      key = name_crc(name.name);
    } else {
      put_le(&entries, key, 4);
    }
    put_le(&entries, index_and_kind, 4);
    std::string& bucket =
        buckets[(key ^ ((guid_index << 1) | (index_and_kind & 1))) % kNameBuckets];
    put_le(&bucket, key, 4);
    put_le(&bucket, index_and_kind, 4);
  }
  return with_new_storage(storage, kNameIdStorage, [&](IStorage* nameid) {
    std::string guid_bytes(reinterpret_cast<const char*>(guids.data()),
                           guids.size() * sizeof(GUID));
    HRESULT hr = write_stream(nameid, kGuidStream, guid_bytes);
    if (SUCCEEDED(hr)) {
      hr = write_stream(nameid, kEntryStream, entries);
    }
    if (SUCCEEDED(hr)) {
      hr = write_stream(nameid, kStringStream, strings);
    }
    for (const auto& [bucket, bytes] : buckets) {
      if (SUCCEEDED(hr)) {
        hr = write_stream(nameid, value_stream_name(PROP_TAG(PT_BINARY, 0x1000 + bucket)), bytes);
      }
    }
    return hr;
  });
}

HRESULT clear_storage(IStorage* storage) {
  for (const std::wstring& name : element_names(storage, 0)) {
    if (const HRESULT hr = storage->DestroyElement(name.c_str()); FAILED(hr)) {
      return hr;
    }
  }
  return S_OK;
}

}  // namespace

HRESULT read_msg(IStorage* storage, std::shared_ptr<MessageData>* message) {
  if (storage == nullptr || message == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  auto names = std::make_shared<NamedPropertyMap>();
  read_names(storage, names.get());
  auto result = std::make_shared<MessageData>(std::move(names));
  if (const HRESULT hr = read_message_object(storage, kTopLevelHeader, result.get(), 0);
      FAILED(hr)) {
    return hr;
  }
  *message = std::move(result);
  return S_OK;
}

HRESULT write_msg(const MessageData& message, IStorage* storage) {
  if (storage == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  HRESULT hr = clear_storage(storage);
  if (SUCCEEDED(hr)) {
    hr = write_message_object(message, storage, kTopLevelHeader);
  }
  return SUCCEEDED(hr) ? write_names(storage, *message.names) : hr;
}

}  // namespace qvsim::mapi
