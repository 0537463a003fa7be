#include "items/entry_id.h"

#include <mapix.h>
#include <mapiutil.h>

#include <cstring>

#include "errors/compat.h"
#include "errors/exceptions.h"
#include "items/item_url.h"
#include "mapi/mapi.h"
#include "mapi/mapi_holders.h"
#include "outlook/path_resolution.h"

namespace qv {
namespace {

// The hexadecimal digits that a text stands for.
std::wstring digits_of(const wchar_t* text, std::wstring& source) {
  bool entry_id_form = false;
  if (!is_item_url(text, &entry_id_form)) {
    return text;
  }
  if (entry_id_form) {
    return text + kItemUrlPrefixLength;
  }
  source = text;
  return resolve_path_url(*shared_mapi(false), source, false);
}

}  // namespace

EntryId::EntryId(const wchar_t* text) {
  const std::string digits = to_narrow(digits_of(text, source_).c_str(), -1, CP_THREAD_ACP);
  // MAPI must be initialised before its memory routines are used.
  shared_mapi(false);
  const ULONG count = static_cast<ULONG>(digits.size() / 2);
  mapi_buffer<BYTE> buffer;
  check_hresult(::MAPIAllocateBuffer(count, buffer.put_void()));
  // The bytes that the conversion does not reach stay zero. Only whole pairs
  // go in, so it never writes past count bytes.
  if (count > 0) {
    std::memset(buffer.get(), 0, count);
  }
  std::string pairs = digits.substr(0, count * 2);
  ::FBinFromHex(pairs.data(), buffer.get());
  assign(count, buffer.get());
}

void EntryId::assign(ULONG count, const void* data) {
  const auto* first = static_cast<const std::uint8_t*>(data);
  if (first == nullptr) {
    count = 0;
  }
  bytes_.assign(first, first + count);
}

ENTRYID* EntryId::data() const noexcept {
  return bytes_.empty() ? nullptr
                        : reinterpret_cast<ENTRYID*>(const_cast<std::uint8_t*>(bytes_.data()));
}

std::wstring EntryId::to_text() const {
  if (!source_.empty()) {
    return source_;
  }
  if (bytes_.empty()) {
    return std::wstring();
  }
  // Two digits per byte and the terminator.
  std::string digits(bytes_.size() * 2 + 1, '\0');
  ::HexFromBin(const_cast<std::uint8_t*>(bytes_.data()), static_cast<int>(bytes_.size()),
               digits.data());
  return to_wide(digits.c_str(), -1, CP_THREAD_ACP);
}

}  // namespace qv
