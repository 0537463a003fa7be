// EntryIDs: the opaque bytes by which MAPI opens an object, with the
// path-form item URL they were resolved from, if any.
#pragma once

#include <windows.h>
#include <mapidefs.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

class EntryId {
 public:
  // No byte, no source.
  EntryId() = default;

  // From an item URL of either form, or from bare hexadecimal digits. A
  // path-form URL is resolved through the folders of the shared Mapi
  // instance and kept as the source, resolved or not. Each pair of
  // hexadecimal digits gives one byte; an odd last digit is dropped, and
  // nothing is rejected: a pair that is not two hexadecimal digits ends the
  // conversion, and the bytes from there on are zero. text must not be
  // null. Creates the shared Mapi instance when there is none. Throws what
  // shared_mapi and the path resolution throw, win32_error when MAPI memory
  // cannot be had, and CAtlException when a text conversion fails.
  explicit EntryId(const wchar_t* text);

  bool empty() const noexcept { return bytes_.empty(); }
  // Replaces the bytes by a copy of count bytes at data.
  void assign(ULONG count, const void* data);

  ULONG size() const noexcept { return static_cast<ULONG>(bytes_.size()); }
  // The first byte, as MAPI takes an EntryID; null when there is none.
  ENTRYID* data() const noexcept;
  const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }
  // The path-form item URL exactly as it was passed; empty otherwise.
  const std::wstring& source() const noexcept { return source_; }

  // The text by which messages name the EntryID: the source when there is
  // one, else every byte as two hexadecimal digits; empty for no byte.
  std::wstring to_text() const;

 private:
  std::vector<std::uint8_t> bytes_;
  std::wstring source_;
};

}  // namespace qv
