#include "items/message.h"

#include <imessage.h>
#include <mapiutil.h>

#include "errors/exceptions.h"
#include "items/entry_id.h"
#include "items/item_url.h"
#include "mapi/mapi.h"
#include "mapi/mapi_platform.h"

namespace qv {
namespace {

constexpr DWORD kCreateFlags = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;

constexpr LONG kAttachmentRows = 100;

constexpr SizedSPropTagArray(4, kAttachmentColumns) = {
    4, {PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_ATTACH_MIME_TAG_W, PR_ATTACH_MIME_TAG_A}};

// The allocator that OpenIMsgOnIStg needs for the storage's streams: MAPI's,
// else OLE's task allocator when MAPI gives none (a null one is refused).
com_ptr<IMalloc> storage_allocator() {
  auto malloc = com_ptr<IMalloc>::attach(::MAPIGetDefaultMalloc());
  if (!malloc) {
    ::CoGetMalloc(MEMCTX_TASK, malloc.put());
  }
  return malloc;
}

std::wstring not_a_message(const EntryId& entry_id) {
  std::wstring text = entry_id.to_text();
  if (text.empty()) {
    text = L"Unknown";
  }
  return format_message(L"Outlook object [%1] is not a message", {text.c_str()});
}

}  // namespace

DWORD storage_flags(StorageMode mode) noexcept {
  switch (mode) {
    case StorageMode::read:
      return STGM_READ | STGM_SHARE_DENY_WRITE;
    case StorageMode::write:
      return STGM_WRITE | STGM_SHARE_EXCLUSIVE;
    case StorageMode::read_write:
      return STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
  }
  return 0;
}

// --- MapiProp ---------------------------------------------------------------

MapiProp::~MapiProp() {
  try {
    save_changes();
  } catch (const texception&) {
    // A destructor cannot report it; the changes are lost with the object.
  }
}

bool MapiProp::save_changes() {
  const bool was_dirty = dirty;
  if (dirty && prop) {
    check_hresult(prop->SaveChanges(KEEP_OPEN_READWRITE));
    dirty = false;
  }
  return was_dirty;
}

void MapiProp::set_prop(IMAPIProp* p) {
  save_changes();
  prop = com_ptr<IMAPIProp>::copy(p);
}

// --- CompoundStorage --------------------------------------------------------

CompoundStorage::CompoundStorage(bool create_now) {
  if (create_now) {
    create(nullptr);
  }
}

void CompoundStorage::create(const wchar_t* name) {
  reset();
  if (name != nullptr && *name != L'\0') {
    check_hresult(::StgCreateDocfile(name, kCreateFlags, 0, storage.put()));
    return;
  }
  unique_global_memory memory(::GlobalAlloc(GMEM_MOVEABLE, 0));
  if (!memory) {
    throw win32_error();
  }
  check_hresult(::CreateILockBytesOnHGlobal(memory.get(), TRUE, lock_bytes.put()));
  // Freed with the last release of lock_bytes from now on.
  static_cast<void>(memory.release());
  check_hresult(::StgCreateDocfileOnILockBytes(lock_bytes.get(), kCreateFlags, 0, storage.put()));
}

void CompoundStorage::open(const wchar_t* name, StorageMode mode) {
  reset();
  check_hresult(::StgOpenStorage(name, nullptr, storage_flags(mode), nullptr, 0, storage.put()));
}

void CompoundStorage::reset() noexcept {
  storage.reset();
  lock_bytes.reset();
}

// --- MapiMessageImpl --------------------------------------------------------

MapiMessageImpl::MapiMessageImpl(const wchar_t* source, StorageMode mode) { open(source, mode); }

void MapiMessageImpl::open(const wchar_t* source, StorageMode mode) {
  reset();
  if (is_item_url(source)) {
    // The item is opened with the best access its store gives; mode is not
    // used.
    const EntryId entry_id(source);
    // An object of another type (a folder, a store) comes back empty.
    const com_ptr<IUnknown> object = shared_mapi(false)->open_entry(entry_id, kMapiMessageType);
    set_message(object.try_query<IMessage>().get());
    if (!message) {
      throw truntime_error(not_a_message(entry_id));
    }
  } else {
    storage.open(source, mode);
    wrap_storage();
  }
  load_attachments();
}

void MapiMessageImpl::reset() noexcept {
  attachment_rows.reset();
  attachment_count = 0;
  attachments.reset();
  message.reset();
}

void MapiMessageImpl::set_message(IMessage* msg) {
  reset();
  message = com_ptr<IMessage>::copy(msg);
  set_prop(message.get());
}

void MapiMessageImpl::wrap_storage() {
  // MAPI must be initialised before its routines run; this does not log on.
  shared_mapi(false);
  const com_ptr<IMalloc> malloc = storage_allocator();
  check_hresult(::OpenIMsgOnIStg(nullptr, &::MAPIAllocateBuffer, &::MAPIAllocateMore,
                                 &::MAPIFreeBuffer, malloc.get(), nullptr, storage.storage.get(),
                                 nullptr, 0, 0, message.put()));
  set_prop(message.get());
}

void MapiMessageImpl::load_attachments() noexcept {
  if (!message || FAILED(message->GetAttachmentTable(0, attachments.put())) || !attachments) {
    return;
  }
  if (SUCCEEDED(query_first_rows(*attachments, tag_array(kAttachmentColumns), kAttachmentRows,
                                 attachment_rows))) {
    attachment_count = attachment_rows.count();
  }
}

// --- MapiMessage ------------------------------------------------------------

MapiMessage::MapiMessage(const wchar_t* source, bool writable)
    : impl_(std::make_unique<MapiMessageImpl>(
          source, writable ? StorageMode::read_write : StorageMode::read)) {}

MapiMessage::~MapiMessage() = default;

}  // namespace qv
