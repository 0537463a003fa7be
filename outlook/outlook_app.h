// The library's only way into the Outlook object model: connecting to the
// Outlook application, reading properties by name through IDispatch, and the
// fixed set of typed members that the library calls. A typed member that
// fails raises _com_error, carrying the thread's error object when the object
// called reports rich errors for the member's interface; using an empty
// reference raises _com_error with E_POINTER.
#pragma once

#include <string>

#include "../errors/com_holders.h"
#include "../outlook/outlook_interfaces.h"

namespace qv {

// Every call to Outlook that is answered busy is made again on the schedule
// of busy_retry.h before its answer counts.

// Connects to Outlook: creates the application class with context
// CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER, puts it
// in its running state (OleRun) and asks it for _Application. Throws
// win32_error carrying the HRESULT of the first step that failed.
com_ptr<_Application> create_outlook_application();

// Reads a property by name (GetIDsOfNames, then Invoke with
// DISPATCH_PROPERTYGET) into result, which must be empty; the caller owns
// what it receives. Returns the HRESULT of the read: E_POINTER without a
// result, E_INVALIDARG without an object. Never throws.
HRESULT get_property_by_name(IDispatch* object, const wchar_t* name, VARIANT* result) noexcept;

// The property's text when the read succeeds and the value is a string;
// otherwise the empty text. Never throws.
std::wstring property_text(IDispatch* object, const wchar_t* name) noexcept;

// The reads by name of the library's operations: like get_property_by_name
// and property_text, but when Outlook gave no answer (still busy after the
// retries, or gone) they throw win32_error with that code, so that a value is
// counted as missing only when Outlook itself said so.
HRESULT read_property(IDispatch* object, const wchar_t* name, VARIANT* result);
std::wstring read_property_text(IDispatch* object, const wchar_t* name);

// Typed members. Each gives the caller an owning reference or a value.
namespace outlook {

com_ptr<_Explorer> active_explorer(const com_ptr<_Application>& application);  // may be empty
com_ptr<_NameSpace> get_namespace(const com_ptr<_Application>& application, const wchar_t* type);

com_ptr<Selection> selection(const com_ptr<_Explorer>& explorer);
long count(const com_ptr<Selection>& selection);
com_ptr<IDispatch> item(const com_ptr<Selection>& selection, long position);

com_ptr<_Folders> folders(const com_ptr<_NameSpace>& name_space);  // the top-level folders
com_ptr<MAPIFolder> get_folder_from_id(const com_ptr<_NameSpace>& name_space,
                                       const std::wstring& folder_entry_id);

long count(const com_ptr<_Folders>& folders);
com_ptr<MAPIFolder> item(const com_ptr<_Folders>& folders, long position);

unique_bstr entry_id(const com_ptr<MAPIFolder>& folder);
long default_item_type(const com_ptr<MAPIFolder>& folder);
com_ptr<_Folders> folders(const com_ptr<MAPIFolder>& folder);  // the subfolders
com_ptr<_Items> items(const com_ptr<MAPIFolder>& folder);

long count(const com_ptr<_Items>& items);
com_ptr<IDispatch> item(const com_ptr<_Items>& items, long position);

}  // namespace outlook
}  // namespace qv
