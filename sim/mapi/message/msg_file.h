// The .msg layout of a message in a compound file (structured storage): a
// property stream per object, one stream per string, binary or
// multi-valued property, the named-property mapping storage
// "__nameid_version1.0", one storage per recipient and per attachment, and
// embedded messages in their attachment's "__substg1.0_3701000D" storage.
#pragma once

#include <memory>

#include "sim/mapi/message/message_data.h"

namespace qvsim::mapi {

// Reads the message that storage holds. A storage without a property stream
// holds a new, empty message. The file's named-property mapping becomes the
// message's (and its embedded messages') NamedPropertyMap.
HRESULT read_msg(IStorage* storage, std::shared_ptr<MessageData>* message);

// Writes message into storage, replacing everything that the storage held.
// Does not commit the storage.
HRESULT write_msg(const MessageData& message, IStorage* storage);

}  // namespace qvsim::mapi
