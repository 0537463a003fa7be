// The items selected in Outlook's active explorer window, as item URLs.
#pragma once

#include <string>
#include <vector>

namespace qv {

// The item URL ("outlook:" + EntryID text exactly as Outlook gives it) of
// each selected item whose EntryID can be read, in selection order.
//
// expected_count: -1 for any number of selected items; any other value is
// the exact number expected, and a selection of another size gives the empty
// list. parent_entry_ids: when given, the EntryID text of each item's parent
// (the folder that holds it) is appended to it, when it can be read.
//
// Throws win32_error when Outlook cannot be reached and _com_error when a
// member of the explorer or the selection fails (E_POINTER when Outlook has no
// explorer window).
std::vector<std::wstring> selected_item_urls(long expected_count = -1,
                                             std::vector<std::wstring>* parent_entry_ids = nullptr);

}  // namespace qv
