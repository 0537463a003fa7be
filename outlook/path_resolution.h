// Path-style item URLs ("outlook:\\Store\Folder\Subject"): the EntryID of the
// folder, or of the item with that subject in the folder, that one names.
#pragma once

#include <optional>
#include <string>

#include "../outlook/folders.h"

namespace qv {

class Mapi;

// Resolves an item URL or a bare path to an EntryID text, through the folder
// map of mapi (built, or rebuilt once, when the path is not found in it) and
// a search of the folder's items by subject. An item URL in the EntryID form
// comes back without any lookup. with_prefix gives a non-empty result as an
// item URL. The empty text means nothing was found.
std::wstring resolve_path_url(Mapi& mapi, const std::wstring& url, bool with_prefix);

// The entry_id of the folder whose path (with "%20" decoded) is a key of the
// map; nothing when it is not, or when the folder has no EntryID.
std::optional<std::wstring> find_folder_entry_id(const std::wstring& path, const FolderMap& map);

// The EntryID text of the first item of the folder whose "Subject" equals
// subject, ignoring the case of ASCII letters only; one leading "~" of subject
// is dropped first. The empty text when subject is empty or nothing matches.
std::wstring find_item_by_subject(const std::wstring& folder_entry_id, const std::wstring& subject);

}  // namespace qv
