#include "sim/mapi/message/message_data.h"

#include <algorithm>
#include <string>

#include "sim/common/ledger.h"

namespace qvsim::mapi {
namespace {

StreamBehaviour behaviour_from_json(const nlohmann::json& json) {
  StreamBehaviour behaviour;
  behaviour.stat_fails = json.value("stat_fails", false);
  if (json.contains("stat_error")) {
    behaviour.stat_error = parse_hresult(json.at("stat_error"));
  }
  if (json.contains("read_fails_at")) {
    behaviour.read_fails_at = json.at("read_fails_at").get<std::uint64_t>();
  }
  behaviour.every_read_fails = json.value("every_read_fails", false);
  if (json.contains("read_error")) {
    behaviour.read_error = parse_hresult(json.at("read_error"));
  }
  behaviour.max_read = json.value("max_read", 0u);
  behaviour.stat_size = json.value("stat_size", std::uint64_t{0});
  return behaviour;
}

// The bag with each named property moved from its identifier in from to its
// identifier in to; a property whose name is unknown or cannot be mapped
// is dropped.
PropertyBag renamed(const PropertyBag& bag, const NamedPropertyMap& from, NamedPropertyMap& to) {
  PropertyBag result;
  for (const ULONG tag : bag.tags()) {
    ULONG id = PROP_ID(tag);
    if (id >= NamedPropertyMap::kFirstId) {
      const std::optional<PropertyName> name = from.name_of(id);
      const std::optional<ULONG> mapped = name ? to.map(*name) : std::nullopt;
      if (!mapped) {
        continue;
      }
      id = *mapped;
    }
    result.set(PROP_TAG(PROP_TYPE(tag), id), *bag.find(tag));
  }
  return result;
}

}  // namespace

const StreamBehaviour& MessageOptions::stream_for(ULONG tag) const {
  const auto it = property_streams.find(PROP_ID(tag));
  return it == property_streams.end() ? streams : it->second;
}

MessageOptions MessageOptions::from_json(const nlohmann::json& json) {
  MessageOptions options;
  options.getprops_limit = json.value("getprops_limit", kDefaultGetPropsLimit);
  if (json.contains("stream")) {
    options.streams = behaviour_from_json(json.at("stream"));
  }
  if (json.contains("property_streams")) {
    for (const auto& [tag_text, behaviour] : json.at("property_streams").items()) {
      const ULONG tag = static_cast<ULONG>(std::stoul(tag_text, nullptr, 0));
      options.property_streams[PROP_ID(tag)] = behaviour_from_json(behaviour);
    }
  }
  return options;
}

MessageData::MessageData(std::shared_ptr<NamedPropertyMap> names_in,
                         std::shared_ptr<MessageOptions> options_in)
    : names(names_in ? std::move(names_in) : std::make_shared<NamedPropertyMap>()),
      options(options_in ? std::move(options_in) : std::make_shared<MessageOptions>()) {}

AttachmentData& MessageData::add_attachment() {
  auto attachment = std::make_shared<AttachmentData>();
  attachment->number = next_attachment_number++;
  attachment->properties.set_long(PR_ATTACH_NUM, static_cast<LONG>(attachment->number));
  attachments.push_back(attachment);
  return *attachment;
}

std::shared_ptr<AttachmentData> MessageData::attachment(ULONG number) const {
  const auto it = std::find_if(attachments.begin(), attachments.end(),
                               [number](const auto& a) { return a->number == number; });
  return it == attachments.end() ? nullptr : *it;
}

bool MessageData::remove_attachment(ULONG number) {
  const auto it = std::find_if(attachments.begin(), attachments.end(),
                               [number](const auto& a) { return a->number == number; });
  if (it == attachments.end()) {
    return false;
  }
  attachments.erase(it);
  return true;
}

RecipientData& MessageData::add_recipient() {
  RecipientData recipient;
  recipient.row_id = next_recipient_id++;
  recipient.properties.set_long(PR_ROWID, static_cast<LONG>(recipient.row_id));
  recipients.push_back(std::move(recipient));
  return recipients.back();
}

RecipientData* MessageData::recipient(ULONG row_id) {
  const auto it = std::find_if(recipients.begin(), recipients.end(),
                               [row_id](const RecipientData& r) { return r.row_id == row_id; });
  return it == recipients.end() ? nullptr : &*it;
}

bool MessageData::remove_recipient(ULONG row_id) {
  const auto it = std::find_if(recipients.begin(), recipients.end(),
                               [row_id](const RecipientData& r) { return r.row_id == row_id; });
  if (it == recipients.end()) {
    return false;
  }
  recipients.erase(it);
  return true;
}

std::shared_ptr<MessageData> MessageData::embed_message(AttachmentData& attachment) {
  attachment.embedded = std::make_shared<MessageData>(names, options);
  attachment.properties.set_long(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG);
  attachment.properties.set(PR_ATTACH_DATA_OBJ, PropertyValue::object());
  return attachment.embedded;
}

void MessageData::adopt_names(const std::shared_ptr<NamedPropertyMap>& target) {
  if (names == target) {
    return;
  }
  properties = renamed(properties, *names, *target);
  for (RecipientData& recipient : recipients) {
    recipient.properties = renamed(recipient.properties, *names, *target);
  }
  for (const auto& attachment : attachments) {
    attachment->properties = renamed(attachment->properties, *names, *target);
    if (attachment->embedded) {
      attachment->embedded->adopt_names(target);
    }
  }
  names = target;
}

ULONG MessageData::set_named(const PropertyName& name, PropertyValue value, PropertyBag* bag) {
  const std::optional<ULONG> id = names->map(name);
  if (!id) {
    return 0;
  }
  const ULONG tag = PROP_TAG(value.type(), *id);
  (bag ? bag : &properties)->set(tag, std::move(value));
  return tag;
}

}  // namespace qvsim::mapi
