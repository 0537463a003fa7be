// IMessage and IAttach over MessageData. The objects read and change the
// data directly: a change is visible at once to every object over the same
// data, and SaveChanges of the message hands the data to its save hook (a
// .msg storage writes it; a store may keep it).
#pragma once

#include <functional>
#include <memory>

#include "sim/mapi/base/memory.h"
#include "sim/mapi/message/message_data.h"

namespace qvsim::mapi {

struct MessageHooks {
  // SaveChanges of the message (not of its attachments or embedded
  // messages), after its checks; its result is SaveChanges' result. None:
  // SaveChanges succeeds and keeps the data as it is.
  std::function<HRESULT(MessageData& data, ULONG flags)> save;
  // Called once the message's last reference is released, with the message.
  std::function<void(IMessage* message)> released;
};

struct MessageContext {
  Allocator allocator = linked_allocator();  // for everything the objects hand out
  bool writable = true;  // false: SetProps, SaveChanges, ... give MAPI_E_NO_ACCESS
  MessageHooks hooks;
};

// A new IMessage over data, with one reference for the caller.
IMessage* create_message(std::shared_ptr<MessageData> data, MessageContext context);

// The data behind an IMessage (or any interface of it) of this library;
// null for every other object.
std::shared_ptr<MessageData> message_data_of(IUnknown* object);

}  // namespace qvsim::mapi
