// The IMAPIProp methods over one property bag, shared by messages and
// attachments (MapiPropObject), with MAPI's rules for types, string
// conversions, errors and MAPI memory.
#pragma once

#include <memory>

#include "sim/common/com_guard.h"
#include "sim/common/com_object.h"
#include "sim/mapi/message/message_data.h"

namespace qvsim::mapi {

// What a message and the objects opened from it (attachments, embedded
// messages) share.
struct ObjectScope {
  Allocator allocator;
  bool writable = true;
  std::shared_ptr<MessageData> root;  // keeps the whole message alive
};

class PropertyAccess {
 public:
  // The properties of bag, which belongs to message (an attachment's bag
  // belongs to the message that holds the attachment). bag shares the
  // ownership of what holds it.
  PropertyAccess(std::shared_ptr<ObjectScope> scope, std::shared_ptr<MessageData> message,
                 std::shared_ptr<PropertyBag> bag);

  HRESULT get_last_error(LPMAPIERROR* error) const;
  HRESULT get_props(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values) const;
  HRESULT get_prop_list(ULONG flags, LPSPropTagArray* tags) const;
  // OpenProperty with IID_IStream.
  HRESULT open_stream(ULONG tag, ULONG flags, LPUNKNOWN* stream) const;
  HRESULT set_props(ULONG count, LPSPropValue values, LPSPropProblemArray* problems);
  HRESULT delete_props(LPSPropTagArray tags, LPSPropProblemArray* problems);
  HRESULT get_names_from_ids(LPSPropTagArray* tags, LPGUID property_set, ULONG flags, ULONG* count,
                             LPMAPINAMEID** names) const;
  HRESULT get_ids_from_names(ULONG count, LPMAPINAMEID* names, ULONG flags,
                             LPSPropTagArray* tags) const;

  const std::shared_ptr<ObjectScope>& scope() const { return scope_; }
  const std::shared_ptr<MessageData>& message() const { return message_; }
  PropertyBag& bag() const { return *bag_; }
  ReadRules read_rules(ULONG flags) const;

 private:
  std::shared_ptr<ObjectScope> scope_;
  std::shared_ptr<MessageData> message_;
  std::shared_ptr<PropertyBag> bag_;
};

// IMAPIProp for an interface derived from it (IMessage, IAttach).
template <typename Interface>
class MapiPropObject : public Interface, public TrackedObject {
 public:
  MapiPropObject(const char* kind, PropertyAccess access)
      : TrackedObject(kind), access_(std::move(access)) {}

  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return add_reference(); }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return release_reference(); }

  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR* error) noexcept override try {
    return access_.get_last_error(error);
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE SaveChanges(ULONG flags) noexcept override;
  HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count,
                                     LPSPropValue* values) noexcept override try {
    return access_.get_props(tags, flags, count, values);
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE GetPropList(ULONG flags, LPSPropTagArray* tags) noexcept override try {
    return access_.get_prop_list(flags, tags);
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE OpenProperty(ULONG tag, LPCIID iid, ULONG options, ULONG flags,
                                         LPUNKNOWN* object) noexcept override;
  HRESULT STDMETHODCALLTYPE SetProps(ULONG count, LPSPropValue values,
                                     LPSPropProblemArray* problems) noexcept override try {
    return access_.set_props(count, values, problems);
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray tags,
                                        LPSPropProblemArray* problems) noexcept override try {
    return access_.delete_props(tags, problems);
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE CopyTo(ULONG, LPCIID, LPSPropTagArray, UiParam, LPMAPIPROGRESS, LPCIID,
                                   LPVOID, ULONG, LPSPropProblemArray* problems) noexcept override
      try {
    if (problems != nullptr) {
      *problems = nullptr;
    }
    return MAPI_E_NO_SUPPORT;
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray, UiParam, LPMAPIPROGRESS, LPCIID, LPVOID,
                                      ULONG, LPSPropProblemArray* problems) noexcept override try {
    if (problems != nullptr) {
      *problems = nullptr;
    }
    return MAPI_E_NO_SUPPORT;
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray* tags, LPGUID property_set, ULONG flags,
                                            ULONG* count, LPMAPINAMEID** names) noexcept override
      try {
    return access_.get_names_from_ids(tags, property_set, flags, count, names);
  }
  QVSIM_CATCH_HRESULT
  HRESULT STDMETHODCALLTYPE GetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG flags,
                                            LPSPropTagArray* tags) noexcept override try {
    return access_.get_ids_from_names(count, names, flags, tags);
  }
  QVSIM_CATCH_HRESULT

 protected:
  // SaveChanges after the checks common to every object.
  virtual HRESULT save_changes(ULONG flags) = 0;
  // OpenProperty for interfaces other than IStream.
  virtual HRESULT open_object(ULONG tag, REFIID iid, ULONG flags, LPUNKNOWN* object) {
    (void)tag, (void)iid, (void)flags, (void)object;
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  }

  PropertyAccess access_;
};

// The checks of SaveChanges and OpenProperty, outside the template.
HRESULT check_save_changes(const PropertyAccess& access, ULONG flags);
HRESULT check_open_property(LPCIID iid, ULONG flags, LPUNKNOWN* object);

template <typename Interface>
HRESULT STDMETHODCALLTYPE MapiPropObject<Interface>::SaveChanges(ULONG flags) noexcept try {
  const HRESULT hr = check_save_changes(access_, flags);
  return FAILED(hr) ? hr : save_changes(flags);
}
QVSIM_CATCH_HRESULT

template <typename Interface>
HRESULT STDMETHODCALLTYPE MapiPropObject<Interface>::OpenProperty(ULONG tag, LPCIID iid, ULONG,
                                                                  ULONG flags,
                                                                  LPUNKNOWN* object) noexcept try {
  if (const HRESULT hr = check_open_property(iid, flags, object); FAILED(hr)) {
    return hr;
  }
  if (*iid == IID_IStream) {
    return access_.open_stream(tag, flags, object);
  }
  return open_object(tag, *iid, flags, object);
}
QVSIM_CATCH_HRESULT

}  // namespace qvsim::mapi
