#include "sim/mapi/exports/utility_routines.h"

#include "sim/common/com_guard.h"
#include "sim/common/com_object.h"

namespace qvsim::mapi {
namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

class DefaultMalloc final : public IMalloc, public TrackedObject {
 public:
  DefaultMalloc() : TrackedObject("IMalloc") {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override try {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IMalloc) {
      *object = static_cast<IMalloc*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  QVSIM_CATCH_HRESULT
  QVSIM_FORWARD_ADDREF_RELEASE

  void* STDMETHODCALLTYPE Alloc(SIZE_T size) noexcept override try {
    return ::HeapAlloc(::GetProcessHeap(), 0, size);
  }
  QVSIM_CATCH_RETURN(::qvsim::caught_exception_value(nullptr))
  void* STDMETHODCALLTYPE Realloc(void* memory, SIZE_T size) noexcept override try {
    if (memory == nullptr) {
      return Alloc(size);
    }
    if (size == 0) {
      Free(memory);
      return nullptr;
    }
    return ::HeapReAlloc(::GetProcessHeap(), 0, memory, size);
  }
  QVSIM_CATCH_RETURN(::qvsim::caught_exception_value(nullptr))
  void STDMETHODCALLTYPE Free(void* memory) noexcept override try {
    if (memory != nullptr) {
      ::HeapFree(::GetProcessHeap(), 0, memory);
    }
  }
  QVSIM_CATCH_VOID
  SIZE_T STDMETHODCALLTYPE GetSize(void* memory) noexcept override try {
    return memory == nullptr ? static_cast<SIZE_T>(-1) : ::HeapSize(::GetProcessHeap(), 0, memory);
  }
  QVSIM_CATCH_RETURN(::qvsim::caught_exception_value(SIZE_T{0}))
  int STDMETHODCALLTYPE DidAlloc(void* memory) noexcept override try {
    return memory == nullptr ? -1 : 1;
  }
  QVSIM_CATCH_RETURN(::qvsim::caught_exception_value(-1))
  void STDMETHODCALLTYPE HeapMinimize() noexcept override try {}
  QVSIM_CATCH_VOID
};

}  // namespace

BOOL bin_from_hex(const char* text, BYTE* bytes) {
  if (text == nullptr || bytes == nullptr) {
    return FALSE;
  }
  for (; text[0] != '\0'; text += 2) {
    const int high = hex_digit(text[0]);
    const int low = hex_digit(text[1]);
    if (high < 0 || low < 0) {
      return FALSE;
    }
    *bytes++ = static_cast<BYTE>((high << 4) | low);
  }
  return TRUE;
}

void hex_from_bin(const BYTE* bytes, int count, char* text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  if (text == nullptr) {
    return;
  }
  for (int i = 0; bytes != nullptr && i < count; ++i) {
    *text++ = kDigits[bytes[i] >> 4];
    *text++ = kDigits[bytes[i] & 0xF];
  }
  *text = '\0';
}

HRESULT get_one_prop(IMAPIProp* prop, ULONG tag, LPSPropValue* value, LPFREEBUFFER free) {
  if (value == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *value = nullptr;
  if (prop == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  SizedSPropTagArray(1, tags) = {1, {tag}};
  ULONG count = 0;
  LPSPropValue values = nullptr;
  const HRESULT hr = prop->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values);
  if (FAILED(hr)) {
    return hr;
  }
  if (values == nullptr || count != 1 || PROP_TYPE(values->ulPropTag) == PT_ERROR) {
    const SCODE error = values != nullptr && count == 1 ? values->Value.err : MAPI_E_NOT_FOUND;
    free(values);
    return error;
  }
  *value = values;
  return S_OK;
}

void free_rows(LPSRowSet rows, LPFREEBUFFER free) {
  if (rows == nullptr) {
    return;
  }
  for (ULONG i = 0; i < rows->cRows; ++i) {
    free(rows->aRow[i].lpProps);
  }
  free(rows);
}

IMalloc* new_default_malloc() { return new DefaultMalloc(); }

}  // namespace qvsim::mapi
