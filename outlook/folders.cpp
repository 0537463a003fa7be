#include "outlook/folders.h"

#include <utility>
#include <vector>

#include "items/item_url.h"
#include "mapi/mapi.h"
#include "outlook/outlook_app.h"

namespace qv {
namespace {

// One level of the walk: a folder collection and the next position in it.
struct Level {
  com_ptr<_Folders> collection;
  long position = 1;
  std::wstring parent_entry_id;
};

// Reads what the map needs of the folder at a position and inserts it. Each
// read fetches the folder anew, as Outlook's collections are read live.
// Returns the folder's EntryID text.
std::wstring insert_folder(FolderMap& map, const Level& level, long position) {
  std::wstring entry_id = outlook::entry_id(outlook::item(level.collection, position)).text();
  const std::wstring path =
      property_text(outlook::item(level.collection, position).get(), L"FolderPath");
  const long item_type = outlook::default_item_type(outlook::item(level.collection, position));
  map.emplace(decode_url_spaces(path.c_str()),
              FolderInfo{entry_id, level.parent_entry_id, static_cast<std::int32_t>(item_type)});
  return entry_id;
}

}  // namespace

void add_folders(FolderMap& map, com_ptr<_Folders> collection, const std::wstring& parent_entry_id) {
  std::vector<Level> levels;
  levels.push_back(Level{std::move(collection), 1, parent_entry_id});
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.position > outlook::count(level.collection)) {
      levels.pop_back();  // releases the collection
      continue;
    }
    const long position = level.position++;
    std::wstring entry_id = insert_folder(map, level, position);
    com_ptr<_Folders> subfolders = outlook::folders(outlook::item(level.collection, position));
    levels.push_back(Level{std::move(subfolders), 1, std::move(entry_id)});
  }
}

const FolderMap& Mapi::list_folders(bool& refresh) {
  const bool was_filled = !folders.empty();
  if (was_filled && !refresh) {
    refresh = true;
    return folders;
  }
  if (was_filled) {
    folders.clear();
  }
  const com_ptr<_Application> application = create_outlook_application();
  const com_ptr<_NameSpace> name_space = outlook::get_namespace(application, L"MAPI");
  add_folders(folders, outlook::folders(name_space), std::wstring());
  return folders;
}

}  // namespace qv
