// The message stores and folders of the served mailbox as IMsgStore and
// IMAPIFolder, and the opening of any entry of a store by its EntryID: the
// store itself (MAPI_STORE), a folder (MAPI_FOLDER) or an item
// (MAPI_MESSAGE, an IMessage built from the item by build_item_message).
// The objects are read-only views of the mailbox; a message opened with
// MAPI_MODIFY or MAPI_BEST_ACCESS may be changed, but its changes last only
// as long as the message.
#pragma once

#include <memory>

#include "sim/mapi/mailbox/served_mailbox.h"

namespace qvsim::mapi {

// A new IMsgStore of store, with one reference for the caller.
IMsgStore* create_message_store(std::shared_ptr<const ServedMailbox> mailbox, const Store& store);

// Opens what entry names. iid null asks for the entry's own interface
// (IMsgStore, IMAPIFolder, IMessage); another interface that the object
// does not have gives MAPI_E_INTERFACE_NOT_SUPPORTED. object_type may be
// null. Out parameters are null (0) on failure.
HRESULT open_mailbox_entry(const std::shared_ptr<const ServedMailbox>& mailbox,
                           const MailboxEntry& entry, LPCIID iid, ULONG flags, ULONG* object_type,
                           LPUNKNOWN* object);

// OpenEntry of a store or of one of its folders: a null or empty EntryID
// opens the store's top folder; an EntryID of something else than the
// store, its folders and items gives MAPI_E_NOT_FOUND.
HRESULT open_store_entry(const std::shared_ptr<const ServedMailbox>& mailbox, const Store& store,
                         ULONG size, LPENTRYID entry_id, LPCIID iid, ULONG flags,
                         ULONG* object_type, LPUNKNOWN* object);

// The bytes of an EntryID argument (none for a null pointer).
Bytes entry_id_bytes(ULONG size, LPENTRYID entry_id);

// CompareEntryIDs of sessions and stores: TRUE when both are the same bytes.
HRESULT compare_entry_ids(ULONG size1, LPENTRYID entry_id1, ULONG size2, LPENTRYID entry_id2,
                          ULONG* result);

}  // namespace qvsim::mapi
