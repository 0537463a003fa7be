// The message object: one Outlook item as an Extended MAPI message whose
// properties can be read as text. It opens from an item URL (the item in
// one of the user's message stores, through the shared Mapi instance) or
// from the path of a compound file that holds a MAPI message (.msg).
#pragma once

#include <windows.h>
#include <objidl.h>
#include <mapix.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../errors/com_holders.h"
#include "../mapi/mapi_holders.h"
#include "field_numbers.h"

namespace qv {

// The access with which a compound file is opened.
enum class StorageMode : int {
  read = 0,        // STGM_READ | STGM_SHARE_DENY_WRITE
  write = 1,       // STGM_WRITE | STGM_SHARE_EXCLUSIVE
  read_write = 2,  // STGM_READWRITE | STGM_SHARE_EXCLUSIVE
};

// The STGM flags of a mode; 0 (read access, no sharing flag) for a value
// that is none of the modes.
DWORD storage_flags(StorageMode mode) noexcept;

// MAPI's object type of a message.
inline constexpr ULONG kMapiMessageType = MAPI_MESSAGE;

// Reading the properties of one MAPI object as values and texts.
class MapiProp {
 public:
  MapiProp() = default;
  MapiProp(const MapiProp&) = delete;
  MapiProp& operator=(const MapiProp&) = delete;
  // Saves pending changes first; a failed save is dropped here.
  ~MapiProp();

  // With pending changes: SaveChanges(KEEP_OPEN_READWRITE), win32_error when
  // it fails, and no more pending changes. Returns whether there were some.
  bool save_changes();
  // Saves pending changes of the object held so far, then holds p (may be
  // null) instead.
  void set_prop(IMAPIProp* p);

  // A string property: through its stream when one opens (Unicode, then
  // 8-bit), else through GetProps; empty when missing. A stream that fails
  // to read throws win32_error.
  std::wstring get_string(ULONG tag) const;
  // A multi-valued string property, its strings joined by "; "; empty when
  // missing.
  std::wstring get_multi_string(ULONG tag) const;
  // A PT_DOUBLE or PT_APPTIME value, or a PT_SYSTIME as an OLE automation
  // date; 0.0 when missing.
  double get_double(ULONG tag) const;
  // A PT_I2, PT_LONG, PT_BOOLEAN or PT_I8 (low 32 bits) value; fallback when
  // missing.
  std::int32_t get_long(ULONG tag, std::int32_t fallback) const;
  // The decompressed RTF body into bytes; false when it cannot be read.
  bool get_rtf(std::vector<std::uint8_t>& bytes) const;

  com_ptr<IMAPIProp> prop;  // the same object as the message, once open
  bool dirty = false;       // pending changes, saved before prop goes
};

// The structured storage behind a message kept in a compound file, on disk
// or in memory.
class CompoundStorage {
 public:
  // Holds nothing; with create_now, a new storage in memory.
  explicit CompoundStorage(bool create_now = false);
  CompoundStorage(const CompoundStorage&) = delete;
  CompoundStorage& operator=(const CompoundStorage&) = delete;

  // Releases what is held, then creates a new compound file (an existing
  // one of that name is replaced), or with a null or empty name a storage in
  // memory. Throws win32_error.
  void create(const wchar_t* name);
  // Releases what is held, then opens the compound file name with the
  // flags of mode. Throws win32_error.
  void open(const wchar_t* name, StorageMode mode);
  // Releases the storage, then the memory under it.
  void reset() noexcept;

  com_ptr<IStorage> storage;       // the root storage
  com_ptr<ILockBytes> lock_bytes;  // the memory of a storage in memory
};

class MapiMessageImpl : public MapiProp {
 public:
  // Opens the item; see open().
  MapiMessageImpl(const wchar_t* source, StorageMode mode);

  // An item URL ("outlook:" in any letter case and at least one character
  // more) is opened through the shared Mapi instance, which logs on when it
  // has not yet; anything else, null and empty included, is the name of a
  // compound file opened with mode. Then the attachment rows are read.
  // Throws truntime_error "Outlook object [...] not found" when no session
  // opens the item and "Outlook object [...] is not a message" when it is
  // something else, and win32_error when the file does not open as a
  // message.
  void open(const wchar_t* source, StorageMode mode);
  // Forgets the attachment rows and table and the message; keeps prop and
  // storage.
  void reset() noexcept;
  // Holds msg (may be null) as the message and as prop.
  void set_message(IMessage* msg);
  // Makes storage a message through OpenIMsgOnIStg, with MAPI's allocator.
  // Throws win32_error: MAPI_E_NOT_ENOUGH_MEMORY when MAPI gives no
  // allocator, else OpenIMsgOnIStg's failure.
  void wrap_storage();
  // Reads the first 100 rows of the attachment table; a failure ends it
  // silently, keeping what was obtained.
  void load_attachments() noexcept;

  CompoundStorage storage;  // empty for an item of a store
  com_ptr<IMessage> message;
  com_ptr<IMAPITable> attachments;
  unique_rows attachment_rows;
  ULONG attachment_count = 0;
};

// An opened Outlook item.
class MapiMessage {
 public:
  // Opens source (see MapiMessageImpl::open), with read and write access to
  // a compound file when writable, else read access that lets others read
  // but not write it. Throws what opening throws.
  MapiMessage(const wchar_t* source, bool writable);
  MapiMessage(const MapiMessage&) = delete;
  MapiMessage& operator=(const MapiMessage&) = delete;
  ~MapiMessage();

  // The text of a field of the field table (0 to 85, named in qv::field), by
  // the type of its property; default_text when the field cannot be read.
  // Never throws.
  std::wstring field_text(int field, const std::wstring& default_text) const noexcept;
  // The text of any property by its full tag (PR_SENDER_NAME_W, say), by the
  // rules and through the reads of field_text. An 8-bit string tag reads
  // like its Unicode one. Never throws: default_text when the message lacks
  // the property (of any type) or it cannot be read.
  std::wstring property_text(ULONG tag, const std::wstring& default_text) const noexcept;
  // The text of a named property by its property set and numeric name (LID),
  // read with the type given, as field_text reads a named field: the store's
  // identifier of the name is asked at every call, and a name that the store
  // never mapped reads as missing: default_text. Never throws.
  std::wstring named_property_text(const GUID& property_set, ULONG lid, ULONG type,
                                   const std::wstring& default_text) const noexcept;
  // The same for a named property with a string name.
  std::wstring named_property_text(const GUID& property_set, const wchar_t* name, ULONG type,
                                   const std::wstring& default_text) const noexcept;

  MapiMessageImpl& impl() const noexcept { return *impl_; }

 private:
  std::unique_ptr<MapiMessageImpl> impl_;
};

}  // namespace qv
