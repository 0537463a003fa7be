#include "sim/mapi/mailbox/mailbox_messages.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "sim/common/ledger.h"
#include "errors/com_holders.h"
#include "sim/mapi/message/msg_file.h"

namespace qvsim::mapi {
namespace {

std::string byte_string(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Bytes bytes_of(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A .msg file's properties in the description's form.
std::vector<Property> msg_file_properties(const std::wstring& path) {
  std::shared_ptr<MessageData> message;
  if (const HRESULT hr = read_msg_file(path, &message); FAILED(hr)) {
    if (hr == STG_E_FILENOTFOUND || hr == STG_E_PATHNOTFOUND) {
      throw std::runtime_error("file not found: " + wide_to_utf8(path));
    }
    char text[80];
    std::snprintf(text, sizeof text, "it does not open as a compound file (0x%08lX)",
                  static_cast<unsigned long>(hr));
    throw std::runtime_error(text);
  }
  std::vector<Property> properties;
  for (const ULONG tag : message->properties.tags()) {
    if (std::optional<Property> property =
            to_mailbox_property(tag, *message->properties.find(tag), *message->names)) {
      properties.push_back(std::move(*property));
    }
  }
  return properties;
}

void map_folder_names(const Folder& folder, NamedPropertyMap& names) {
  for (const auto& item : folder.items) {
    for (const Property& property : item->properties) {
      if (property.is_named()) {
        names.map(PropertyName::numeric(property.name->property_set,
                                        static_cast<LONG>(property.name->lid)));
      }
    }
  }
  for (const auto& child : folder.folders) {
    map_folder_names(*child, names);
  }
}

// The stand-ins for the attachments that a description counts: small files
// attached by value.
void add_counted_attachments(int count, MessageData& message) {
  for (int i = 1; i <= count; ++i) {
    AttachmentData& attachment = message.add_attachment();
    const std::string content = "Attachment " + std::to_string(i) + " of the simulated mailbox";
    attachment.properties.set_long(PR_ATTACH_METHOD, ATTACH_BY_VALUE);
    attachment.properties.set_unicode(PR_ATTACH_LONG_FILENAME_W,
                                      L"attachment" + std::to_wstring(i) + L".txt");
    attachment.properties.set_unicode(PR_ATTACH_MIME_TAG_W, L"text/plain");
    attachment.properties.set(PR_ATTACH_DATA_BIN, PropertyValue::binary(content));
    attachment.properties.set_long(PR_ATTACH_SIZE, static_cast<LONG>(content.size()));
  }
}

}  // namespace

PropertyValue binary_value(const Bytes& bytes) { return PropertyValue::binary(byte_string(bytes)); }

void register_msg_property_loader() { set_msg_property_loader(msg_file_properties); }

HRESULT read_msg_file(const std::wstring& path, std::shared_ptr<MessageData>* message) {
  qv::com_ptr<IStorage> storage;
  const HRESULT hr = ::StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                                      nullptr, 0, storage.put());
  return FAILED(hr) ? hr : read_msg(storage.get(), message);
}

PropertyValue to_property_value(const Property& property) {
  std::vector<PropertyValue> elements;
  switch (property.type) {
    case kPtI2:
      return PropertyValue::i2(static_cast<short>(property.integer));
    case kPtLong:
      return PropertyValue::long_value(static_cast<LONG>(property.integer));
    case kPtDouble:
      return PropertyValue::real(property.real);
    case kPtAppTime:
      return PropertyValue::app_time(property.real);
    case kPtBoolean:
      return PropertyValue::boolean(property.integer != 0);
    case kPtI8:
      return PropertyValue::i8(property.integer);
    case kPtSysTime:
      return PropertyValue::systime(static_cast<ULONGLONG>(property.integer));
    case kPtUnicode:
      return PropertyValue::unicode(property.text);
    case kPtString8:
      return PropertyValue::string8(byte_string(property.bytes));
    case kPtBinary:
      return binary_value(property.bytes);
    case kPtMvUnicode:
      for (const std::wstring& text : property.texts) {
        elements.push_back(PropertyValue::unicode(text));
      }
      return PropertyValue::multi(PT_MV_UNICODE, std::move(elements));
    case kPtMvString8:
      for (const Bytes& bytes : property.byte_strings) {
        elements.push_back(PropertyValue::string8(byte_string(bytes)));
      }
      return PropertyValue::multi(PT_MV_STRING8, std::move(elements));
    default:
      return PropertyValue();
  }
}

std::optional<Property> to_mailbox_property(ULONG tag, const PropertyValue& value,
                                            const NamedPropertyMap& names) {
  Property property;
  property.type = static_cast<std::uint16_t>(value.type());
  switch (value.type()) {
    case PT_I2:
    case PT_LONG:
    case PT_BOOLEAN:
    case PT_I8:
    case PT_SYSTIME:
      property.integer = value.integer();
      break;
    case PT_DOUBLE:
    case PT_APPTIME:
      property.real = value.real_value();
      break;
    case PT_UNICODE:
      property.text = value.text();
      break;
    case PT_STRING8:
    case PT_BINARY:
      property.bytes = bytes_of(value.bytes());
      break;
    case PT_MV_UNICODE:
      for (const PropertyValue& element : value.elements()) {
        property.texts.push_back(element.text());
      }
      break;
    case PT_MV_STRING8:
      for (const PropertyValue& element : value.elements()) {
        property.byte_strings.push_back(bytes_of(element.bytes()));
      }
      break;
    default:
      return std::nullopt;
  }
  if (PROP_ID(tag) < NamedPropertyMap::kFirstId) {
    property.tag = PROP_TAG(value.type(), PROP_ID(tag));
    return property;
  }
  const std::optional<PropertyName> name = names.name_of(PROP_ID(tag));
  if (!name || name->kind != MNID_ID) {
    return std::nullopt;
  }
  property.name = NamedId{name->property_set, static_cast<std::uint32_t>(name->id)};
  return property;
}

void map_store_names(const Store& store, NamedPropertyMap& names) {
  if (store.top_folder) {
    map_folder_names(*store.top_folder, names);
  }
}

HRESULT build_item_message(const Item& item, const std::shared_ptr<NamedPropertyMap>& names,
                           std::shared_ptr<MessageData>* message) {
  std::shared_ptr<MessageData> data;
  if (item.msg_file.empty()) {
    data = std::make_shared<MessageData>(names);
  } else if (const HRESULT hr = read_msg_file(item.msg_file, &data); FAILED(hr)) {
    return hr;
  } else {
    data->adopt_names(names);
  }
  try {
    // Embedded messages share the options object: change it in place.
    *data->options = item.message_options.is_null()
                         ? MessageOptions()
                         : MessageOptions::from_json(item.message_options);
  } catch (const std::exception&) {
    return MAPI_E_CORRUPT_DATA;
  }
  for (const Property& property : item.properties) {
    if (property.is_named()) {
      data->set_named(
          PropertyName::numeric(property.name->property_set, static_cast<LONG>(property.name->lid)),
          to_property_value(property));
    } else {
      data->properties.set(property.tag, to_property_value(property));
    }
  }
  if (data->properties.get_text(PR_MESSAGE_CLASS_W) != item.message_class) {
    data->properties.set_unicode(PR_MESSAGE_CLASS_W, item.message_class);
  }
  data->properties.set(PR_ENTRYID, binary_value(item.entry_id));
  data->properties.set(PR_PARENT_ENTRYID, binary_value(item.folder->entry_id));
  data->properties.set(PR_STORE_ENTRYID, binary_value(item.folder->store->entry_id));
  data->properties.set_long(PR_OBJECT_TYPE, MAPI_MESSAGE);
  add_counted_attachments(item.attachment_count, *data);
  *message = std::move(data);
  return S_OK;
}

}  // namespace qvsim::mapi
