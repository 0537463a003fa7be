// The Outlook object-model interfaces that qv calls, declared by hand with
// the member order of Outlook's type library (LIBID
// {00062FFF-0000-0000-C000-000000000046}). Every slot is declared, used or
// not, because the vtable position of a member is what a call reaches: one
// missing or misplaced slot and a call lands in another member.
//
// Both the library and the simulated Outlook server use these declarations.
// Interface types of Office and Outlook that qv never calls (Assistant,
// Recipient, _Inspector, ...) are passed as IDispatch, which has the same
// binary form. Enumerations are 32-bit values.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include "../errors/compat.h"

// windows.h makes CopyFile a macro; here it is a member of _Application.
#pragma push_macro("CopyFile")
#undef CopyFile

// NOLINTBEGIN(readability-identifier-naming): Outlook's type library names these

// Outlook's item types, as MAPIFolder.DefaultItemType gives them.
enum OlItemType {
  olMailItem = 0,
  olAppointmentItem = 1,
  olContactItem = 2,
  olTaskItem = 3,
  olJournalItem = 4,
  olNoteItem = 5,
  olPostItem = 6,
  olDistributionListItem = 7,
  olMobileItemSMS = 11,
  olMobileItemMMS = 12,
};

typedef long MsoFeatureInstall;
typedef long OlAutoDiscoverConnectionMode;
typedef long OlDefaultFolders;
typedef long OlDisplayMode;
typedef long OlExchangeConnectionMode;
typedef long OlObjectClass;
typedef long OlPane;
typedef long OlReferenceType;
typedef long OlSearchScope;
typedef long OlSelectionContents;
typedef long OlSelectionLocation;
typedef long OlShowItemCount;
typedef long OlStorageIdentifierType;
typedef long OlStoreType;
typedef long OlWindowState;

struct _Application;
struct _NameSpace;
struct _Explorer;
struct Selection;
struct MAPIFolder;
struct _Folders;
struct _Items;

// CLSID of the Outlook application class.
// {0006F03A-0000-0000-C000-000000000046}
inline constexpr CLSID CLSID_OutlookApplication = {
    0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

inline constexpr IID IID__Application = {
    0x00063001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID__NameSpace = {
    0x00063002, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID__Explorer = {
    0x00063003, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_MAPIFolder = {
    0x00063006, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID__Folders = {
    0x00063040, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID__Items = {
    0x00063041, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_Selection = {
    0x00063087, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The declarations below are a table, one vtable slot per line in slot order,
// and are kept out of automatic formatting.
// clang-format off
// Each member returns an HRESULT; a property get or a method result comes back
// through the last parameter. Comments give the vtable slot (0-2 IUnknown,
// 3-6 IDispatch) and the DISPID of each member.

// _Application: IID {00063001-0000-0000-C000-000000000046}.
MIDL_INTERFACE("00063001-0000-0000-C000-000000000046")
_Application : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** result) = 0;  // slot 7, DISPID 0xF000
  virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* result) = 0;  // slot 8, DISPID 0xF00A
  virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** result) = 0;  // slot 9, DISPID 0xF00B
  virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) = 0;  // slot 10, DISPID 0xF001
  virtual HRESULT STDMETHODCALLTYPE get_Assistant(IDispatch** result) = 0;  // slot 11, DISPID 0x114
  virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* result) = 0;  // slot 12, DISPID 0x3001
  virtual HRESULT STDMETHODCALLTYPE get_Version(BSTR* result) = 0;  // slot 13, DISPID 0x116
  virtual HRESULT STDMETHODCALLTYPE ActiveExplorer(_Explorer** result) = 0;  // slot 14, DISPID 0x111
  virtual HRESULT STDMETHODCALLTYPE ActiveInspector(IDispatch** result) = 0;  // slot 15, DISPID 0x112
  virtual HRESULT STDMETHODCALLTYPE CreateItem(OlItemType ItemType, IDispatch** result) = 0;  // slot 16, DISPID 0x10A
  virtual HRESULT STDMETHODCALLTYPE CreateItemFromTemplate(BSTR TemplatePath, VARIANT InFolder, IDispatch** result) = 0;  // slot 17, DISPID 0x10B
  virtual HRESULT STDMETHODCALLTYPE CreateObject(BSTR ObjectName, IDispatch** result) = 0;  // slot 18, DISPID 0x115
  virtual HRESULT STDMETHODCALLTYPE GetNamespace(BSTR Type, _NameSpace** result) = 0;  // slot 19, DISPID 0x110
  virtual HRESULT STDMETHODCALLTYPE Quit() = 0;  // slot 20, DISPID 0x113
  virtual HRESULT STDMETHODCALLTYPE get_COMAddIns(IDispatch** result) = 0;  // slot 21, DISPID 0x118
  virtual HRESULT STDMETHODCALLTYPE get_Explorers(IDispatch** result) = 0;  // slot 22, DISPID 0x119
  virtual HRESULT STDMETHODCALLTYPE get_Inspectors(IDispatch** result) = 0;  // slot 23, DISPID 0x11A
  virtual HRESULT STDMETHODCALLTYPE get_LanguageSettings(IDispatch** result) = 0;  // slot 24, DISPID 0x11B
  virtual HRESULT STDMETHODCALLTYPE get_ProductCode(BSTR* result) = 0;  // slot 25, DISPID 0x11C
  virtual HRESULT STDMETHODCALLTYPE get_AnswerWizard(IDispatch** result) = 0;  // slot 26, DISPID 0x11D
  virtual HRESULT STDMETHODCALLTYPE get_FeatureInstall(MsoFeatureInstall* result) = 0;  // slot 27, DISPID 0x11E
  virtual HRESULT STDMETHODCALLTYPE put_FeatureInstall(MsoFeatureInstall FeatureInstall) = 0;  // slot 28, DISPID 0x11E
  virtual HRESULT STDMETHODCALLTYPE ActiveWindow(IDispatch** result) = 0;  // slot 29, DISPID 0x11F
  virtual HRESULT STDMETHODCALLTYPE CopyFile(BSTR FilePath, BSTR DestFolderPath, IDispatch** result) = 0;  // slot 30, DISPID 0xFA62
  virtual HRESULT STDMETHODCALLTYPE AdvancedSearch(BSTR Scope, VARIANT Filter, VARIANT SearchSubFolders, VARIANT Tag, IDispatch** result) = 0;  // slot 31, DISPID 0xFA65
  virtual HRESULT STDMETHODCALLTYPE IsSearchSynchronous(BSTR LookInFolders, VARIANT_BOOL* result) = 0;  // slot 32, DISPID 0xFA6C
  virtual HRESULT STDMETHODCALLTYPE GetNewNickNames(VARIANT* pvar) = 0;  // slot 33, DISPID 0xFA48
  virtual HRESULT STDMETHODCALLTYPE get_Reminders(IDispatch** result) = 0;  // slot 34, DISPID 0xFA99
  virtual HRESULT STDMETHODCALLTYPE get_DefaultProfileName(BSTR* result) = 0;  // slot 35, DISPID 0xFAD6
  virtual HRESULT STDMETHODCALLTYPE get_IsTrusted(VARIANT_BOOL* result) = 0;  // slot 36, DISPID 0xFBF3
  virtual HRESULT STDMETHODCALLTYPE GetObjectReference(IDispatch* Item, OlReferenceType ReferenceType, IDispatch** result) = 0;  // slot 37, DISPID 0xFBD6
  virtual HRESULT STDMETHODCALLTYPE get_Assistance(IDispatch** result) = 0;  // slot 38, DISPID 0xFC08
  virtual HRESULT STDMETHODCALLTYPE get_TimeZones(IDispatch** result) = 0;  // slot 39, DISPID 0xFC29
  virtual HRESULT STDMETHODCALLTYPE get_PickerDialog(IDispatch** result) = 0;  // slot 40, DISPID 0xFC65
  virtual HRESULT STDMETHODCALLTYPE RefreshFormRegionDefinition(BSTR RegionName) = 0;  // slot 41, DISPID 0xFC7F
};
__CRT_UUID_DECL(_Application, 0x00063001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

// _NameSpace: IID {00063002-0000-0000-C000-000000000046}.
MIDL_INTERFACE("00063002-0000-0000-C000-000000000046")
_NameSpace : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** result) = 0;  // slot 7, DISPID 0xF000
  virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* result) = 0;  // slot 8, DISPID 0xF00A
  virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** result) = 0;  // slot 9, DISPID 0xF00B
  virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) = 0;  // slot 10, DISPID 0xF001
  virtual HRESULT STDMETHODCALLTYPE get_CurrentUser(IDispatch** result) = 0;  // slot 11, DISPID 0x2101
  virtual HRESULT STDMETHODCALLTYPE get_Folders(_Folders** result) = 0;  // slot 12, DISPID 0x2103
  virtual HRESULT STDMETHODCALLTYPE get_Type(BSTR* result) = 0;  // slot 13, DISPID 0x2104
  virtual HRESULT STDMETHODCALLTYPE get_AddressLists(IDispatch** result) = 0;  // slot 14, DISPID 0x210D
  virtual HRESULT STDMETHODCALLTYPE CreateRecipient(BSTR RecipientName, IDispatch** result) = 0;  // slot 15, DISPID 0x210A
  virtual HRESULT STDMETHODCALLTYPE GetDefaultFolder(OlDefaultFolders FolderType, MAPIFolder** result) = 0;  // slot 16, DISPID 0x210B
  virtual HRESULT STDMETHODCALLTYPE GetFolderFromID(BSTR EntryIDFolder, VARIANT EntryIDStore, MAPIFolder** result) = 0;  // slot 17, DISPID 0x2108
  virtual HRESULT STDMETHODCALLTYPE GetItemFromID(BSTR EntryIDItem, VARIANT EntryIDStore, IDispatch** result) = 0;  // slot 18, DISPID 0x2109
  virtual HRESULT STDMETHODCALLTYPE GetRecipientFromID(BSTR EntryID, IDispatch** result) = 0;  // slot 19, DISPID 0x2107
  virtual HRESULT STDMETHODCALLTYPE GetSharedDefaultFolder(IDispatch* Recipient, OlDefaultFolders FolderType, MAPIFolder** result) = 0;  // slot 20, DISPID 0x210C
  virtual HRESULT STDMETHODCALLTYPE Logoff() = 0;  // slot 21, DISPID 0x2106
  virtual HRESULT STDMETHODCALLTYPE Logon(VARIANT Profile, VARIANT Password, VARIANT ShowDialog, VARIANT NewSession) = 0;  // slot 22, DISPID 0x2105
  virtual HRESULT STDMETHODCALLTYPE PickFolder(MAPIFolder** result) = 0;  // slot 23, DISPID 0x210E
  virtual HRESULT STDMETHODCALLTYPE RefreshRemoteHeaders() = 0;  // slot 24, DISPID 0x2117
  virtual HRESULT STDMETHODCALLTYPE get_SyncObjects(IDispatch** result) = 0;  // slot 25, DISPID 0x2118
  virtual HRESULT STDMETHODCALLTYPE AddStore(VARIANT Store) = 0;  // slot 26, DISPID 0x2119
  virtual HRESULT STDMETHODCALLTYPE RemoveStore(MAPIFolder* outlookFolder) = 0;  // slot 27, DISPID 0x211A
  virtual HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL* result) = 0;  // slot 28, DISPID 0xFA4C
  virtual HRESULT STDMETHODCALLTYPE Dial(VARIANT ContactItem) = 0;  // slot 29, DISPID 0xFA0D
  virtual HRESULT STDMETHODCALLTYPE get_MAPIOBJECT(IUnknown** result) = 0;  // slot 30, DISPID 0xF100
  virtual HRESULT STDMETHODCALLTYPE get_ExchangeConnectionMode(OlExchangeConnectionMode* result) = 0;  // slot 31, DISPID 0xFAC1
  virtual HRESULT STDMETHODCALLTYPE AddStoreEx(VARIANT Store, OlStoreType Type) = 0;  // slot 32, DISPID 0xFAC5
  virtual HRESULT STDMETHODCALLTYPE get_Accounts(IDispatch** result) = 0;  // slot 33, DISPID 0xFAD0
  virtual HRESULT STDMETHODCALLTYPE get_CurrentProfileName(BSTR* result) = 0;  // slot 34, DISPID 0xFAD5
  virtual HRESULT STDMETHODCALLTYPE get_Stores(IDispatch** result) = 0;  // slot 35, DISPID 0xFAD8
  virtual HRESULT STDMETHODCALLTYPE GetSelectNamesDialog(IDispatch** result) = 0;  // slot 36, DISPID 0xFAE1
  virtual HRESULT STDMETHODCALLTYPE SendAndReceive(VARIANT_BOOL showProgressDialog) = 0;  // slot 37, DISPID 0xFAD7
  virtual HRESULT STDMETHODCALLTYPE get_DefaultStore(IDispatch** result) = 0;  // slot 38, DISPID 0xFAEC
  virtual HRESULT STDMETHODCALLTYPE GetAddressEntryFromID(BSTR ID, IDispatch** result) = 0;  // slot 39, DISPID 0xFB04
  virtual HRESULT STDMETHODCALLTYPE GetGlobalAddressList(IDispatch** result) = 0;  // slot 40, DISPID 0xFB05
  virtual HRESULT STDMETHODCALLTYPE GetStoreFromID(BSTR ID, IDispatch** result) = 0;  // slot 41, DISPID 0xFB06
  virtual HRESULT STDMETHODCALLTYPE get_Categories(IDispatch** result) = 0;  // slot 42, DISPID 0xFBA5
  virtual HRESULT STDMETHODCALLTYPE OpenSharedFolder(BSTR Path, VARIANT Name, VARIANT DownloadAttachments, VARIANT UseTTL, MAPIFolder** result) = 0;  // slot 43, DISPID 0xFBF6
  virtual HRESULT STDMETHODCALLTYPE OpenSharedItem(BSTR Path, IDispatch** result) = 0;  // slot 44, DISPID 0xFBF7
  virtual HRESULT STDMETHODCALLTYPE CreateSharingItem(VARIANT Context, VARIANT Provider, IDispatch** result) = 0;  // slot 45, DISPID 0xFBE4
  virtual HRESULT STDMETHODCALLTYPE get_ExchangeMailboxServerName(BSTR* result) = 0;  // slot 46, DISPID 0xFC05
  virtual HRESULT STDMETHODCALLTYPE get_ExchangeMailboxServerVersion(BSTR* result) = 0;  // slot 47, DISPID 0xFC04
  virtual HRESULT STDMETHODCALLTYPE CompareEntryIDs(BSTR FirstEntryID, BSTR SecondEntryID, VARIANT_BOOL* result) = 0;  // slot 48, DISPID 0xFBFC
  virtual HRESULT STDMETHODCALLTYPE get_AutoDiscoverXml(BSTR* result) = 0;  // slot 49, DISPID 0xFC03
  virtual HRESULT STDMETHODCALLTYPE get_AutoDiscoverConnectionMode(OlAutoDiscoverConnectionMode* result) = 0;  // slot 50, DISPID 0xFC2E
  virtual HRESULT STDMETHODCALLTYPE CreateContactCard(IDispatch* AddressEntry, IDispatch** result) = 0;  // slot 51, DISPID 0xFC85
};
__CRT_UUID_DECL(_NameSpace, 0x00063002, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

// _Explorer: IID {00063003-0000-0000-C000-000000000046}.
MIDL_INTERFACE("00063003-0000-0000-C000-000000000046")
_Explorer : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** result) = 0;  // slot 7, DISPID 0xF000
  virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* result) = 0;  // slot 8, DISPID 0xF00A
  virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** result) = 0;  // slot 9, DISPID 0xF00B
  virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) = 0;  // slot 10, DISPID 0xF001
  virtual HRESULT STDMETHODCALLTYPE get_CommandBars(IDispatch** result) = 0;  // slot 11, DISPID 0x2100
  virtual HRESULT STDMETHODCALLTYPE get_CurrentFolder(MAPIFolder** result) = 0;  // slot 12, DISPID 0x2101
  virtual HRESULT STDMETHODCALLTYPE putref_CurrentFolder(MAPIFolder* CurrentFolder) = 0;  // slot 13, DISPID 0x2101
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;  // slot 14, DISPID 0x2103
  virtual HRESULT STDMETHODCALLTYPE Display() = 0;  // slot 15, DISPID 0x2104
  virtual HRESULT STDMETHODCALLTYPE get_Caption(BSTR* result) = 0;  // slot 16, DISPID 0x2111
  virtual HRESULT STDMETHODCALLTYPE get_CurrentView(VARIANT* result) = 0;  // slot 17, DISPID 0x2200
  virtual HRESULT STDMETHODCALLTYPE put_CurrentView(VARIANT CurrentView) = 0;  // slot 18, DISPID 0x2200
  virtual HRESULT STDMETHODCALLTYPE get_Height(long* result) = 0;  // slot 19, DISPID 0x2114
  virtual HRESULT STDMETHODCALLTYPE put_Height(long Height) = 0;  // slot 20, DISPID 0x2114
  virtual HRESULT STDMETHODCALLTYPE get_Left(long* result) = 0;  // slot 21, DISPID 0x2115
  virtual HRESULT STDMETHODCALLTYPE put_Left(long Left) = 0;  // slot 22, DISPID 0x2115
  virtual HRESULT STDMETHODCALLTYPE get_Panes(IDispatch** result) = 0;  // slot 23, DISPID 0x2201
  virtual HRESULT STDMETHODCALLTYPE get_Selection(Selection** result) = 0;  // slot 24, DISPID 0x2202
  virtual HRESULT STDMETHODCALLTYPE get_Top(long* result) = 0;  // slot 25, DISPID 0x2116
  virtual HRESULT STDMETHODCALLTYPE put_Top(long Top) = 0;  // slot 26, DISPID 0x2116
  virtual HRESULT STDMETHODCALLTYPE get_Width(long* result) = 0;  // slot 27, DISPID 0x2117
  virtual HRESULT STDMETHODCALLTYPE put_Width(long Width) = 0;  // slot 28, DISPID 0x2117
  virtual HRESULT STDMETHODCALLTYPE get_WindowState(OlWindowState* result) = 0;  // slot 29, DISPID 0x2112
  virtual HRESULT STDMETHODCALLTYPE put_WindowState(OlWindowState WindowState) = 0;  // slot 30, DISPID 0x2112
  virtual HRESULT STDMETHODCALLTYPE Activate() = 0;  // slot 31, DISPID 0x2113
  virtual HRESULT STDMETHODCALLTYPE IsPaneVisible(OlPane Pane, VARIANT_BOOL* result) = 0;  // slot 32, DISPID 0x2203
  virtual HRESULT STDMETHODCALLTYPE ShowPane(OlPane Pane, VARIANT_BOOL Visible) = 0;  // slot 33, DISPID 0x2204
  virtual HRESULT STDMETHODCALLTYPE get_Views(IDispatch** result) = 0;  // slot 34, DISPID 0x3109
  virtual HRESULT STDMETHODCALLTYPE get_HTMLDocument(IDispatch** result) = 0;  // slot 35, DISPID 0xFA92
  virtual HRESULT STDMETHODCALLTYPE SelectFolder(MAPIFolder* outlookFolder) = 0;  // slot 36, DISPID 0xFAB1
  virtual HRESULT STDMETHODCALLTYPE DeselectFolder(MAPIFolder* outlookFolder) = 0;  // slot 37, DISPID 0xFAB2
  virtual HRESULT STDMETHODCALLTYPE IsFolderSelected(MAPIFolder* outlookFolder, VARIANT_BOOL* result) = 0;  // slot 38, DISPID 0xFAB3
  virtual HRESULT STDMETHODCALLTYPE get_NavigationPane(IDispatch** result) = 0;  // slot 39, DISPID 0xFBB3
  virtual HRESULT STDMETHODCALLTYPE ClearSearch() = 0;  // slot 40, DISPID 0xFBCD
  virtual HRESULT STDMETHODCALLTYPE Search(BSTR Query, OlSearchScope SearchScope) = 0;  // slot 41, DISPID 0xFA65
  virtual HRESULT STDMETHODCALLTYPE IsItemSelectableInView(IDispatch* Item, VARIANT_BOOL* result) = 0;  // slot 42, DISPID 0xFC35
  virtual HRESULT STDMETHODCALLTYPE AddToSelection(IDispatch* Item) = 0;  // slot 43, DISPID 0xFC36
  virtual HRESULT STDMETHODCALLTYPE RemoveFromSelection(IDispatch* Item) = 0;  // slot 44, DISPID 0xFC37
  virtual HRESULT STDMETHODCALLTYPE SelectAllItems() = 0;  // slot 45, DISPID 0xFC38
  virtual HRESULT STDMETHODCALLTYPE ClearSelection() = 0;  // slot 46, DISPID 0xFC39
  virtual HRESULT STDMETHODCALLTYPE get_AccountSelector(IDispatch** result) = 0;  // slot 47, DISPID 0xFC71
  virtual HRESULT STDMETHODCALLTYPE get_AttachmentSelection(IDispatch** result) = 0;  // slot 48, DISPID 0xFC78
  virtual HRESULT STDMETHODCALLTYPE get_ActiveInlineResponse(IDispatch** result) = 0;  // slot 49, DISPID 0xFC93
  virtual HRESULT STDMETHODCALLTYPE get_ActiveInlineResponseWordEditor(IDispatch** result) = 0;  // slot 50, DISPID 0xFC94
  virtual HRESULT STDMETHODCALLTYPE get_DisplayMode(OlDisplayMode* result) = 0;  // slot 51, DISPID 0xFC97
  virtual HRESULT STDMETHODCALLTYPE get_PreviewPane(IDispatch** result) = 0;  // slot 52, DISPID 0xFC9F
};
__CRT_UUID_DECL(_Explorer, 0x00063003, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

// Selection: IID {00063087-0000-0000-C000-000000000046}.
MIDL_INTERFACE("00063087-0000-0000-C000-000000000046")
Selection : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** result) = 0;  // slot 7, DISPID 0xF000
  virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* result) = 0;  // slot 8, DISPID 0xF00A
  virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** result) = 0;  // slot 9, DISPID 0xF00B
  virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) = 0;  // slot 10, DISPID 0xF001
  virtual HRESULT STDMETHODCALLTYPE get_Count(long* result) = 0;  // slot 11, DISPID 0x50
  virtual HRESULT STDMETHODCALLTYPE Item(VARIANT Index, IDispatch** result) = 0;  // slot 12, DISPID 0x51
  virtual HRESULT STDMETHODCALLTYPE get_Location(OlSelectionLocation* result) = 0;  // slot 13, DISPID 0x8208
  virtual HRESULT STDMETHODCALLTYPE GetSelection(OlSelectionContents SelectionContents, Selection** result) = 0;  // slot 14, DISPID 0x2202
};
__CRT_UUID_DECL(Selection, 0x00063087, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

// MAPIFolder: IID {00063006-0000-0000-C000-000000000046}.
MIDL_INTERFACE("00063006-0000-0000-C000-000000000046")
MAPIFolder : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** result) = 0;  // slot 7, DISPID 0xF000
  virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* result) = 0;  // slot 8, DISPID 0xF00A
  virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** result) = 0;  // slot 9, DISPID 0xF00B
  virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) = 0;  // slot 10, DISPID 0xF001
  virtual HRESULT STDMETHODCALLTYPE get_DefaultItemType(OlItemType* result) = 0;  // slot 11, DISPID 0x3106
  virtual HRESULT STDMETHODCALLTYPE get_DefaultMessageClass(BSTR* result) = 0;  // slot 12, DISPID 0x3107
  virtual HRESULT STDMETHODCALLTYPE get_Description(BSTR* result) = 0;  // slot 13, DISPID 0x3004
  virtual HRESULT STDMETHODCALLTYPE put_Description(BSTR Description) = 0;  // slot 14, DISPID 0x3004
  virtual HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* result) = 0;  // slot 15, DISPID 0xF01E
  virtual HRESULT STDMETHODCALLTYPE get_Folders(_Folders** result) = 0;  // slot 16, DISPID 0x2103
  virtual HRESULT STDMETHODCALLTYPE get_Items(_Items** result) = 0;  // slot 17, DISPID 0x3100
  virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* result) = 0;  // slot 18, DISPID 0x3001
  virtual HRESULT STDMETHODCALLTYPE put_Name(BSTR Name) = 0;  // slot 19, DISPID 0x3001
  virtual HRESULT STDMETHODCALLTYPE get_StoreID(BSTR* result) = 0;  // slot 20, DISPID 0x3108
  virtual HRESULT STDMETHODCALLTYPE get_UnReadItemCount(long* result) = 0;  // slot 21, DISPID 0x3603
  virtual HRESULT STDMETHODCALLTYPE CopyTo(MAPIFolder* DestinationFolder, MAPIFolder** result) = 0;  // slot 22, DISPID 0xF032
  virtual HRESULT STDMETHODCALLTYPE Delete() = 0;  // slot 23, DISPID 0xF045
  virtual HRESULT STDMETHODCALLTYPE Display() = 0;  // slot 24, DISPID 0x3104
  virtual HRESULT STDMETHODCALLTYPE GetExplorer(VARIANT DisplayMode, _Explorer** result) = 0;  // slot 25, DISPID 0x3101
  virtual HRESULT STDMETHODCALLTYPE MoveTo(MAPIFolder* DestinationFolder) = 0;  // slot 26, DISPID 0xF034
  virtual HRESULT STDMETHODCALLTYPE get_UserPermissions(IDispatch** result) = 0;  // slot 27, DISPID 0x3111
  virtual HRESULT STDMETHODCALLTYPE get_WebViewOn(VARIANT_BOOL* result) = 0;  // slot 28, DISPID 0x3112
  virtual HRESULT STDMETHODCALLTYPE put_WebViewOn(VARIANT_BOOL WebViewOn) = 0;  // slot 29, DISPID 0x3112
  virtual HRESULT STDMETHODCALLTYPE get_WebViewURL(BSTR* result) = 0;  // slot 30, DISPID 0x3113
  virtual HRESULT STDMETHODCALLTYPE put_WebViewURL(BSTR WebViewURL) = 0;  // slot 31, DISPID 0x3113
  virtual HRESULT STDMETHODCALLTYPE get_WebViewAllowNavigation(VARIANT_BOOL* result) = 0;  // slot 32, DISPID 0x3114
  virtual HRESULT STDMETHODCALLTYPE put_WebViewAllowNavigation(VARIANT_BOOL WebViewAllowNavigation) = 0;  // slot 33, DISPID 0x3114
  virtual HRESULT STDMETHODCALLTYPE AddToPFFavorites() = 0;  // slot 34, DISPID 0x3115
  virtual HRESULT STDMETHODCALLTYPE get_AddressBookName(BSTR* result) = 0;  // slot 35, DISPID 0xFA6E
  virtual HRESULT STDMETHODCALLTYPE put_AddressBookName(BSTR AddressBookName) = 0;  // slot 36, DISPID 0xFA6E
  virtual HRESULT STDMETHODCALLTYPE get_ShowAsOutlookAB(VARIANT_BOOL* result) = 0;  // slot 37, DISPID 0xFA6F
  virtual HRESULT STDMETHODCALLTYPE put_ShowAsOutlookAB(VARIANT_BOOL ShowAsOutlookAB) = 0;  // slot 38, DISPID 0xFA6F
  virtual HRESULT STDMETHODCALLTYPE get_FolderPath(BSTR* result) = 0;  // slot 39, DISPID 0xFA78
  virtual HRESULT STDMETHODCALLTYPE AddToFavorites(VARIANT fNoUI, VARIANT Name) = 0;  // slot 40, DISPID 0xFA61
  virtual HRESULT STDMETHODCALLTYPE get_InAppFolderSyncObject(VARIANT_BOOL* result) = 0;  // slot 41, DISPID 0xFA4B
  virtual HRESULT STDMETHODCALLTYPE put_InAppFolderSyncObject(VARIANT_BOOL InAppFolderSyncObject) = 0;  // slot 42, DISPID 0xFA4B
  virtual HRESULT STDMETHODCALLTYPE get_CurrentView(IDispatch** result) = 0;  // slot 43, DISPID 0x2200
  virtual HRESULT STDMETHODCALLTYPE get_CustomViewsOnly(VARIANT_BOOL* result) = 0;  // slot 44, DISPID 0xFA46
  virtual HRESULT STDMETHODCALLTYPE put_CustomViewsOnly(VARIANT_BOOL CustomViewsOnly) = 0;  // slot 45, DISPID 0xFA46
  virtual HRESULT STDMETHODCALLTYPE get_Views(IDispatch** result) = 0;  // slot 46, DISPID 0x3109
  virtual HRESULT STDMETHODCALLTYPE get_MAPIOBJECT(IUnknown** result) = 0;  // slot 47, DISPID 0xF100
  virtual HRESULT STDMETHODCALLTYPE get_FullFolderPath(BSTR* result) = 0;  // slot 48, DISPID 0xFA91
  virtual HRESULT STDMETHODCALLTYPE get_IsSharePointFolder(VARIANT_BOOL* result) = 0;  // slot 49, DISPID 0xFAB6
  virtual HRESULT STDMETHODCALLTYPE get_ShowItemCount(OlShowItemCount* result) = 0;  // slot 50, DISPID 0xFAC2
  virtual HRESULT STDMETHODCALLTYPE put_ShowItemCount(OlShowItemCount ShowItemCount) = 0;  // slot 51, DISPID 0xFAC2
  virtual HRESULT STDMETHODCALLTYPE get_Store(IDispatch** result) = 0;  // slot 52, DISPID 0xFAD9
  virtual HRESULT STDMETHODCALLTYPE GetStorage(BSTR StorageIdentifier, OlStorageIdentifierType StorageIdentifierType, IDispatch** result) = 0;  // slot 53, DISPID 0xFB08
  virtual HRESULT STDMETHODCALLTYPE GetTable(VARIANT Filter, VARIANT TableContents, IDispatch** result) = 0;  // slot 54, DISPID 0xFB1D
  virtual HRESULT STDMETHODCALLTYPE get_PropertyAccessor(IDispatch** result) = 0;  // slot 55, DISPID 0xFAFD
  virtual HRESULT STDMETHODCALLTYPE GetCalendarExporter(IDispatch** result) = 0;  // slot 56, DISPID 0xFBA2
  virtual HRESULT STDMETHODCALLTYPE get_UserDefinedProperties(IDispatch** result) = 0;  // slot 57, DISPID 0xF816
  virtual HRESULT STDMETHODCALLTYPE GetCustomIcon(IDispatch** result) = 0;  // slot 58, DISPID 0xFC3C
  virtual HRESULT STDMETHODCALLTYPE SetCustomIcon(IDispatch* Picture) = 0;  // slot 59, DISPID 0xFC3D
};
__CRT_UUID_DECL(MAPIFolder, 0x00063006, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

// _Folders: IID {00063040-0000-0000-C000-000000000046}.
MIDL_INTERFACE("00063040-0000-0000-C000-000000000046")
_Folders : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** result) = 0;  // slot 7, DISPID 0xF000
  virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* result) = 0;  // slot 8, DISPID 0xF00A
  virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** result) = 0;  // slot 9, DISPID 0xF00B
  virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) = 0;  // slot 10, DISPID 0xF001
  virtual HRESULT STDMETHODCALLTYPE get_Count(long* result) = 0;  // slot 11, DISPID 0x50
  virtual HRESULT STDMETHODCALLTYPE Item(VARIANT Index, MAPIFolder** result) = 0;  // slot 12, DISPID 0x51
  virtual HRESULT STDMETHODCALLTYPE get_RawTable(IUnknown** result) = 0;  // slot 13, DISPID 0x5A
  virtual HRESULT STDMETHODCALLTYPE Add(BSTR Name, VARIANT Type, MAPIFolder** result) = 0;  // slot 14, DISPID 0x5F
  virtual HRESULT STDMETHODCALLTYPE GetFirst(MAPIFolder** result) = 0;  // slot 15, DISPID 0x56
  virtual HRESULT STDMETHODCALLTYPE GetLast(MAPIFolder** result) = 0;  // slot 16, DISPID 0x58
  virtual HRESULT STDMETHODCALLTYPE GetNext(MAPIFolder** result) = 0;  // slot 17, DISPID 0x57
  virtual HRESULT STDMETHODCALLTYPE GetPrevious(MAPIFolder** result) = 0;  // slot 18, DISPID 0x59
  virtual HRESULT STDMETHODCALLTYPE Remove(long Index) = 0;  // slot 19, DISPID 0x54
};
__CRT_UUID_DECL(_Folders, 0x00063040, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

// _Items: IID {00063041-0000-0000-C000-000000000046}.
MIDL_INTERFACE("00063041-0000-0000-C000-000000000046")
_Items : public IDispatch {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Application(_Application** result) = 0;  // slot 7, DISPID 0xF000
  virtual HRESULT STDMETHODCALLTYPE get_Class(OlObjectClass* result) = 0;  // slot 8, DISPID 0xF00A
  virtual HRESULT STDMETHODCALLTYPE get_Session(_NameSpace** result) = 0;  // slot 9, DISPID 0xF00B
  virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) = 0;  // slot 10, DISPID 0xF001
  virtual HRESULT STDMETHODCALLTYPE get_Count(long* result) = 0;  // slot 11, DISPID 0x50
  virtual HRESULT STDMETHODCALLTYPE Item(VARIANT Index, IDispatch** result) = 0;  // slot 12, DISPID 0x51
  virtual HRESULT STDMETHODCALLTYPE get_RawTable(IUnknown** result) = 0;  // slot 13, DISPID 0x5A
  virtual HRESULT STDMETHODCALLTYPE get_IncludeRecurrences(VARIANT_BOOL* result) = 0;  // slot 14, DISPID 0xCE
  virtual HRESULT STDMETHODCALLTYPE put_IncludeRecurrences(VARIANT_BOOL IncludeRecurrences) = 0;  // slot 15, DISPID 0xCE
  virtual HRESULT STDMETHODCALLTYPE Add(VARIANT Type, IDispatch** result) = 0;  // slot 16, DISPID 0x5F
  virtual HRESULT STDMETHODCALLTYPE Find(BSTR Filter, IDispatch** result) = 0;  // slot 17, DISPID 0x62
  virtual HRESULT STDMETHODCALLTYPE FindNext(IDispatch** result) = 0;  // slot 18, DISPID 0x63
  virtual HRESULT STDMETHODCALLTYPE GetFirst(IDispatch** result) = 0;  // slot 19, DISPID 0x56
  virtual HRESULT STDMETHODCALLTYPE GetLast(IDispatch** result) = 0;  // slot 20, DISPID 0x58
  virtual HRESULT STDMETHODCALLTYPE GetNext(IDispatch** result) = 0;  // slot 21, DISPID 0x57
  virtual HRESULT STDMETHODCALLTYPE GetPrevious(IDispatch** result) = 0;  // slot 22, DISPID 0x59
  virtual HRESULT STDMETHODCALLTYPE Remove(long Index) = 0;  // slot 23, DISPID 0x54
  virtual HRESULT STDMETHODCALLTYPE ResetColumns() = 0;  // slot 24, DISPID 0x5D
  virtual HRESULT STDMETHODCALLTYPE Restrict(BSTR Filter, _Items** result) = 0;  // slot 25, DISPID 0x64
  virtual HRESULT STDMETHODCALLTYPE SetColumns(BSTR Columns) = 0;  // slot 26, DISPID 0x5C
  virtual HRESULT STDMETHODCALLTYPE Sort(BSTR Property, VARIANT Descending) = 0;  // slot 27, DISPID 0x61
};
__CRT_UUID_DECL(_Items, 0x00063041, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
// clang-format on
// NOLINTEND(readability-identifier-naming)
#pragma pop_macro("CopyFile")
