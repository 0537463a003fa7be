// _Explorer, Selection and the items of the simulated Outlook.
#include <string>

#include "sim/outlook/objects.h"
#include "sim/outlook/server.h"

namespace qvsim::outlook {
namespace {

const std::vector<qvsim::Item*>& selected_items() {
  static const std::vector<qvsim::Item*> kNone;
  const Mailbox& mailbox = Server::instance().mailbox();
  return mailbox.explorer ? mailbox.explorer->selection : kNone;
}

}  // namespace

// _Explorer ------------------------------------------------------------------

HRESULT ExplorerObject::parent(IDispatch** result) {
  *result = new_application();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ExplorerObject::get_Selection(Selection** result) noexcept {
  return serve("get_Selection", result, [&] { return selection(result); });
}

HRESULT ExplorerObject::selection(Selection** result) {
  *result = new SelectionObject();
  return S_OK;
}

// Selection ------------------------------------------------------------------

HRESULT SelectionObject::parent(IDispatch** result) {
  *result = new ExplorerObject();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE SelectionObject::get_Count(long* result) noexcept {
  return serve("get_Count", result, [&] { return count(result); });
}
HRESULT STDMETHODCALLTYPE SelectionObject::Item(VARIANT index, IDispatch** result) noexcept {
  return serve("Item", result, [&] { return item(index, result); });
}

HRESULT SelectionObject::count(long* result) {
  *result = static_cast<long>(selected_items().size());
  return S_OK;
}

HRESULT SelectionObject::item(const VARIANT& index, IDispatch** result) {
  const std::vector<qvsim::Item*>& items = selected_items();
  size_t position = 0;
  const HRESULT hr = position_in(index, items.size(), &position);
  if (FAILED(hr)) {
    return hr;
  }
  *result = new ItemObject(items[position]);
  return S_OK;
}

// Items ----------------------------------------------------------------------

const std::vector<DispatchMember<ItemObject>>& ItemObject::dispatch_members() {
  static const std::vector<DispatchMember<ItemObject>> members = {
      {L"EntryID", 0xF01E, &invoke_member<&ItemObject::entry_id, ItemObject>},
      {L"Subject", 0x37, &invoke_member<&ItemObject::subject, ItemObject>},
      {L"MessageClass", 0x1A, &invoke_member<&ItemObject::message_class, ItemObject>},
  };
  return members;
}

HRESULT ItemObject::parent(IDispatch** result) {
  *result = new FolderObject(item_->folder);
  return S_OK;
}

HRESULT ItemObject::entry_id(BSTR* result) { return entry_id_text(item_->entry_id, result); }

HRESULT ItemObject::subject(BSTR* result) { return allocate_text(item_->subject(), result); }

HRESULT ItemObject::message_class(BSTR* result) {
  return allocate_text(item_->message_class, result);
}

}  // namespace qvsim::outlook
