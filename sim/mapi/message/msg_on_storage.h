// OpenIMsgOnIStg: an IMessage over a compound-file storage in the .msg
// layout.
#pragma once

#include "sim/mapi/base/memory.h"

namespace qvsim::mapi {

// Reads the message from storage (a storage without one holds a new, empty
// message) and serves it with the caller's memory routines. The message
// holds a reference to the storage until its last release, after which
// released(caller_data, message) is called when given. The message is
// writable when the storage was opened for writing; SaveChanges then writes
// the whole message into the storage and commits the storage, unless flags
// has IMSG_NO_ISTG_COMMIT.
HRESULT open_message_on_storage(const Allocator& allocator, IStorage* storage,
                                MSGCALLRELEASE* released, ULONG caller_data, ULONG flags,
                                IMessage** message);

}  // namespace qvsim::mapi
