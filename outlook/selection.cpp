#include "outlook/selection.h"

#include "items/item_url.h"
#include "outlook/outlook_app.h"

namespace qv {
namespace {

// Appends the EntryID of the item's parent, when it can be read. Throws
// win32_error when Outlook does not answer.
void append_parent_entry_id(IDispatch* item, unique_variant& value,
                            std::vector<std::wstring>& parent_entry_ids) {
  if (FAILED(read_property(item, L"Parent", value.put())) || value.type() != VT_DISPATCH) {
    return;
  }
  const com_ptr<IDispatch> parent = com_ptr<IDispatch>::copy(value.value().pdispVal);
  if (SUCCEEDED(read_property(parent.get(), L"EntryID", value.put())) && value.type() == VT_BSTR) {
    parent_entry_ids.push_back(bstr_text(value.value().bstrVal));
  }
}

// Adds the URL of one selected item (and its parent's EntryID) when the
// item's EntryID reads as a string. Throws win32_error when Outlook does not
// answer: the item is not dropped from the list unnoticed.
void add_selected_item(IDispatch* item, std::vector<std::wstring>& urls,
                       std::vector<std::wstring>* parent_entry_ids) {
  unique_variant value;
  if (FAILED(read_property(item, L"EntryID", value.put())) || value.type() != VT_BSTR) {
    return;
  }
  urls.push_back(kItemUrlPrefix + bstr_text(value.value().bstrVal));
  if (parent_entry_ids != nullptr) {
    append_parent_entry_id(item, value, *parent_entry_ids);
  }
}

}  // namespace

std::vector<std::wstring> selected_item_urls(long expected_count,
                                             std::vector<std::wstring>* parent_entry_ids) {
  std::vector<std::wstring> urls;
  const com_ptr<_Application> application = create_outlook_application();
  com_ptr<Selection> selection;
  {
    const com_ptr<_Explorer> explorer = outlook::active_explorer(application);
    selection = outlook::selection(explorer);
  }
  if (expected_count != -1 && outlook::count(selection) != expected_count) {
    return urls;
  }
  const long count = outlook::count(selection);
  for (long position = 1; position <= count; ++position) {
    const com_ptr<IDispatch> item = outlook::item(selection, position);
    add_selected_item(item.get(), urls, parent_entry_ids);
  }
  return urls;
}

}  // namespace qv
