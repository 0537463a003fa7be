// The base of the simulated Outlook's automation objects: IUnknown, IDispatch
// by name and by DISPID, ISupportErrorInfo, and the accounting of every call
// in the ledger.
//
// The objects of Outlook's seven interfaces answer IDispatch from their
// interface's type information (Outlook's type library, type_library.h), as
// a type-library IDispatch does: names resolve through ITypeInfo (every
// member of the interface, in any case), and Invoke is ITypeInfo::Invoke on
// the object's own vtable, with its rules for invoke kinds, argument counts
// and types, and failures (DISP_E_EXCEPTION). A member reached that way is
// counted only as the Invoke. Items (IDispatch only) answer their own names,
// all of them properties.
//
// Every call is counted under its call point, may fail by an injected fault,
// and ends by applying the mailbox's events that are due after it. Failures
// that carry an error object (an injected fault with "error_info", or one that
// Outlook itself reports with a description) make InterfaceSupportsErrorInfo
// answer S_OK for the interface of the failed member until the object's next
// call; other failures clear the thread's error object.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "errors/com_holders.h"
#include "outlook/outlook_interfaces.h"
#include "sim/common/com_guard.h"
#include "sim/common/com_object.h"
#include "sim/common/ledger.h"
#include "sim/common/mailbox.h"
#include "sim/outlook/dispatch.h"
#include "sim/outlook/enumerator.h"
#include "sim/outlook/type_library.h"

namespace qvsim::outlook {

// New objects, each with one reference for the caller.
_Application* new_application();
_NameSpace* new_namespace();

// A member that IDispatch reaches: its name, DISPID and how Invoke calls it.
template <class Self>
struct DispatchMember {
  const wchar_t* name;
  DISPID id;
  HRESULT (*invoke)(Self& self, const InvokeArguments& arguments, VARIANT* result);
};

template <class Member>
struct MemberTraits;
template <class Owner, class T>
struct MemberTraits<HRESULT (Owner::*)(T*)> {
  using Value = T;
  static constexpr size_t kArguments = 0;
};
template <class Owner, class T>
struct MemberTraits<HRESULT (Owner::*)(const VARIANT&, T*)> {
  using Value = T;
  static constexpr size_t kArguments = 1;
};
template <class Owner, class T>
struct MemberTraits<HRESULT (Owner::*)(const VARIANT&, const VARIANT&, T*)> {
  using Value = T;
  static constexpr size_t kArguments = 2;
};

// Invoke of a member: a property get, or a method whose first argument is
// required and whose second, if any, may be omitted. The member's result goes
// into the VARIANT.
template <auto Member, class Self>
HRESULT invoke_member(Self& self, const InvokeArguments& arguments, VARIANT* result) {
  using Traits = MemberTraits<decltype(Member)>;
  if (arguments.count() > Traits::kArguments ||
      (Traits::kArguments > 0 && arguments.count() == 0)) {
    return DISP_E_BADPARAMCOUNT;
  }
  typename Traits::Value value{};
  HRESULT hr = S_OK;
  if constexpr (Traits::kArguments == 0) {
    hr = (self.*Member)(&value);
  } else if constexpr (Traits::kArguments == 1) {
    hr = (self.*Member)(arguments.at(0), &value);
  } else {
    hr = (self.*Member)(arguments.at(0), arguments.at(1), &value);
  }
  if (SUCCEEDED(hr)) {
    put_variant(result, value);
  }
  return hr;
}

// Names that a description adds by "by_name" get DISPIDs from here on.
inline constexpr DISPID kFirstAddedDispid = 0x40000000;

template <class Self, class Interface>
class DispatchObject : public Interface, public ISupportErrorInfo, public TrackedObject {
 public:
  DispatchObject(const char* interface_name, const IID& iid)
      : TrackedObject(interface_name), interface_name_(interface_name), iid_(iid) {}

  // IUnknown. QueryInterface is counted as "<asked interface>.QueryInterface".
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) noexcept override try {
    // Out parameters are emptied before the call is counted, which may throw.
    if (result != nullptr) {
      *result = nullptr;
    }
    CallScope call(interface_name(iid) + ".QueryInterface");
    if (result == nullptr) {
      return E_POINTER;
    }
    return call.outcome().failed() ? call.outcome().hr : find_interface(iid, result);
  }
  QVSIM_CATCH_HRESULT
  QVSIM_FORWARD_ADDREF_RELEASE

  // QueryInterface without accounting, for the server's own use.
  HRESULT find_interface(REFIID iid, void** result) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, iid_)) {
      *result = static_cast<Interface*>(this);
    } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
      *result = static_cast<ISupportErrorInfo*>(this);
    } else {
      *result = nullptr;
      return E_NOINTERFACE;
    }
    add_reference();
    return S_OK;
  }

  // IDispatch. The seven interfaces give their type information; items none.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override try {
    if (count != nullptr) {
      *count = 0;
    }
    CallScope call(own_call_point("GetTypeInfoCount"));
    if (count == nullptr) {
      return E_POINTER;
    }
    if (call.outcome().failed()) {
      return call.outcome().hr;
    }
    *count = described_by() != nullptr ? 1 : 0;
    return S_OK;
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID /*locale*/,
                                        ITypeInfo** info) noexcept override try {
    if (info != nullptr) {
      *info = nullptr;
    }
    CallScope call(own_call_point("GetTypeInfo"));
    if (info == nullptr) {
      return E_POINTER;
    }
    if (call.outcome().failed()) {
      return call.outcome().hr;
    }
    ITypeInfo* own = described_by();
    if (index != 0 || own == nullptr) {
      return DISP_E_BADINDEX;
    }
    own->AddRef();
    *info = own;
    return S_OK;
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID /*locale*/,
                                          DISPID* ids) noexcept override try {
    for (UINT i = 0; ids != nullptr && i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
    }
    CallScope call(own_call_point("GetIDsOfNames"));
    if (names == nullptr || ids == nullptr) {
      return E_POINTER;
    }
    if (call.outcome().failed()) {
      return call.outcome().hr;
    }
    if (!IsEqualIID(iid, IID_NULL)) {
      return DISP_E_UNKNOWNINTERFACE;
    }
    if (count == 0) {
      return S_OK;
    }
    return ids_of_names(names, count, ids);
  }
  QVSIM_CATCH_HRESULT

  // Counted as "<Kind>.Invoke(<name>)".
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID /*locale*/, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) noexcept override try {
    if (result != nullptr) {
      ::VariantInit(result);
    }
    const bool enumerating = id == DISPID_NEWENUM && kEnumerable;
    const std::wstring name = enumerating ? std::wstring(L"_NewEnum") : name_of_dispid(id);
    CallScope call(
        own_call_point("Invoke(" + (name.empty() ? std::to_string(id) : wide_to_utf8(name)) + ")"));
    HRESULT hr = begin(call.outcome());
    if (SUCCEEDED(hr) && !IsEqualIID(iid, IID_NULL)) {
      hr = DISP_E_UNKNOWNINTERFACE;
    }
    if (SUCCEEDED(hr) && enumerating) {
      hr = finish(new_enumerator(flags, parameters, result), IID_IDispatch);
      return with_exception_info(hr, exception);
    }
    const ByNameOverride* change = SUCCEEDED(hr) ? find_override(name) : nullptr;
    if (SUCCEEDED(hr) && change == nullptr && type_info() != nullptr) {
      // ITypeInfo::Invoke reports a failed member itself (DISP_E_EXCEPTION,
      // with the exception information when asked for).
      hr = finish(invoke_member_at_slot(id, flags, parameters, result, exception, argument_error),
                  IID_IDispatch);
      return hr;
    }
    if (SUCCEEDED(hr)) {
      hr = change != nullptr ? read_override(*change, flags, parameters, result)
                             : invoke_by_name(id, name, flags, parameters, result);
    }
    hr = finish(hr, IID_IDispatch);
    return with_exception_info(hr, exception);
  } catch (...) {
    return finish(::qvsim::caught_exception_hresult(), IID_IDispatch);
  }

  // ISupportErrorInfo.
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) noexcept override try {
    CallScope call(own_call_point("InterfaceSupportsErrorInfo"));
    if (call.outcome().failed()) {
      return call.outcome().hr;
    }
    return !IsEqualIID(error_iid_, GUID_NULL) && IsEqualIID(iid, error_iid_) ? S_OK : S_FALSE;
  }
  QVSIM_CATCH_HRESULT

  // What every Outlook object answers: the application, its session, the
  // object's class.
  HRESULT application(_Application** result) {
    *result = new_application();
    return S_OK;
  }
  HRESULT session(_NameSpace** result) {
    *result = new_namespace();
    return S_OK;
  }
  HRESULT object_class(OlObjectClass* result) {
    *result = self().object_class_code();
    return S_OK;
  }
  HRESULT parent_object(IDispatch** result) { return self().parent(result); }

  // By default no name is answered differently from the members.
  const ByNameOverrides* by_name_overrides() const { return nullptr; }
  // The type information of an IDispatch-only object; by default none.
  ITypeInfo* own_type_info() const { return nullptr; }

  // By default every member of dispatch_members is the object's.
  bool serves(const DispatchMember<Self>& /*member*/) const { return true; }

 protected:
  Self& self() { return static_cast<Self&>(*this); }

  std::string own_call_point(const std::string& member) const {
    return std::string(interface_name_) + "." + member;
  }

  // A typed member: counted, possibly failed by a fault, its out parameter
  // emptied first; body computes the result.
  template <class T, class Body>
  HRESULT serve(const char* member, T* result, Body body) {
    try {
      if (result != nullptr) {
        *result = T();
      }
      if (dispatching_) {  // counted as the Invoke that reached it
        return result == nullptr ? E_POINTER : body();
      }
      CallScope call(typed_call_point(interface_name_, member));
      HRESULT hr = begin(call.outcome());
      if (SUCCEEDED(hr)) {
        hr = result == nullptr ? E_POINTER : body();
      }
      return finish(hr, iid_);
    } catch (...) {
      return finish(caught_exception_hresult(), iid_);
    }
  }

  // A member that the simulation does not serve: counted, then E_NOTIMPL
  // with an error object that names it, so that a client sees which member
  // is missing rather than a bare code.
  template <class... Out>
  HRESULT not_served(const char* member, Out*... results) {
    try {
      (clear_result(results), ...);
      if (dispatching_) {
        return not_served_error(member);
      }
      CallScope call(typed_call_point(interface_name_, member));
      const HRESULT hr = begin(call.outcome());
      return finish(SUCCEEDED(hr) ? not_served_error(member) : hr, iid_);
    } catch (...) {
      return finish(caught_exception_hresult(), iid_);
    }
  }

  // The 0-based position that an Item argument names among count elements
  // (element_position), with Outlook's error object for one out of range.
  HRESULT position_in(const VARIANT& index, size_t count, size_t* position) {
    const HRESULT hr = element_position(index, count, position);
    return hr == DISP_E_BADINDEX ? raise(hr, kBadIndexText) : hr;
  }

  // E_NOTIMPL, with the error object "The simulated Outlook does not serve
  // <Interface>.<Member>" (the member's call point).
  HRESULT not_served_error(const char* member) {
    const std::string name = typed_call_point(interface_name_, member);
    return raise(E_NOTIMPL,
                 kNotServedText + std::wstring(name.begin(), name.end()));  // names are ASCII
  }

  // A failure that Outlook reports with an error object.
  HRESULT raise(HRESULT hr, const std::wstring& description) {
    set_thread_error_object(description, "Microsoft Outlook");
    pending_error_info_ = true;
    return hr;
  }

 private:
  static constexpr bool kTyped = !std::is_same_v<Interface, IDispatch>;
  // Whether the object is a collection that For Each walks.
  static constexpr bool kEnumerable = std::is_base_of_v<Enumerable, Self>;

  // _NewEnum: a method or property get without arguments, as Outlook's
  // collections answer it through IDispatch (their vtables have no such
  // member), giving a new IEnumVARIANT.
  HRESULT new_enumerator(WORD flags, const DISPPARAMS* parameters, VARIANT* result) {
    if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (parameters != nullptr && parameters->cArgs != 0) {
      return DISP_E_BADPARAMCOUNT;
    }
    if constexpr (kEnumerable) {
      if (result != nullptr) {
        put_new_enumerator(static_cast<Interface*>(this), &self(), result);
      }
    }
    return S_OK;
  }

  // The interface's type information; none for items.
  ITypeInfo* type_info() const {
    if constexpr (kTyped) {
      return interface_type_info(iid_);
    } else {
      return nullptr;
    }
  }

  // What GetTypeInfo gives: the interface's type information, or an
  // IDispatch-only object's own (which does not answer its names).
  ITypeInfo* described_by() {
    if constexpr (kTyped) {
      return type_info();
    } else {
      return self().own_type_info();
    }
  }

  // An item's own names, and those that every item has.
  static const std::vector<DispatchMember<Self>>& members() {
    static const std::vector<DispatchMember<Self>> kAll = [] {
      // An object's own member comes first, so that it may give a shared
      // name a DISPID of its own (a Recipient's Parent is 0x6D).
      std::vector<DispatchMember<Self>> list;
      if constexpr (!kTyped) {
        list = Self::dispatch_members();
      }
      const DispatchMember<Self> shared[] = {
          {L"Application", 0xF000, &invoke_member<&DispatchObject::application, Self>},
          {L"Parent", 0xF001, &invoke_member<&DispatchObject::parent_object, Self>},
          {L"Class", 0xF00A, &invoke_member<&DispatchObject::object_class, Self>},
          {L"Session", 0xF00B, &invoke_member<&DispatchObject::session, Self>},
      };
      for (const DispatchMember<Self>& member : shared) {
        const bool taken = std::any_of(list.begin(), list.end(), [&](const auto& own) {
          return same_name(own.name, member.name);
        });
        if (!taken) {
          list.push_back(member);
        }
      }
      return list;
    }();
    return kAll;
  }

  template <class T>
  static void clear_result(T* result) {
    if (result != nullptr) {
      *result = T();
    }
  }

  static bool same_name(const std::wstring& a, const wchar_t* b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
  }

  // A name that the description hides is unknown; the interface's names come
  // next (with the names of named arguments after the first), then the names
  // that the description adds.
  HRESULT ids_of_names(LPOLESTR* names, UINT count, DISPID* ids) {
    const std::wstring first = names[0] != nullptr ? names[0] : L"";
    const ByNameOverride* change = find_override(first);
    if (change != nullptr && change->kind == ByNameOverride::Kind::kMissing) {
      return DISP_E_UNKNOWNNAME;
    }
    if (kEnumerable && same_name(first, L"_NewEnum")) {
      ids[0] = DISPID_NEWENUM;
      return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
    }
    if (ITypeInfo* info = type_info()) {
      const HRESULT hr = info->GetIDsOfNames(names, count, ids);
      if (hr != DISP_E_UNKNOWNNAME || ids[0] != DISPID_UNKNOWN || change == nullptr) {
        return hr;
      }
    } else if (const std::optional<DISPID> id = own_dispid(first)) {
      ids[0] = *id;
      return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;  // no member takes named arguments
    }
    if (change == nullptr) {
      return DISP_E_UNKNOWNNAME;
    }
    const ByNameOverrides* overrides = self().by_name_overrides();
    ids[0] = kFirstAddedDispid +
             static_cast<DISPID>(std::distance(overrides->begin(), overrides->find(first)));
    return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
  }

  std::optional<DISPID> own_dispid(const std::wstring& name) {
    for (const DispatchMember<Self>& member : members()) {
      if (same_name(name, member.name) && self().serves(member)) {
        return member.id;
      }
    }
    return std::nullopt;
  }

  // The name of a DISPID as the object knows it; empty when unknown.
  std::wstring name_of_dispid(DISPID id) {
    if (ITypeInfo* info = type_info()) {
      BSTR name = nullptr;
      UINT found = 0;
      if (SUCCEEDED(info->GetNames(id, &name, 1, &found)) && found == 1) {
        std::wstring text(name, ::SysStringLen(name));
        ::SysFreeString(name);
        return text;
      }
    } else {
      for (const DispatchMember<Self>& member : members()) {
        if (member.id == id && self().serves(member)) {
          return member.name;
        }
      }
    }
    const ByNameOverrides* overrides = self().by_name_overrides();
    if (overrides != nullptr && id >= kFirstAddedDispid &&
        static_cast<size_t>(id - kFirstAddedDispid) < overrides->size()) {
      auto it = overrides->begin();
      std::advance(it, id - kFirstAddedDispid);
      return it->first;
    }
    return std::wstring();
  }

  const ByNameOverride* find_override(const std::wstring& name) {
    const ByNameOverrides* overrides = self().by_name_overrides();
    if (overrides == nullptr || name.empty()) {
      return nullptr;
    }
    const auto it = overrides->find(name);
    return it == overrides->end() ? nullptr : &it->second;
  }

  // ITypeInfo::Invoke, which calls the member at its vtable slot; the member
  // is not counted apart (serve and not_served see dispatching_).
  HRESULT invoke_member_at_slot(DISPID id, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                EXCEPINFO* exception, UINT* argument_error) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    dispatching_ = true;
    const HRESULT hr = type_info()->Invoke(static_cast<Interface*>(this), id, flags,
                                           parameters != nullptr ? parameters : &none, result,
                                           exception, argument_error);
    dispatching_ = false;
    return hr;
  }

  // An item's member: every one is a property, read with DISPATCH_PROPERTYGET.
  HRESULT invoke_by_name(DISPID id, const std::wstring& name, WORD flags, DISPPARAMS* parameters,
                         VARIANT* result) {
    if (name.empty() || (flags & DISPATCH_PROPERTYGET) == 0) {
      return DISP_E_MEMBERNOTFOUND;
    }
    qv::unique_variant discarded;
    VARIANT* out = result != nullptr ? result : discarded.get();
    InvokeArguments arguments;
    HRESULT hr = arguments.take(parameters);
    for (const DispatchMember<Self>& member : members()) {
      if (SUCCEEDED(hr) && member.id == id && self().serves(member)) {
        hr = member.invoke(self(), arguments, out);
        break;
      }
    }
    return hr;
  }

  // What the description gives for a name: a property, so read with
  // DISPATCH_PROPERTYGET and no arguments.
  static HRESULT read_override(const ByNameOverride& change, WORD flags,
                               const DISPPARAMS* parameters, VARIANT* result) {
    if ((flags & DISPATCH_PROPERTYGET) == 0) {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (parameters != nullptr && parameters->cArgs != 0) {
      return DISP_E_BADPARAMCOUNT;
    }
    switch (change.kind) {
      case ByNameOverride::Kind::kMissing:
        return DISP_E_MEMBERNOTFOUND;
      case ByNameOverride::Kind::kFailure:
        return change.failure;
      case ByNameOverride::Kind::kValue:
        break;
    }
    VARIANT discarded;
    VARIANT* out = result != nullptr ? result : &discarded;
    const HRESULT hr = variant_from_json(change.value, out);
    if (out == &discarded) {
      ::VariantClear(&discarded);
    }
    return hr;
  }

  HRESULT begin(const CallOutcome& outcome) {
    pending_error_info_ = outcome.failed() && outcome.error_info;
    return outcome.hr;
  }

  HRESULT finish(HRESULT hr, REFIID iid) {
    if (FAILED(hr)) {
      error_iid_ = pending_error_info_ ? iid : GUID_NULL;
      if (!pending_error_info_) {
        ::SetErrorInfo(0, nullptr);
      }
    } else {
      error_iid_ = GUID_NULL;
    }
    pending_error_info_ = false;
    return hr;
  }

  // Invoke's way of reporting an error object: DISP_E_EXCEPTION with the
  // exception information filled, when the caller asked for it.
  HRESULT with_exception_info(HRESULT hr, EXCEPINFO* exception) {
    if (!FAILED(hr) || exception == nullptr || !IsEqualIID(error_iid_, IID_IDispatch)) {
      return hr;
    }
    *exception = EXCEPINFO();
    exception->scode = hr;
    qv::com_ptr<IErrorInfo> info;
    if (::GetErrorInfo(0, info.put()) == S_OK && info) {
      info->GetDescription(&exception->bstrDescription);
      info->GetSource(&exception->bstrSource);
      ::SetErrorInfo(0, info.get());  // GetErrorInfo took it from the thread
    }
    return DISP_E_EXCEPTION;
  }

  const char* interface_name_;
  IID iid_;
  IID error_iid_ = GUID_NULL;
  bool pending_error_info_ = false;
  bool dispatching_ = false;  // inside ITypeInfo::Invoke
};

// The members that the seven Outlook interfaces share (slots 7 to 10).
template <class Self, class Interface>
class OutlookObject : public DispatchObject<Self, Interface> {
 public:
  using DispatchObject<Self, Interface>::DispatchObject;

  HRESULT STDMETHODCALLTYPE get_Application(_Application** result) noexcept override {
    return this->serve("get_Application", result, [&] { return this->application(result); });
  }
  HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* result) noexcept override {
    return this->serve("get_Class", result, [&] { return this->object_class(result); });
  }
  HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** result) noexcept override {
    return this->serve("get_Session", result, [&] { return this->session(result); });
  }
  HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) noexcept override {
    return this->serve("get_Parent", result, [&] { return this->parent_object(result); });
  }
};

}  // namespace qvsim::outlook
