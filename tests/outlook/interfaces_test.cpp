// The vtable slot of each member that qv calls, read back from the compiled
// declarations. A slot off by one sends the call to another member of the
// real Outlook.
#include "outlook/outlook_interfaces.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace {

#if defined(__GNUC__)
// In the Itanium C++ ABI (GCC, also for MinGW) a pointer to a virtual member
// function holds 1 + the byte offset of its vtable entry.
template <class Member>
std::ptrdiff_t slot_of(Member member) {
  std::ptrdiff_t raw = 0;
  std::memcpy(&raw, &member, sizeof(raw));
  return (raw - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(OutlookInterfacesTest, MembersSitInTheSlotsOfOutlooksTypeLibrary) {
  EXPECT_EQ(slot_of(&_Application::ActiveExplorer), 14);
  EXPECT_EQ(slot_of(&_Application::GetNamespace), 19);
  EXPECT_EQ(slot_of(&_Explorer::get_Selection), 24);
  EXPECT_EQ(slot_of(&Selection::get_Count), 11);
  EXPECT_EQ(slot_of(&Selection::Item), 12);
  EXPECT_EQ(slot_of(&_NameSpace::get_Folders), 12);
  EXPECT_EQ(slot_of(&_NameSpace::GetFolderFromID), 17);
  EXPECT_EQ(slot_of(&_Folders::get_Count), 11);
  EXPECT_EQ(slot_of(&_Folders::Item), 12);
  EXPECT_EQ(slot_of(&MAPIFolder::get_DefaultItemType), 11);
  EXPECT_EQ(slot_of(&MAPIFolder::get_EntryID), 15);
  EXPECT_EQ(slot_of(&MAPIFolder::get_Folders), 16);
  EXPECT_EQ(slot_of(&MAPIFolder::get_Items), 17);
  EXPECT_EQ(slot_of(&_Items::get_Count), 11);
  EXPECT_EQ(slot_of(&_Items::Item), 12);
  // The putref that some generated bindings leave out.
  EXPECT_EQ(slot_of(&_Explorer::putref_CurrentFolder), 13);
  // The last slot of each table.
  EXPECT_EQ(slot_of(&_Application::RefreshFormRegionDefinition), 41);
  EXPECT_EQ(slot_of(&_NameSpace::CreateContactCard), 51);
  EXPECT_EQ(slot_of(&_Explorer::get_PreviewPane), 52);
  EXPECT_EQ(slot_of(&Selection::GetSelection), 14);
  EXPECT_EQ(slot_of(&MAPIFolder::SetCustomIcon), 59);
  EXPECT_EQ(slot_of(&_Folders::Remove), 19);
  EXPECT_EQ(slot_of(&_Items::Sort), 27);
}
#endif

std::wstring text_of(const GUID& guid) {
  wchar_t text[40] = {};
  return ::StringFromGUID2(guid, text, 40) > 0 ? text : L"";
}

// Each declaration's IID and the named constant, against the IIDs of
// Outlook's type library, written out.
TEST(OutlookInterfacesTest, InterfaceIdsAreOutlooks) {
  const struct {
    GUID declared;
    GUID named;
    const wchar_t* outlooks;
  } cases[] = {
      {__uuidof(_Application), IID__Application, L"{00063001-0000-0000-C000-000000000046}"},
      {__uuidof(_NameSpace), IID__NameSpace, L"{00063002-0000-0000-C000-000000000046}"},
      {__uuidof(_Explorer), IID__Explorer, L"{00063003-0000-0000-C000-000000000046}"},
      {__uuidof(Selection), IID_Selection, L"{00063087-0000-0000-C000-000000000046}"},
      {__uuidof(MAPIFolder), IID_MAPIFolder, L"{00063006-0000-0000-C000-000000000046}"},
      {__uuidof(_Folders), IID__Folders, L"{00063040-0000-0000-C000-000000000046}"},
      {__uuidof(_Items), IID__Items, L"{00063041-0000-0000-C000-000000000046}"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text_of(c.declared), c.outlooks);
    EXPECT_EQ(text_of(c.named), c.outlooks);
  }
  EXPECT_EQ(text_of(CLSID_OutlookApplication), L"{0006F03A-0000-0000-C000-000000000046}");
}

}  // namespace
