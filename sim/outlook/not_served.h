// Every member of the seven Outlook interfaces besides the four that they
// share, as a member that the simulation does not serve: each is counted under
// its call point and answers E_NOTIMPL with its result emptied. The objects
// derive from these classes and override the members they serve, so that
// every vtable slot of the declarations in outlook/outlook_interfaces.h is
// filled.
#pragma once

#include "sim/outlook/dispatch_object.h"

// windows.h makes CopyFile a macro; here it is a member of _Application.
#pragma push_macro("CopyFile")
#undef CopyFile

// The members below are a table, one vtable slot per line in slot order, and
// are kept out of automatic formatting.
// clang-format off
#define QVSIM_NOT_SERVED(member, parameters) \
  HRESULT STDMETHODCALLTYPE member parameters noexcept override { return this->not_served(#member); }
#define QVSIM_NOT_SERVED_RESULT(member, parameters, result)      \
  HRESULT STDMETHODCALLTYPE member parameters noexcept override { \
    return this->not_served(#member, result);                     \
  }

namespace qvsim::outlook {

template <class Self>
class ApplicationMembers : public OutlookObject<Self, _Application> {
 public:
  ApplicationMembers() : OutlookObject<Self, _Application>("_Application", IID__Application) {}

  QVSIM_NOT_SERVED_RESULT(get_Assistant, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Name, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_Version, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(ActiveExplorer, (_Explorer** result), result)
  QVSIM_NOT_SERVED_RESULT(ActiveInspector, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(CreateItem, (OlItemType, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(CreateItemFromTemplate, (BSTR, VARIANT, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(CreateObject, (BSTR, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetNamespace, (BSTR, _NameSpace** result), result)
  QVSIM_NOT_SERVED(Quit, ())
  QVSIM_NOT_SERVED_RESULT(get_COMAddIns, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Explorers, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Inspectors, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_LanguageSettings, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_ProductCode, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_AnswerWizard, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_FeatureInstall, (MsoFeatureInstall* result), result)
  QVSIM_NOT_SERVED(put_FeatureInstall, (MsoFeatureInstall))
  QVSIM_NOT_SERVED_RESULT(ActiveWindow, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(CopyFile, (BSTR, BSTR, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(AdvancedSearch, (BSTR, VARIANT, VARIANT, VARIANT, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(IsSearchSynchronous, (BSTR, VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED_RESULT(GetNewNickNames, (VARIANT* pvar), pvar)
  QVSIM_NOT_SERVED_RESULT(get_Reminders, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_DefaultProfileName, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_IsTrusted, (VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED_RESULT(GetObjectReference, (IDispatch*, OlReferenceType, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Assistance, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_TimeZones, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_PickerDialog, (IDispatch** result), result)
  QVSIM_NOT_SERVED(RefreshFormRegionDefinition, (BSTR))
};

template <class Self>
class NameSpaceMembers : public OutlookObject<Self, _NameSpace> {
 public:
  NameSpaceMembers() : OutlookObject<Self, _NameSpace>("_NameSpace", IID__NameSpace) {}

  QVSIM_NOT_SERVED_RESULT(get_CurrentUser, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Folders, (_Folders** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Type, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_AddressLists, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(CreateRecipient, (BSTR, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetDefaultFolder, (OlDefaultFolders, MAPIFolder** result), result)
  QVSIM_NOT_SERVED_RESULT(GetFolderFromID, (BSTR, VARIANT, MAPIFolder** result), result)
  QVSIM_NOT_SERVED_RESULT(GetItemFromID, (BSTR, VARIANT, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetRecipientFromID, (BSTR, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetSharedDefaultFolder, (IDispatch*, OlDefaultFolders, MAPIFolder** result), result)
  QVSIM_NOT_SERVED(Logoff, ())
  QVSIM_NOT_SERVED(Logon, (VARIANT, VARIANT, VARIANT, VARIANT))
  QVSIM_NOT_SERVED_RESULT(PickFolder, (MAPIFolder** result), result)
  QVSIM_NOT_SERVED(RefreshRemoteHeaders, ())
  QVSIM_NOT_SERVED_RESULT(get_SyncObjects, (IDispatch** result), result)
  QVSIM_NOT_SERVED(AddStore, (VARIANT))
  QVSIM_NOT_SERVED(RemoveStore, (MAPIFolder*))
  QVSIM_NOT_SERVED_RESULT(get_Offline, (VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED(Dial, (VARIANT))
  QVSIM_NOT_SERVED_RESULT(get_MAPIOBJECT, (IUnknown** result), result)
  QVSIM_NOT_SERVED_RESULT(get_ExchangeConnectionMode, (OlExchangeConnectionMode* result), result)
  QVSIM_NOT_SERVED(AddStoreEx, (VARIANT, OlStoreType))
  QVSIM_NOT_SERVED_RESULT(get_Accounts, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_CurrentProfileName, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_Stores, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetSelectNamesDialog, (IDispatch** result), result)
  QVSIM_NOT_SERVED(SendAndReceive, (VARIANT_BOOL))
  QVSIM_NOT_SERVED_RESULT(get_DefaultStore, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetAddressEntryFromID, (BSTR, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetGlobalAddressList, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetStoreFromID, (BSTR, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Categories, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(OpenSharedFolder, (BSTR, VARIANT, VARIANT, VARIANT, MAPIFolder** result), result)
  QVSIM_NOT_SERVED_RESULT(OpenSharedItem, (BSTR, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(CreateSharingItem, (VARIANT, VARIANT, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_ExchangeMailboxServerName, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_ExchangeMailboxServerVersion, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(CompareEntryIDs, (BSTR, BSTR, VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED_RESULT(get_AutoDiscoverXml, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_AutoDiscoverConnectionMode, (OlAutoDiscoverConnectionMode* result), result)
  QVSIM_NOT_SERVED_RESULT(CreateContactCard, (IDispatch*, IDispatch** result), result)
};

template <class Self>
class ExplorerMembers : public OutlookObject<Self, _Explorer> {
 public:
  ExplorerMembers() : OutlookObject<Self, _Explorer>("_Explorer", IID__Explorer) {}

  QVSIM_NOT_SERVED_RESULT(get_CommandBars, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_CurrentFolder, (MAPIFolder** result), result)
  QVSIM_NOT_SERVED(putref_CurrentFolder, (MAPIFolder*))
  QVSIM_NOT_SERVED(Close, ())
  QVSIM_NOT_SERVED(Display, ())
  QVSIM_NOT_SERVED_RESULT(get_Caption, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_CurrentView, (VARIANT* result), result)
  QVSIM_NOT_SERVED(put_CurrentView, (VARIANT))
  QVSIM_NOT_SERVED_RESULT(get_Height, (long* result), result)
  QVSIM_NOT_SERVED(put_Height, (long))
  QVSIM_NOT_SERVED_RESULT(get_Left, (long* result), result)
  QVSIM_NOT_SERVED(put_Left, (long))
  QVSIM_NOT_SERVED_RESULT(get_Panes, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Selection, (Selection** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Top, (long* result), result)
  QVSIM_NOT_SERVED(put_Top, (long))
  QVSIM_NOT_SERVED_RESULT(get_Width, (long* result), result)
  QVSIM_NOT_SERVED(put_Width, (long))
  QVSIM_NOT_SERVED_RESULT(get_WindowState, (OlWindowState* result), result)
  QVSIM_NOT_SERVED(put_WindowState, (OlWindowState))
  QVSIM_NOT_SERVED(Activate, ())
  QVSIM_NOT_SERVED_RESULT(IsPaneVisible, (OlPane, VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED(ShowPane, (OlPane, VARIANT_BOOL))
  QVSIM_NOT_SERVED_RESULT(get_Views, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_HTMLDocument, (IDispatch** result), result)
  QVSIM_NOT_SERVED(SelectFolder, (MAPIFolder*))
  QVSIM_NOT_SERVED(DeselectFolder, (MAPIFolder*))
  QVSIM_NOT_SERVED_RESULT(IsFolderSelected, (MAPIFolder*, VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED_RESULT(get_NavigationPane, (IDispatch** result), result)
  QVSIM_NOT_SERVED(ClearSearch, ())
  QVSIM_NOT_SERVED(Search, (BSTR, OlSearchScope))
  QVSIM_NOT_SERVED_RESULT(IsItemSelectableInView, (IDispatch*, VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED(AddToSelection, (IDispatch*))
  QVSIM_NOT_SERVED(RemoveFromSelection, (IDispatch*))
  QVSIM_NOT_SERVED(SelectAllItems, ())
  QVSIM_NOT_SERVED(ClearSelection, ())
  QVSIM_NOT_SERVED_RESULT(get_AccountSelector, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_AttachmentSelection, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_ActiveInlineResponse, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_ActiveInlineResponseWordEditor, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_DisplayMode, (OlDisplayMode* result), result)
  QVSIM_NOT_SERVED_RESULT(get_PreviewPane, (IDispatch** result), result)
};

template <class Self>
class SelectionMembers : public OutlookObject<Self, Selection> {
 public:
  SelectionMembers() : OutlookObject<Self, Selection>("Selection", IID_Selection) {}

  QVSIM_NOT_SERVED_RESULT(get_Count, (long* result), result)
  QVSIM_NOT_SERVED_RESULT(Item, (VARIANT, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Location, (OlSelectionLocation* result), result)
  QVSIM_NOT_SERVED_RESULT(GetSelection, (OlSelectionContents, Selection** result), result)
};

template <class Self>
class FolderMembers : public OutlookObject<Self, MAPIFolder> {
 public:
  FolderMembers() : OutlookObject<Self, MAPIFolder>("MAPIFolder", IID_MAPIFolder) {}

  QVSIM_NOT_SERVED_RESULT(get_DefaultItemType, (OlItemType* result), result)
  QVSIM_NOT_SERVED_RESULT(get_DefaultMessageClass, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_Description, (BSTR* result), result)
  QVSIM_NOT_SERVED(put_Description, (BSTR))
  QVSIM_NOT_SERVED_RESULT(get_EntryID, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_Folders, (_Folders** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Items, (_Items** result), result)
  QVSIM_NOT_SERVED_RESULT(get_Name, (BSTR* result), result)
  QVSIM_NOT_SERVED(put_Name, (BSTR))
  QVSIM_NOT_SERVED_RESULT(get_StoreID, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_UnReadItemCount, (long* result), result)
  QVSIM_NOT_SERVED_RESULT(CopyTo, (MAPIFolder*, MAPIFolder** result), result)
  QVSIM_NOT_SERVED(Delete, ())
  QVSIM_NOT_SERVED(Display, ())
  QVSIM_NOT_SERVED_RESULT(GetExplorer, (VARIANT, _Explorer** result), result)
  QVSIM_NOT_SERVED(MoveTo, (MAPIFolder*))
  QVSIM_NOT_SERVED_RESULT(get_UserPermissions, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_WebViewOn, (VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED(put_WebViewOn, (VARIANT_BOOL))
  QVSIM_NOT_SERVED_RESULT(get_WebViewURL, (BSTR* result), result)
  QVSIM_NOT_SERVED(put_WebViewURL, (BSTR))
  QVSIM_NOT_SERVED_RESULT(get_WebViewAllowNavigation, (VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED(put_WebViewAllowNavigation, (VARIANT_BOOL))
  QVSIM_NOT_SERVED(AddToPFFavorites, ())
  QVSIM_NOT_SERVED_RESULT(get_AddressBookName, (BSTR* result), result)
  QVSIM_NOT_SERVED(put_AddressBookName, (BSTR))
  QVSIM_NOT_SERVED_RESULT(get_ShowAsOutlookAB, (VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED(put_ShowAsOutlookAB, (VARIANT_BOOL))
  QVSIM_NOT_SERVED_RESULT(get_FolderPath, (BSTR* result), result)
  QVSIM_NOT_SERVED(AddToFavorites, (VARIANT, VARIANT))
  QVSIM_NOT_SERVED_RESULT(get_InAppFolderSyncObject, (VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED(put_InAppFolderSyncObject, (VARIANT_BOOL))
  QVSIM_NOT_SERVED_RESULT(get_CurrentView, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_CustomViewsOnly, (VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED(put_CustomViewsOnly, (VARIANT_BOOL))
  QVSIM_NOT_SERVED_RESULT(get_Views, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_MAPIOBJECT, (IUnknown** result), result)
  QVSIM_NOT_SERVED_RESULT(get_FullFolderPath, (BSTR* result), result)
  QVSIM_NOT_SERVED_RESULT(get_IsSharePointFolder, (VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED_RESULT(get_ShowItemCount, (OlShowItemCount* result), result)
  QVSIM_NOT_SERVED(put_ShowItemCount, (OlShowItemCount))
  QVSIM_NOT_SERVED_RESULT(get_Store, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetStorage, (BSTR, OlStorageIdentifierType, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetTable, (VARIANT, VARIANT, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_PropertyAccessor, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetCalendarExporter, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_UserDefinedProperties, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetCustomIcon, (IDispatch** result), result)
  QVSIM_NOT_SERVED(SetCustomIcon, (IDispatch*))
};

template <class Self>
class FoldersMembers : public OutlookObject<Self, _Folders> {
 public:
  FoldersMembers() : OutlookObject<Self, _Folders>("_Folders", IID__Folders) {}

  QVSIM_NOT_SERVED_RESULT(get_Count, (long* result), result)
  QVSIM_NOT_SERVED_RESULT(Item, (VARIANT, MAPIFolder** result), result)
  QVSIM_NOT_SERVED_RESULT(get_RawTable, (IUnknown** result), result)
  QVSIM_NOT_SERVED_RESULT(Add, (BSTR, VARIANT, MAPIFolder** result), result)
  QVSIM_NOT_SERVED_RESULT(GetFirst, (MAPIFolder** result), result)
  QVSIM_NOT_SERVED_RESULT(GetLast, (MAPIFolder** result), result)
  QVSIM_NOT_SERVED_RESULT(GetNext, (MAPIFolder** result), result)
  QVSIM_NOT_SERVED_RESULT(GetPrevious, (MAPIFolder** result), result)
  QVSIM_NOT_SERVED(Remove, (long))
};

template <class Self>
class ItemsMembers : public OutlookObject<Self, _Items> {
 public:
  ItemsMembers() : OutlookObject<Self, _Items>("_Items", IID__Items) {}

  QVSIM_NOT_SERVED_RESULT(get_Count, (long* result), result)
  QVSIM_NOT_SERVED_RESULT(Item, (VARIANT, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(get_RawTable, (IUnknown** result), result)
  QVSIM_NOT_SERVED_RESULT(get_IncludeRecurrences, (VARIANT_BOOL* result), result)
  QVSIM_NOT_SERVED(put_IncludeRecurrences, (VARIANT_BOOL))
  QVSIM_NOT_SERVED_RESULT(Add, (VARIANT, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(Find, (BSTR, IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(FindNext, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetFirst, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetLast, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetNext, (IDispatch** result), result)
  QVSIM_NOT_SERVED_RESULT(GetPrevious, (IDispatch** result), result)
  QVSIM_NOT_SERVED(Remove, (long))
  QVSIM_NOT_SERVED(ResetColumns, ())
  QVSIM_NOT_SERVED_RESULT(Restrict, (BSTR, _Items** result), result)
  QVSIM_NOT_SERVED(SetColumns, (BSTR))
  QVSIM_NOT_SERVED(Sort, (BSTR, VARIANT))
};

}  // namespace qvsim::outlook

#undef QVSIM_NOT_SERVED
#undef QVSIM_NOT_SERVED_RESULT
// clang-format on
#pragma pop_macro("CopyFile")
