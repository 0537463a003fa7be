// _Explorer, Selection and the items of the simulated Outlook.
#include <stdexcept>
#include <string>
#include <utility>

#include "sim/outlook/item_properties.h"
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

size_t SelectionObject::element_count() const { return selected_items().size(); }

IDispatch* SelectionObject::new_element(size_t position) const {
  return new ItemObject(selected_items()[position]);
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

namespace {

// Invoke of the standard property at a position of the table: a property get
// without arguments.
template <std::size_t Index>
HRESULT read_standard(ItemObject& item, const InvokeArguments& arguments, VARIANT* result) {
  if (arguments.count() != 0) {
    return DISP_E_BADPARAMCOUNT;
  }
  return item.standard_property(Index, result);
}

template <std::size_t... Index>
void add_standard_properties(std::vector<DispatchMember<ItemObject>>& members,
                             std::index_sequence<Index...>) {
  (members.push_back(
       {standard_properties()[Index].name, standard_properties()[Index].id, &read_standard<Index>}),
   ...);
}

// How many entries the table has, as a constant for the index sequence.
constexpr std::size_t kStandardProperties = 21;

}  // namespace

const std::vector<DispatchMember<ItemObject>>& ItemObject::dispatch_members() {
  static const std::vector<DispatchMember<ItemObject>> kMembers = [] {
    std::vector<DispatchMember<ItemObject>> list = {
        {L"EntryID", 0xF01E, &invoke_member<&ItemObject::entry_id, ItemObject>},
        {L"Subject", 0x37, &invoke_member<&ItemObject::subject, ItemObject>},
        {L"MessageClass", 0x1A, &invoke_member<&ItemObject::message_class, ItemObject>},
    };
    if (standard_property_count() != kStandardProperties) {
      throw std::logic_error("the table of standard properties changed its size");
    }
    add_standard_properties(list, std::make_index_sequence<kStandardProperties>());
    return list;
  }();
  return kMembers;
}

bool ItemObject::serves(const DispatchMember<ItemObject>& member) const {
  for (std::size_t i = 0; i < standard_property_count(); ++i) {
    if (standard_properties()[i].id == member.id) {
      return has_property(standard_properties()[i], object_class_code());
    }
  }
  return true;
}

ITypeInfo* ItemObject::own_type_info() const {
  // The IIDs of Outlook's item interfaces, {000630xx-0000-0000-C000-000000000046}.
  const auto outlook_iid = [](unsigned long first) {
    return GUID{first, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  };
  switch (object_class_code()) {
    case 43:  // olMail
      return interface_type_info(outlook_iid(0x00063034));
    case 26:  // olAppointment
      return interface_type_info(outlook_iid(0x00063033));
    case 40:  // olContact
      return interface_type_info(outlook_iid(0x00063021));
    case 48:  // olTask
      return interface_type_info(outlook_iid(0x00063035));
    default:
      return nullptr;
  }
}

HRESULT ItemObject::standard_property(std::size_t index, VARIANT* result) {
  return read_standard_property(*item_, standard_properties()[index], result);
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
