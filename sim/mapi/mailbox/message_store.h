// The message stores and folders of the served mailbox as IMsgStore and
// IMAPIFolder, and the opening of any entry of a store by its EntryID: the
// store itself (MAPI_STORE), a folder (MAPI_FOLDER) or an item
// (MAPI_MESSAGE, an IMessage built from the item by build_item_message).
// The objects are read-only views of the mailbox; a message opened with
// MAPI_MODIFY or MAPI_BEST_ACCESS from a store opened with write access may
// be changed, but its changes last only as long as the message.
#pragma once

#include <memory>

#include "sim/mapi/mailbox/served_mailbox.h"

namespace qvsim::mapi {

// A store opened with or without write access. Each IMsgStore holds its
// opening, so that a session can tell which stores it holds open.
struct StoreOpening {
  const Store* store = nullptr;
  bool writable = false;
};

// A new IMsgStore of the opening's store, with one reference for the
// caller. Without write access its PR_STORE_SUPPORT_MASK says
// STORE_READONLY, and its folders and items open read-only.
IMsgStore* create_message_store(std::shared_ptr<const ServedMailbox> mailbox,
                                std::shared_ptr<const StoreOpening> opening);

// Opens what entry names, of a store opened with write access or not
// (store_writable). iid null asks for the entry's own interface
// (IMsgStore, IMAPIFolder, IMessage); another interface that the object
// does not have gives MAPI_E_INTERFACE_NOT_SUPPORTED. MAPI_MODIFY in a
// store without write access gives MAPI_E_NO_ACCESS; a message opens
// writable with MAPI_MODIFY or MAPI_BEST_ACCESS in a store with it.
// object_type may be null. Out parameters are null (0) on failure.
HRESULT open_mailbox_entry(const std::shared_ptr<const ServedMailbox>& mailbox,
                           const MailboxEntry& entry, LPCIID iid, ULONG flags, bool store_writable,
                           ULONG* object_type, LPUNKNOWN* object);

// OpenEntry of a store or of one of its folders (the flags that
// IMsgStore::OpenEntry documents, else MAPI_E_UNKNOWN_FLAGS): a null or
// empty EntryID opens the store's top folder; an EntryID of something else
// than the store, its folders and items gives MAPI_E_NOT_FOUND.
HRESULT open_store_entry(const std::shared_ptr<const ServedMailbox>& mailbox,
                         const StoreOpening& opening, ULONG size, LPENTRYID entry_id, LPCIID iid,
                         ULONG flags, ULONG* object_type, LPUNKNOWN* object);

// The bytes of an EntryID argument (none for a null pointer).
Bytes entry_id_bytes(ULONG size, LPENTRYID entry_id);

// CompareEntryIDs of sessions and stores: TRUE when both are the same bytes.
HRESULT compare_entry_ids(ULONG size1, LPENTRYID entry_id1, ULONG size2, LPENTRYID entry_id2,
                          ULONG* result);

}  // namespace qvsim::mapi
