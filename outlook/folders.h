// Outlook's folder tree, kept as a map from folder path to folder record.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "../errors/com_holders.h"
#include "../outlook/outlook_interfaces.h"

namespace qv {

struct FolderInfo {
  std::wstring entry_id;               // the folder's EntryID text; empty when Outlook gives none
  std::wstring parent_entry_id;        // entry_id of the folder that holds it; empty at the top
  std::int32_t default_item_type = 0;  // MAPIFolder.DefaultItemType
};

// Folder paths are ordered, and equal, by the system's case-insensitive,
// locale-aware comparison: paths that differ only in letter case are one key.
struct FolderPathLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return ::lstrcmpiW(a.c_str(), b.c_str()) < 0;
  }
};

// Folder path (FolderPath with "%20" decoded to spaces) -> folder record.
using FolderMap = std::map<std::wstring, FolderInfo, FolderPathLess>;

// Adds the folders of a collection and, depth first, all their subfolders to
// the map; each folder goes in before its subfolders are walked, and a path
// already present keeps its first folder. Takes over the collection and
// releases it when done. parent_entry_id is the EntryID text of the folder
// that owns the collection, empty for the top-level folders. The walk keeps
// its position in each level on the heap, so the depth of the tree is not
// limited by the stack.
void add_folders(FolderMap& map, com_ptr<_Folders> collection, const std::wstring& parent_entry_id);

}  // namespace qv
