// The contents of a simulated message, independent of COM: its properties,
// recipients and attachments (an attachment may hold an embedded message),
// the named-property map it shares with its store or file, and the
// behaviour settings of its property streams. A .msg file is read into one,
// a mailbox item can be built as one in memory, and create_message()
// (message.h) serves either through IMessage.
//
// Building a message in memory:
//   auto data = std::make_shared<MessageData>(store_names);
//   data->properties.set_unicode(PR_SUBJECT_W, L"Hello");
//   data->set_named(PropertyName::numeric(PSETID_Appointment, 0x8208),
//                   PropertyValue::unicode(L"Room 1"));
//   RecipientData& to = data->add_recipient();
//   AttachmentData& file = data->add_attachment();
//   std::shared_ptr<MessageData> inner = data->embed_message(data->add_attachment());
//
// A MessageData is not locked: the objects over it are used from one thread.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/mapi/message/memory_stream.h"
#include "sim/mapi/message/named_properties.h"
#include "sim/mapi/message/property_bag.h"

namespace qvsim::mapi {

// How a message serves its properties.
struct MessageOptions {
  // Real stores refuse large values in GetProps (PT_ERROR with
  // MAPI_E_NOT_ENOUGH_MEMORY) and serve them only as streams.
  static constexpr ULONG kDefaultGetPropsLimit = 32768;

  ULONG getprops_limit = kDefaultGetPropsLimit;       // bytes; 0: no limit
  StreamBehaviour streams;                            // of every property stream
  std::map<ULONG, StreamBehaviour> property_streams;  // by property identifier, instead of streams

  const StreamBehaviour& stream_for(ULONG tag) const;

  // Reads {"getprops_limit": n, "stream": BEHAVIOUR, "property_streams":
  // {"0x1000001F": BEHAVIOUR, ...}} where BEHAVIOUR is {"stat_fails": bool,
  // "stat_error": HR, "read_fails_at": n, "every_read_fails": bool,
  // "read_error": HR, "max_read": n} (HR as a number or a name such as
  // "STG_E_READFAULT"); absent members keep their defaults. Throws
  // std::exception on malformed input.
  static MessageOptions from_json(const nlohmann::json& json);
};

class MessageData;

struct AttachmentData {
  ULONG number = 0;  // PR_ATTACH_NUM
  PropertyBag properties;
  std::shared_ptr<MessageData> embedded;  // ATTACH_EMBEDDED_MSG: PR_ATTACH_DATA_OBJ
};

struct RecipientData {
  ULONG row_id = 0;  // PR_ROWID
  PropertyBag properties;
};

class MessageData {
 public:
  // A message whose named properties map through names (a new, empty map
  // when null) and whose options are options (defaults when null).
  explicit MessageData(std::shared_ptr<NamedPropertyMap> names = nullptr,
                       std::shared_ptr<MessageOptions> options = nullptr);

  PropertyBag properties;
  std::vector<std::shared_ptr<AttachmentData>> attachments;  // in number order
  std::vector<RecipientData> recipients;
  std::shared_ptr<NamedPropertyMap> names;
  std::shared_ptr<MessageOptions> options;  // shared with embedded messages
  ULONG next_attachment_number = 0;
  ULONG next_recipient_id = 0;

  // A new attachment with the next number (PR_ATTACH_NUM set).
  AttachmentData& add_attachment();
  std::shared_ptr<AttachmentData> attachment(ULONG number) const;
  bool remove_attachment(ULONG number);

  // A new recipient with the next row identifier (PR_ROWID set).
  RecipientData& add_recipient();
  RecipientData* recipient(ULONG row_id);
  bool remove_recipient(ULONG row_id);

  // Makes attachment an embedded message (PR_ATTACH_METHOD
  // ATTACH_EMBEDDED_MSG, PR_ATTACH_DATA_OBJ) and returns the new, empty
  // message, which shares this message's names and options.
  std::shared_ptr<MessageData> embed_message(AttachmentData& attachment);

  // Makes target this message's named-property map, and that of its
  // attachments, recipients and embedded messages: every named property
  // moves to the identifier that target gives its name (mapping the name
  // there first). Serves a .msg file's message with a store's map.
  void adopt_names(const std::shared_ptr<NamedPropertyMap>& target);

  // Sets a named property on bag (the message's own when null), mapping the
  // name first. Returns the tag, or 0 when no identifier is free.
  ULONG set_named(const PropertyName& name, PropertyValue value, PropertyBag* bag = nullptr);
};

}  // namespace qvsim::mapi
