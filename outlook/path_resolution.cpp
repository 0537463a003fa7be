#include "outlook/path_resolution.h"

#include "items/ascii_case.h"
#include "items/item_url.h"
#include "mapi/mapi.h"
#include "outlook/outlook_app.h"

namespace qv {
namespace {

// One attempt: the whole path as a folder, else the folder part and a search
// of its items by the subject after the last backslash.
std::wstring resolve_once(Mapi& mapi, const std::wstring& path, bool& refresh) {
  const FolderMap& map = mapi.list_folders(refresh);
  if (std::optional<std::wstring> folder = find_folder_entry_id(path, map)) {
    return *folder;
  }
  const size_t last_backslash = path.rfind(L'\\');
  if (last_backslash == std::wstring::npos) {
    return std::wstring();
  }
  const std::optional<std::wstring> folder =
      find_folder_entry_id(path.substr(0, last_backslash), map);
  if (!folder) {
    return std::wstring();
  }
  return find_item_by_subject(*folder, path.substr(last_backslash + 1));
}

}  // namespace

std::wstring resolve_path_url(Mapi& mapi, const std::wstring& url, bool with_prefix) {
  bool entry_id_form = false;
  std::wstring path = url;
  if (is_item_url(url.c_str(), &entry_id_form)) {
    if (entry_id_form) {
      return with_prefix ? url : url.substr(kItemUrlPrefixLength);
    }
    path = url.substr(kItemUrlPrefixLength);
  }
  bool refresh = false;
  std::wstring result = resolve_once(mapi, path, refresh);
  if (result.empty() && refresh) {
    // The map had been built earlier: rebuild it once and look again.
    result = resolve_once(mapi, path, refresh);
  }
  if (!result.empty() && with_prefix) {
    return kItemUrlPrefix + result;
  }
  return result;
}

std::optional<std::wstring> find_folder_entry_id(const std::wstring& path, const FolderMap& map) {
  const auto found = map.find(decode_url_spaces(path.c_str()));
  if (found == map.end() || found->second.entry_id.empty()) {
    return std::nullopt;
  }
  return found->second.entry_id;
}

std::wstring find_item_by_subject(const std::wstring& folder_entry_id,
                                  const std::wstring& subject) {
  if (subject.empty()) {
    return std::wstring();
  }
  const std::wstring wanted = subject[0] == L'~' ? subject.substr(1) : subject;
  const com_ptr<_Application> application = create_outlook_application();
  com_ptr<_Items> items;
  {
    const com_ptr<_NameSpace> name_space = outlook::get_namespace(application, L"MAPI");
    const com_ptr<MAPIFolder> folder = outlook::get_folder_from_id(name_space, folder_entry_id);
    items = outlook::items(folder);
  }
  for (long position = 1; position <= outlook::count(items); ++position) {
    const std::wstring item_subject =
        read_property_text(outlook::item(items, position).get(), L"Subject");
    if (equals_ignoring_ascii_case(item_subject, wanted)) {
      return read_property_text(outlook::item(items, position).get(), L"EntryID");
    }
  }
  return std::wstring();
}

}  // namespace qv
