// Item URLs: "outlook:" followed by an EntryID in hexadecimal (EntryID form)
// or by two backslashes and a folder path with an optional item subject
// (path form).
#pragma once

#include <string>

namespace qv {

// The prefix of every item URL, as the library writes it.
inline constexpr wchar_t kItemUrlPrefix[] = L"outlook:";
inline constexpr size_t kItemUrlPrefixLength = 8;

// True when text (which may be null) is an item URL: the prefix in any case
// of its ASCII letters, and at least one character after it. When it is one
// and entry_id_form is given, *entry_id_form is set to true for the EntryID
// form and to false for the path form; otherwise it is left unchanged.
bool is_item_url(const wchar_t* text, bool* entry_id_form = nullptr) noexcept;

// A copy of text (null counts as empty) with every "%20" replaced by a space.
std::wstring decode_url_spaces(const wchar_t* text);

}  // namespace qv
