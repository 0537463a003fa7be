// Helpers of the simulated Outlook's automation objects: Invoke arguments,
// results in VARIANTs, collection positions, Outlook's error texts and the
// accounting of one call.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <mapicode.h>

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "errors/com_holders.h"
#include "sim/common/ledger.h"

namespace qvsim::outlook {

// Outlook's error texts for the failures it reports itself.
inline constexpr wchar_t kNotFoundText[] =
    L"The attempted operation failed. An object could not be found.";
inline constexpr wchar_t kBadIndexText[] = L"Array index out of bounds.";
// The error object of a member that the simulation does not serve: this text
// and the member's call point ("_NameSpace.PickFolder").
inline constexpr wchar_t kNotServedText[] = L"The simulated Outlook does not serve ";
inline constexpr wchar_t kInvalidArgumentText[] =
    L"Could not complete the operation. One or more parameter values are not valid.";

// One counted call: the ledger counts it and tells whether a fault is
// injected; when the call ends, the mailbox's events for it are applied.
class CallScope {
 public:
  explicit CallScope(std::string call_point);
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;
  ~CallScope();
  const CallOutcome& outcome() const { return outcome_; }
  const std::string& call_point() const { return call_point_; }

 private:
  std::string call_point_;
  CallOutcome outcome_;
};

// The call point of a typed member: "<Interface>.<Member>", where a property
// get drops its "get_" ("MAPIFolder.EntryID"; puts keep "put_").
std::string typed_call_point(const char* interface_name, const char* member);

// The name by which QueryInterface call points name an interface
// ("_Application", "IDispatch", ...; the IID text for others).
std::string interface_name(REFIID iid);

// The arguments of an IDispatch::Invoke, first argument first, copied by value
// (references resolved).
class InvokeArguments {
 public:
  // DISP_E_NONAMEDARGS for named arguments; else the result of the copies.
  HRESULT take(const DISPPARAMS* parameters);
  size_t count() const { return values_.size(); }
  // The argument at a 0-based position; past the end, the VARIANT of an
  // omitted argument (VT_ERROR, DISP_E_PARAMNOTFOUND).
  const VARIANT& at(size_t index) const;

 private:
  std::vector<qv::unique_variant> values_;
};

bool is_missing_argument(const VARIANT& value);
// An integer VARIANT (VT_INT, VT_I4, VT_I2, VT_UI4, ...), as a 1-based position.
std::optional<long> position_of(const VARIANT& index);
// The 0-based position that an Item argument names among count elements:
// DISP_E_TYPEMISMATCH when it is not an integer, DISP_E_BADINDEX when it is
// outside 1 to count.
HRESULT element_position(const VARIANT& index, size_t count, size_t* position);

// A VT_BSTR VARIANT that borrows the text (it must not be cleared).
VARIANT borrowed_text(BSTR text);
// A VT_BSTR VARIANT's text.
std::optional<std::wstring> name_of(const VARIANT& index);

// Results in a VARIANT, which takes over the value.
void put_variant(VARIANT* out, long value);
void put_variant(VARIANT* out, BSTR value);
void put_variant(VARIANT* out, IDispatch* value);
// A JSON scalar of a mailbox description: string VT_BSTR, integer VT_I4
// (VT_I8 when larger), number VT_R8, boolean VT_BOOL, null VT_EMPTY.
HRESULT variant_from_json(const nlohmann::json& value, VARIANT* out);

// A new BSTR; E_OUTOFMEMORY when it cannot be had.
HRESULT allocate_text(const std::wstring& text, BSTR* result);

}  // namespace qvsim::outlook
