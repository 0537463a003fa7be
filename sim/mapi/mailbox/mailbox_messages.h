// The items of a mailbox description (sim/common/mailbox.h) as MAPI
// messages: an item's properties, attachments and stream settings become a
// MessageData that create_message() serves, and an item that names a .msg
// file is read with read_msg. Both simulated DLLs register the .msg reader
// with the description, so both show a .msg item's properties.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sim/common/mailbox.h"
#include "sim/mapi/message/message_data.h"

namespace qvsim::mapi {

// Makes the mailbox description read the items' .msg files with read_msg
// (set_msg_property_loader): an item takes the properties of its file that
// a description can hold, named properties with numeric names among them.
void register_msg_property_loader();

// The message of a .msg file, opened for reading with others allowed to
// read it too.
HRESULT read_msg_file(const std::wstring& path, std::shared_ptr<MessageData>* message);

// Bytes of the description (an EntryID, a provider UID) as a PT_BINARY value.
PropertyValue binary_value(const Bytes& bytes);

// A description's property value as the library's, and back; nullopt for a
// value of a type that a description cannot hold, or for a named property
// whose name is a string or unknown to names.
PropertyValue to_property_value(const Property& property);
std::optional<Property> to_mailbox_property(ULONG tag, const PropertyValue& value,
                                            const NamedPropertyMap& names);

// Gives the names of every named property of the store's items an
// identifier in names, in document order (folder by folder, depth first),
// so that a store's identifiers do not depend on which item is opened first.
void map_store_names(const Store& store, NamedPropertyMap& names);

// The message that item holds, with its named properties mapped through
// names (its store's map): a .msg file's message when it names one, the
// item's properties over it, its message class, the EntryIDs of the item,
// its folder and store, attachment_count attachments after the file's, and
// the item's message_options. Fails with the HRESULT of opening its .msg
// file.
HRESULT build_item_message(const Item& item, const std::shared_ptr<NamedPropertyMap>& names,
                           std::shared_ptr<MessageData>* message);

}  // namespace qvsim::mapi
