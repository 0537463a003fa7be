// A client of the simulated Outlook that calls it as the product calls
// Outlook: activation with class context 7, OleRun and QueryInterface,
// typed calls through the shared interface declarations, reads by name with
// GetIDsOfNames and Invoke.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "errors/com_holders.h"
#include "outlook/outlook_interfaces.h"

namespace qvsim::test {

// CoCreateInstance (context 7, asking IUnknown), OleRun, QueryInterface for
// _Application; the HRESULT of the first step that fails.
HRESULT connect_outlook(qv::com_ptr<_Application>* application);

// GetIDsOfNames then Invoke with DISPATCH_PROPERTYGET and no arguments.
HRESULT read_by_name(IDispatch* object, const wchar_t* name, VARIANT* result);

// The text of a string property read by name; "<failed 0x...>" or
// "<type n>" when the read fails or gives no string.
std::wstring text_by_name(IDispatch* object, const wchar_t* name);

// A collection position as the product passes it (VT_INT), and an omitted
// optional argument (VT_ERROR, DISP_E_PARAMNOTFOUND).
VARIANT position(int index);
VARIANT omitted();
// A VT_BSTR argument; the caller clears it (hold it in a qv::unique_variant).
VARIANT text_argument(const std::wstring& text);

// The namespace's top folders, then the folder at a 1-based position.
qv::com_ptr<MAPIFolder> top_folder(_Application* application, int index);
qv::com_ptr<MAPIFolder> subfolder(MAPIFolder* folder, int index);

// A folder's EntryID through the typed member.
std::wstring entry_id_of(MAPIFolder* folder);

}  // namespace qvsim::test
