#include "sim/mapi/mailbox/message_store.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "sim/common/com_guard.h"
#include "sim/mapi/base/call_points.h"
#include "sim/mapi/base/com_answers.h"
#include "errors/com_holders.h"
#include "sim/mapi/mailbox/mailbox_messages.h"
#include "sim/mapi/message/message.h"
#include "sim/mapi/message/property_access.h"
#include "sim/mapi/mailbox/served_mailbox.h"
#include "sim/mapi/message/table.h"
#include "sim/mapi/base/text_codec.h"

namespace qvsim::mapi {
namespace {

constexpr ULONG kStoreSupport =
    STORE_ENTRYID_UNIQUE | STORE_ATTACH_OK | STORE_MV_PROPS_OK | STORE_UNICODE_OK;
// What a store opened with write access adds; without it, STORE_READONLY.
constexpr ULONG kStoreWriteSupport = STORE_MODIFY_OK | STORE_CREATE_OK;
// The flags that IMsgStore::OpenEntry documents (IMAPIFolder's are the same).
constexpr ULONG kStoreOpenEntryFlags =
    MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS | MAPI_MODIFY | MAPI_NO_CACHE;
constexpr ULONG kContentsTableFlags = MAPI_UNICODE | MAPI_DEFERRED_ERRORS | MAPI_ASSOCIATED;
constexpr ULONG kHierarchyTableFlags = MAPI_UNICODE | MAPI_DEFERRED_ERRORS | CONVENIENT_DEPTH;

// IMAPIProp of a store or folder: its properties in a message-like bag whose
// names are the store's map, so that GetIDsFromNames on the store answers
// as on its messages. The bag cannot be changed.
PropertyAccess read_only_access(std::shared_ptr<MessageData> data) {
  auto scope = std::make_shared<ObjectScope>();
  scope->allocator = linked_allocator();
  scope->writable = false;
  scope->root = data;
  auto bag = std::shared_ptr<PropertyBag>(data, &data->properties);
  return PropertyAccess(std::move(scope), std::move(data), std::move(bag));
}

// Outlook's container class for its item-type codes (OlItemType).
std::wstring container_class(long item_type) {
  static const wchar_t* const kClasses[] = {L"IPF.Note", L"IPF.Appointment", L"IPF.Contact",
                                            L"IPF.Task", L"IPF.Journal",     L"IPF.StickyNote",
                                            L"IPF.Note", L"IPF.Contact"};
  return item_type >= 0 && item_type < 8 ? kClasses[item_type] : L"IPF.Note";
}

PropertyBag folder_row(const Folder& folder, LONG depth) {
  PropertyBag row;
  row.set(PR_ENTRYID, binary_value(folder.entry_id));
  row.set(PR_INSTANCE_KEY, binary_value(folder.entry_id));
  row.set_unicode(PR_DISPLAY_NAME_W, folder.name);
  row.set_long(PR_OBJECT_TYPE, MAPI_FOLDER);
  row.set_long(PR_FOLDER_TYPE, folder.parent ? FOLDER_GENERIC : FOLDER_ROOT);
  row.set_long(PR_CONTENT_COUNT, static_cast<LONG>(folder.items.size()));
  row.set(PR_SUBFOLDERS, PropertyValue::boolean(!folder.folders.empty()));
  row.set_unicode(PR_CONTAINER_CLASS_W, container_class(folder.default_item_type));
  row.set_long(PR_DEPTH, depth);
  return row;
}

PropertyBag item_row(const Item& item) {
  PropertyBag row;
  row.set(PR_ENTRYID, binary_value(item.entry_id));
  row.set(PR_INSTANCE_KEY, binary_value(item.entry_id));
  row.set(PR_PARENT_ENTRYID, binary_value(item.folder->entry_id));
  row.set_unicode(PR_MESSAGE_CLASS_W, item.message_class);
  row.set_long(PR_OBJECT_TYPE, MAPI_MESSAGE);
  if (item.find(PR_SUBJECT_W) || item.find(PR_SUBJECT_A)) {
    row.set_unicode(PR_SUBJECT_W, item.subject());
  }
  return row;
}

void add_hierarchy_rows(const Folder& folder, LONG depth, bool deep,
                        std::vector<PropertyBag>* rows) {
  for (const auto& child : folder.folders) {
    rows->push_back(folder_row(*child, depth));
    if (deep) {
      add_hierarchy_rows(*child, depth + 1, deep, rows);
    }
  }
}

HRESULT new_table(std::vector<PropertyBag> rows, ULONG flags, LPMAPITABLE* table) {
  std::vector<ULONG> columns = union_columns({PR_ENTRYID}, rows, (flags & MAPI_UNICODE) != 0);
  ReadRules rules;
  rules.unicode = (flags & MAPI_UNICODE) != 0;
  *table = Table::create(std::move(rows), std::move(columns), linked_allocator(), rules);
  return S_OK;
}

// A text in MAPI memory, Unicode or 8-bit as flags say.
HRESULT new_mapi_text(const std::wstring& text, ULONG flags, LPTSTR* result) {
  const bool unicode = (flags & MAPI_UNICODE) != 0;
  const std::string narrow = unicode ? std::string() : to_narrow(text, CP_ACP);
  const size_t bytes = unicode ? (text.size() + 1) * sizeof(wchar_t) : narrow.size() + 1;
  void* buffer = linked_allocator().get(static_cast<ULONG>(bytes), nullptr);
  if (buffer == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  std::memcpy(buffer, unicode ? static_cast<const void*>(text.c_str()) : narrow.c_str(), bytes);
  *result = static_cast<LPTSTR>(buffer);
  return S_OK;
}

// Outlook's receive folder for every message class: the store's inbox as the
// description names it, else the top folder's subfolder named Inbox, else the
// top folder.
const Folder* receive_folder(const Store& store) {
  if (const auto inbox = store.default_folders.find(6); inbox != store.default_folders.end()) {
    return inbox->second;
  }
  if (!store.top_folder) {
    return nullptr;
  }
  for (const auto& child : store.top_folder->folders) {
    if (::CompareStringOrdinal(child->name.c_str(), -1, L"Inbox", -1, TRUE) == CSTR_EQUAL) {
      return child.get();
    }
  }
  return store.top_folder.get();
}

class MessageStore final : public MapiPropObject<IMsgStore> {
 public:
  MessageStore(std::shared_ptr<const ServedMailbox> mailbox,
               std::shared_ptr<const StoreOpening> opening)
      : MapiPropObject("IMsgStore", read_only_access(properties_of(*mailbox, *opening))),
        mailbox_(std::move(mailbox)),
        opening_(std::move(opening)),
        store_(*opening_->store) {}
  ~MessageStore() override { note_session_object_gone(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override try {
    return answer_interface(static_cast<IMsgStore*>(this), riid, object,
                            {IID_IUnknown, __uuidof(IMAPIProp), __uuidof(IMsgStore)});
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK,
                                   ULONG* connection) noexcept override try {
    if (connection != nullptr) {
      *connection = 0;
    }
    return not_served("IMsgStore.Advise");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG) noexcept override try {
    return not_served("IMsgStore.Unadvise");
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG size1, LPENTRYID entry_id1, ULONG size2,
                                            LPENTRYID entry_id2, ULONG,
                                            ULONG* result) noexcept override try {
    if (const HRESULT hr = enter_call("IMsgStore.CompareEntryIDs"); FAILED(hr)) {
      return hr;
    }
    return compare_entry_ids(size1, entry_id1, size2, entry_id2, result);
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG size, LPENTRYID entry_id, LPCIID iid, ULONG flags,
                                      ULONG* object_type, LPUNKNOWN* object) noexcept override try {
    if (object_type != nullptr) {
      *object_type = 0;
    }
    if (object != nullptr) {
      *object = nullptr;
    }
    if (const HRESULT hr = enter_call("IMsgStore.OpenEntry"); FAILED(hr)) {
      return hr;
    }
    return open_store_entry(mailbox_, *opening_, size, entry_id, iid, flags, object_type, object);
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE SetReceiveFolder(LPTSTR, ULONG, ULONG, LPENTRYID) noexcept override
      try {
    return not_served("IMsgStore.SetReceiveFolder");
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE GetReceiveFolder(LPTSTR, ULONG flags, ULONG* size, LPENTRYID* entry_id,
                                             LPTSTR* explicit_class) noexcept override;

  HRESULT STDMETHODCALLTYPE GetReceiveFolderTable(ULONG, LPMAPITABLE* table) noexcept override try {
    if (table != nullptr) {
      *table = nullptr;
    }
    return not_served("IMsgStore.GetReceiveFolderTable");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE StoreLogoff(ULONG*) noexcept override try {
    return enter_call("IMsgStore.StoreLogoff");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE AbortSubmit(ULONG, LPENTRYID, ULONG) noexcept override try {
    return not_served("IMsgStore.AbortSubmit");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE GetOutgoingQueue(ULONG, LPMAPITABLE* table) noexcept override try {
    if (table != nullptr) {
      *table = nullptr;
    }
    return not_served("IMsgStore.GetOutgoingQueue");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE SetLockState(LPMESSAGE, ULONG) noexcept override try {
    return not_served("IMsgStore.SetLockState");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE FinishedMsg(ULONG, ULONG, LPENTRYID) noexcept override try {
    return not_served("IMsgStore.FinishedMsg");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE NotifyNewMail(LPNOTIFICATION) noexcept override try {
    return not_served("IMsgStore.NotifyNewMail");
  }
  QVSIM_CATCH_HRESULT

 protected:
  HRESULT save_changes(ULONG) override { return S_OK; }

 private:
  static std::shared_ptr<MessageData> properties_of(const ServedMailbox& mailbox,
                                                    const StoreOpening& opening) {
    const Store& store = *opening.store;
    auto data = std::make_shared<MessageData>(mailbox.names_of(store));
    PropertyBag& bag = data->properties;
    const Bytes uid(store.provider_uid.begin(), store.provider_uid.end());
    bag.set(PR_ENTRYID, binary_value(store.entry_id));
    bag.set(PR_STORE_ENTRYID, binary_value(store.entry_id));
    bag.set(PR_RECORD_KEY, binary_value(uid));
    bag.set(PR_STORE_RECORD_KEY, binary_value(uid));
    bag.set(PR_MDB_PROVIDER, binary_value(uid));
    bag.set_unicode(PR_DISPLAY_NAME_W, store.display_name);
    bag.set_long(PR_OBJECT_TYPE, MAPI_STORE);
    bag.set_long(PR_STORE_SUPPORT_MASK,
                 static_cast<LONG>(kStoreSupport |
                                   (opening.writable ? kStoreWriteSupport : STORE_READONLY)));
    if (store.top_folder) {
      bag.set(PR_IPM_SUBTREE_ENTRYID, binary_value(store.top_folder->entry_id));
    }
    return data;
  }

  std::shared_ptr<const ServedMailbox> mailbox_;
  std::shared_ptr<const StoreOpening> opening_;
  const Store& store_;
};

HRESULT STDMETHODCALLTYPE MessageStore::GetReceiveFolder(LPTSTR, ULONG flags, ULONG* size,
                                                         LPENTRYID* entry_id,
                                                         LPTSTR* explicit_class) noexcept try {
  if (size != nullptr) {
    *size = 0;
  }
  if (entry_id != nullptr) {
    *entry_id = nullptr;
  }
  if (explicit_class != nullptr) {
    *explicit_class = nullptr;
  }
  if (const HRESULT hr = enter_call("IMsgStore.GetReceiveFolder"); FAILED(hr)) {
    return hr;
  }
  if (size == nullptr || entry_id == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  const Folder* folder = receive_folder(store_);
  if (folder == nullptr) {
    return MAPI_E_NOT_FOUND;
  }
  const Allocator allocator = linked_allocator();
  auto* bytes = static_cast<LPENTRYID>(
      allocator.get(static_cast<ULONG>(folder->entry_id.size() + 1), nullptr));
  if (bytes == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  std::memcpy(bytes, folder->entry_id.data(), folder->entry_id.size());
  if (explicit_class != nullptr) {
    // The folder receives every class: its explicit class is the empty one.
    if (const HRESULT hr = new_mapi_text(std::wstring(), flags, explicit_class); FAILED(hr)) {
      allocator.free(bytes);
      return hr;
    }
  }
  *size = static_cast<ULONG>(folder->entry_id.size());
  *entry_id = bytes;
  return S_OK;
}
QVSIM_CATCH_HRESULT

class MailboxFolder final : public MapiPropObject<IMAPIFolder> {
 public:
  MailboxFolder(std::shared_ptr<const ServedMailbox> mailbox, const Folder& folder,
                bool store_writable)
      : MapiPropObject("IMAPIFolder", read_only_access(properties_of(*mailbox, folder))),
        mailbox_(std::move(mailbox)),
        folder_(folder),
        opening_{folder.store, store_writable} {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override try {
    return answer_interface(
        static_cast<IMAPIFolder*>(this), riid, object,
        {IID_IUnknown, __uuidof(IMAPIProp), __uuidof(IMAPIContainer), __uuidof(IMAPIFolder)});
  }
  QVSIM_CATCH_HRESULT

  // The folder's items, in order.
  HRESULT STDMETHODCALLTYPE GetContentsTable(ULONG flags, LPMAPITABLE* table) noexcept override
      try {
    if (table != nullptr) {
      *table = nullptr;
    }
    if (const HRESULT hr = enter_call("IMAPIFolder.GetContentsTable"); FAILED(hr)) {
      return hr;
    }
    if (table == nullptr) {
      return MAPI_E_INVALID_PARAMETER;
    }
    if ((flags & ~kContentsTableFlags) != 0) {
      return MAPI_E_UNKNOWN_FLAGS;
    }
    std::vector<PropertyBag> rows;
    if ((flags & MAPI_ASSOCIATED) == 0) {  // the description holds no associated (hidden) items
      for (const auto& item : folder_.items) {
        rows.push_back(item_row(*item));
      }
    }
    return new_table(std::move(rows), flags, table);
  }
  QVSIM_CATCH_HRESULT

  // The subfolders, in order; with CONVENIENT_DEPTH every folder below,
  // depth first, with PR_DEPTH from 1.
  HRESULT STDMETHODCALLTYPE GetHierarchyTable(ULONG flags, LPMAPITABLE* table) noexcept override
      try {
    if (table != nullptr) {
      *table = nullptr;
    }
    if (const HRESULT hr = enter_call("IMAPIFolder.GetHierarchyTable"); FAILED(hr)) {
      return hr;
    }
    if (table == nullptr) {
      return MAPI_E_INVALID_PARAMETER;
    }
    if ((flags & ~kHierarchyTableFlags) != 0) {
      return MAPI_E_UNKNOWN_FLAGS;
    }
    std::vector<PropertyBag> rows;
    add_hierarchy_rows(folder_, 1, (flags & CONVENIENT_DEPTH) != 0, &rows);
    return new_table(std::move(rows), flags, table);
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG size, LPENTRYID entry_id, LPCIID iid, ULONG flags,
                                      ULONG* object_type, LPUNKNOWN* object) noexcept override try {
    if (object_type != nullptr) {
      *object_type = 0;
    }
    if (object != nullptr) {
      *object = nullptr;
    }
    if (const HRESULT hr = enter_call("IMAPIFolder.OpenEntry"); FAILED(hr)) {
      return hr;
    }
    return open_store_entry(mailbox_, opening_, size, entry_id, iid, flags, object_type, object);
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) noexcept override
      try {
    return not_served("IMAPIFolder.SetSearchCriteria");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE GetSearchCriteria(ULONG, LPSRestriction* restriction,
                                              LPENTRYLIST* containers,
                                              ULONG* state) noexcept override try {
    if (restriction != nullptr) {
      *restriction = nullptr;
    }
    if (containers != nullptr) {
      *containers = nullptr;
    }
    if (state != nullptr) {
      *state = 0;
    }
    return not_served("IMAPIFolder.GetSearchCriteria");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE CreateMessage(LPCIID, ULONG, LPMESSAGE* message) noexcept override try {
    if (message != nullptr) {
      *message = nullptr;
    }
    return not_served("IMAPIFolder.CreateMessage");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE CopyMessages(LPENTRYLIST, LPCIID, LPVOID, UiParam, LPMAPIPROGRESS,
                                         ULONG) noexcept override try {
    return not_served("IMAPIFolder.CopyMessages");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE DeleteMessages(LPENTRYLIST, UiParam, LPMAPIPROGRESS,
                                           ULONG) noexcept override try {
    return not_served("IMAPIFolder.DeleteMessages");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE CreateFolder(ULONG, LPTSTR, LPTSTR, LPCIID, ULONG,
                                         LPMAPIFOLDER* folder) noexcept override try {
    if (folder != nullptr) {
      *folder = nullptr;
    }
    return not_served("IMAPIFolder.CreateFolder");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE CopyFolder(ULONG, LPENTRYID, LPCIID, LPVOID, LPTSTR, UiParam,
                                       LPMAPIPROGRESS, ULONG) noexcept override try {
    return not_served("IMAPIFolder.CopyFolder");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE DeleteFolder(ULONG, LPENTRYID, UiParam, LPMAPIPROGRESS,
                                         ULONG) noexcept override try {
    return not_served("IMAPIFolder.DeleteFolder");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE SetReadFlags(LPENTRYLIST, UiParam, LPMAPIPROGRESS,
                                         ULONG) noexcept override try {
    return not_served("IMAPIFolder.SetReadFlags");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE GetMessageStatus(ULONG, LPENTRYID, ULONG,
                                             ULONG* status) noexcept override try {
    if (status != nullptr) {
      *status = 0;
    }
    return not_served("IMAPIFolder.GetMessageStatus");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE SetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG,
                                             ULONG* old_status) noexcept override try {
    if (old_status != nullptr) {
      *old_status = 0;
    }
    return not_served("IMAPIFolder.SetMessageStatus");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE SaveContentsSort(LPSSortOrderSet, ULONG) noexcept override try {
    return not_served("IMAPIFolder.SaveContentsSort");
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE EmptyFolder(UiParam, LPMAPIPROGRESS, ULONG) noexcept override try {
    return not_served("IMAPIFolder.EmptyFolder");
  }
  QVSIM_CATCH_HRESULT

 protected:
  HRESULT save_changes(ULONG) override { return S_OK; }

 private:
  static std::shared_ptr<MessageData> properties_of(const ServedMailbox& mailbox,
                                                    const Folder& folder) {
    auto data = std::make_shared<MessageData>(mailbox.names_of(*folder.store));
    data->properties = folder_row(folder, 0);
    data->properties.erase(PR_DEPTH);
    data->properties.erase(PR_INSTANCE_KEY);
    data->properties.set(PR_RECORD_KEY, binary_value(folder.entry_id));
    data->properties.set(PR_PARENT_ENTRYID,
                         binary_value((folder.parent ? folder.parent : &folder)->entry_id));
    data->properties.set(PR_STORE_ENTRYID, binary_value(folder.store->entry_id));
    return data;
  }

  std::shared_ptr<const ServedMailbox> mailbox_;
  const Folder& folder_;
  StoreOpening opening_;  // the access of the store it was opened from
};

// The item's message, writable for the caller when the store and the flags
// allow it.
HRESULT open_item(const ServedMailbox& mailbox, const Item& item, ULONG flags, bool store_writable,
                  IUnknown** object) {
  std::shared_ptr<MessageData> data;
  if (const HRESULT hr = build_item_message(item, mailbox.names_of(*item.folder->store), &data);
      FAILED(hr)) {
    return hr;
  }
  MessageContext context;
  context.writable = store_writable && (flags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;
  *object = create_message(std::move(data), std::move(context));
  return S_OK;
}

}  // namespace

IMsgStore* create_message_store(std::shared_ptr<const ServedMailbox> mailbox,
                                std::shared_ptr<const StoreOpening> opening) {
  return new MessageStore(std::move(mailbox), std::move(opening));
}

HRESULT open_mailbox_entry(const std::shared_ptr<const ServedMailbox>& mailbox,
                           const MailboxEntry& entry, LPCIID iid, ULONG flags, bool store_writable,
                           ULONG* object_type, LPUNKNOWN* object) {
  if (object_type != nullptr) {
    *object_type = 0;
  }
  if (object == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *object = nullptr;
  if (!entry) {
    return MAPI_E_NOT_FOUND;
  }
  // MAPI_MODIFY asks for write access, which a store opened read-only does
  // not give to anything in it.
  if ((flags & MAPI_MODIFY) && !store_writable) {
    return MAPI_E_NO_ACCESS;
  }
  qv::com_ptr<IUnknown> created;
  IID own_interface = IID_IUnknown;
  switch (entry.object_type) {
    case MAPI_STORE:
      created = qv::com_ptr<IUnknown>::attach(create_message_store(
          mailbox,
          std::make_shared<const StoreOpening>(StoreOpening{entry.store, store_writable})));
      own_interface = __uuidof(IMsgStore);
      break;
    case MAPI_FOLDER:
      created =
          qv::com_ptr<IUnknown>::attach(new MailboxFolder(mailbox, *entry.folder, store_writable));
      own_interface = __uuidof(IMAPIFolder);
      break;
    case MAPI_MESSAGE:
      if (const HRESULT hr = open_item(*mailbox, *entry.item, flags, store_writable, created.put());
          FAILED(hr)) {
        return hr;
      }
      own_interface = __uuidof(IMessage);
      break;
    default:
      return MAPI_E_NOT_FOUND;
  }
  if (FAILED(
          created->QueryInterface(iid ? *iid : own_interface, reinterpret_cast<void**>(object)))) {
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  }
  if (object_type != nullptr) {
    *object_type = entry.object_type;
  }
  return S_OK;
}

HRESULT open_store_entry(const std::shared_ptr<const ServedMailbox>& mailbox,
                         const StoreOpening& opening, ULONG size, LPENTRYID entry_id, LPCIID iid,
                         ULONG flags, ULONG* object_type, LPUNKNOWN* object) {
  if ((flags & ~kStoreOpenEntryFlags) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  const Store& store = *opening.store;
  const Bytes bytes = entry_id_bytes(size, entry_id);
  MailboxEntry entry;
  if (bytes.empty() && store.top_folder) {
    entry = MailboxEntry{MAPI_FOLDER, &store, store.top_folder.get(), nullptr};
  } else if (!bytes.empty()) {
    entry = find_entry(store, bytes);
  }
  return open_mailbox_entry(mailbox, entry, iid, flags, opening.writable, object_type, object);
}

Bytes entry_id_bytes(ULONG size, LPENTRYID entry_id) {
  if (entry_id == nullptr) {
    return Bytes();
  }
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(entry_id);
  return Bytes(bytes, bytes + size);
}

HRESULT compare_entry_ids(ULONG size1, LPENTRYID entry_id1, ULONG size2, LPENTRYID entry_id2,
                          ULONG* result) {
  if (result == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *result = entry_id_bytes(size1, entry_id1) == entry_id_bytes(size2, entry_id2) ? TRUE : FALSE;
  return S_OK;
}

}  // namespace qvsim::mapi
