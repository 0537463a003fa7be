#include "sim/outlook/dispatch.h"

#include <ocidl.h>

#include <cstring>
#include <limits>
#include <utility>

#include "outlook/outlook_interfaces.h"
#include "sim/common/com_guard.h"
#include "sim/outlook/server.h"

namespace qvsim::outlook {
namespace {

struct KnownInterface {
  const IID* iid;
  const char* name;
};

const KnownInterface kKnownInterfaces[] = {
    {&IID_IUnknown, "IUnknown"},
    {&IID_IDispatch, "IDispatch"},
    {&IID__Application, "_Application"},
    {&IID__NameSpace, "_NameSpace"},
    {&IID__Explorer, "_Explorer"},
    {&IID_Selection, "Selection"},
    {&IID_MAPIFolder, "MAPIFolder"},
    {&IID__Folders, "_Folders"},
    {&IID__Items, "_Items"},
    {&IID_ISupportErrorInfo, "ISupportErrorInfo"},
    {&IID_IRunnableObject, "IRunnableObject"},
    {&IID_IMarshal, "IMarshal"},
    {&IID_IProvideClassInfo, "IProvideClassInfo"},
    {&IID_IConnectionPointContainer, "IConnectionPointContainer"},
    {&IID_IClassFactory, "IClassFactory"},
};

}  // namespace

CallScope::CallScope(std::string call_point)
    : call_point_(std::move(call_point)), outcome_(Ledger::instance().enter(call_point_)) {
  if (outcome_.ends_process) {
    Server::instance().end_process_at(call_point_);
  }
}

CallScope::~CallScope() {
  // A destructor must not throw: a failed allocation or lock while the call's
  // events are applied is counted as a caught exception instead.
  try {
    Server::instance().after_call(call_point_);
  }
  QVSIM_CATCH_VOID
}

std::string typed_call_point(const char* interface_name, const char* member) {
  const char* name = std::strncmp(member, "get_", 4) == 0 ? member + 4 : member;
  return std::string(interface_name) + "." + name;
}

std::string interface_name(REFIID iid) {
  for (const KnownInterface& known : kKnownInterfaces) {
    if (IsEqualIID(iid, *known.iid)) {
      return known.name;
    }
  }
  wchar_t text[40] = {};
  ::StringFromGUID2(iid, text, 40);
  return wide_to_utf8(text);
}

HRESULT InvokeArguments::take(const DISPPARAMS* parameters) {
  if (parameters == nullptr) {
    return S_OK;
  }
  if (parameters->cNamedArgs != 0) {
    return DISP_E_NONAMEDARGS;
  }
  // rgvarg holds the arguments last first.
  for (UINT i = parameters->cArgs; i > 0; --i) {
    qv::unique_variant copy;
    const HRESULT hr = ::VariantCopyInd(copy.get(), &parameters->rgvarg[i - 1]);
    if (FAILED(hr)) {
      return hr;
    }
    values_.push_back(std::move(copy));
  }
  return S_OK;
}

const VARIANT& InvokeArguments::at(size_t index) const {
  static const qv::unique_variant kMissing = qv::unique_variant::omitted();
  return index < values_.size() ? values_[index].value() : kMissing.value();
}

bool is_missing_argument(const VARIANT& value) {
  return value.vt == VT_ERROR && value.scode == DISP_E_PARAMNOTFOUND;
}

std::optional<long> position_of(const VARIANT& index) {
  switch (index.vt) {
    case VT_INT:
      return static_cast<long>(index.intVal);
    case VT_I4:
      return index.lVal;
    case VT_I2:
      return index.iVal;
    case VT_I1:
      return index.cVal;
    case VT_UI1:
      return index.bVal;
    case VT_UI2:
      return index.uiVal;
    case VT_UI4:
    case VT_UINT:
      if (index.ulVal > static_cast<ULONG>(std::numeric_limits<long>::max())) {
        return std::numeric_limits<long>::max();
      }
      return static_cast<long>(index.ulVal);
    default:
      return std::nullopt;
  }
}

VARIANT borrowed_text(BSTR text) {
  VARIANT value;
  ::VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = text;
  return value;
}

HRESULT element_position(const VARIANT& index, size_t count, size_t* position) {
  Server::instance().index_used(index.vt);
  const std::optional<long> number = position_of(index);
  if (!number) {
    return DISP_E_TYPEMISMATCH;
  }
  if (*number < 1 || static_cast<size_t>(*number) > count) {
    return DISP_E_BADINDEX;
  }
  *position = static_cast<size_t>(*number) - 1;
  return S_OK;
}

std::optional<std::wstring> name_of(const VARIANT& index) {
  if (index.vt != VT_BSTR) {
    return std::nullopt;
  }
  return qv::bstr_text(index.bstrVal);
}

void put_variant(VARIANT* out, long value) {
  out->vt = VT_I4;
  out->lVal = value;
}

void put_variant(VARIANT* out, BSTR value) {
  out->vt = VT_BSTR;
  out->bstrVal = value;
}

void put_variant(VARIANT* out, IDispatch* value) {
  out->vt = VT_DISPATCH;
  out->pdispVal = value;
}

HRESULT variant_from_json(const nlohmann::json& value, VARIANT* out) {
  ::VariantInit(out);
  if (value.is_string()) {
    const HRESULT hr = allocate_text(utf8_to_wide(value.get<std::string>()), &out->bstrVal);
    if (SUCCEEDED(hr)) {
      out->vt = VT_BSTR;
    }
    return hr;
  }
  if (value.is_boolean()) {
    out->vt = VT_BOOL;
    out->boolVal = value.get<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (value.is_number_integer()) {
    const std::int64_t number = value.get<std::int64_t>();
    if (number >= std::numeric_limits<LONG>::min() && number <= std::numeric_limits<LONG>::max()) {
      out->vt = VT_I4;
      out->lVal = static_cast<LONG>(number);
    } else {
      out->vt = VT_I8;
      out->llVal = number;
    }
  } else if (value.is_number()) {
    out->vt = VT_R8;
    out->dblVal = value.get<double>();
  }
  return S_OK;
}

HRESULT allocate_text(const std::wstring& text, BSTR* result) {
  *result = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *result == nullptr ? E_OUTOFMEMORY : S_OK;
}

}  // namespace qvsim::outlook
