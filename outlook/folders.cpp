#include "outlook/folders.h"

#include <map>
#include <string>
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

// The system's sort key of a path (LCMapStringW with the locale and flags
// of lstrcmpiW): byte strings that order as the paths do; empty when the
// system gives none.
std::string sort_key(const std::wstring& path) {
  const LCID locale = ::GetThreadLocale();
  constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
  std::string key(path.size() * 4 + 16, '\0');
  int size = ::LCMapStringW(locale, kFlags, path.c_str(), -1, reinterpret_cast<LPWSTR>(key.data()),
                            static_cast<int>(key.size()));
  if (size == 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    key.resize(static_cast<size_t>(::LCMapStringW(locale, kFlags, path.c_str(), -1, nullptr, 0)));
    size = ::LCMapStringW(locale, kFlags, path.c_str(), -1, reinterpret_cast<LPWSTR>(key.data()),
                          static_cast<int>(key.size()));
  }
  key.resize(static_cast<size_t>(size));
  return key;
}

// Inserts paths into the map, first finding where each belongs by its sort
// key, compared byte by byte, and giving that place to the map as a hint:
// the map then checks the place with one or two lstrcmpiW comparisons
// instead of searching with about log2(n) of them, each of which reads the
// paths up to their first difference and is slow (a few microseconds for a
// short path, far more for a long one). The map's insertion with a hint
// makes the same map as without one, whatever the hint: a sort key that
// disagreed with lstrcmpiW would cost time, never change the result.
class HintedInserter {
 public:
  explicit HintedInserter(FolderMap& map) : map_(map) {
    for (auto entry = map_.begin(); entry != map_.end(); ++entry) {
      places_.emplace(sort_key(entry->first), entry);
    }
  }

  void insert(std::wstring path, FolderInfo info) {
    std::string key = sort_key(path);
    const auto next = places_.lower_bound(key);
    const auto hint = next == places_.end() ? map_.end() : next->second;
    const size_t size_before = map_.size();
    const auto entry = map_.emplace_hint(hint, std::move(path), std::move(info));
    if (map_.size() != size_before) {
      places_.emplace_hint(next, std::move(key), entry);
    }
  }

 private:
  FolderMap& map_;
  std::map<std::string, FolderMap::iterator> places_;  // sort key -> entry
};

// Reads what the map needs of the folder at a position and inserts it. Each
// read fetches the folder anew, as Outlook's collections are read live.
// Returns the folder's EntryID text.
std::wstring insert_folder(HintedInserter& inserter, const Level& level, long position) {
  std::wstring entry_id = outlook::entry_id(outlook::item(level.collection, position)).text();
  const std::wstring path =
      read_property_text(outlook::item(level.collection, position).get(), L"FolderPath");
  const long item_type = outlook::default_item_type(outlook::item(level.collection, position));
  inserter.insert(
      decode_url_spaces(path.c_str()),
      FolderInfo{entry_id, level.parent_entry_id, static_cast<std::int32_t>(item_type)});
  return entry_id;
}

}  // namespace

void add_folders(FolderMap& map, com_ptr<_Folders> collection,
                 const std::wstring& parent_entry_id) {
  HintedInserter inserter(map);
  std::vector<Level> levels;
  levels.push_back(Level{std::move(collection), 1, parent_entry_id});
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.position > outlook::count(level.collection)) {
      levels.pop_back();  // releases the collection
      continue;
    }
    const long position = level.position++;
    std::wstring entry_id = insert_folder(inserter, level, position);
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
