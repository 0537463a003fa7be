// The simulated Outlook's IDispatch: the seven interfaces answer from Outlook's
// type library as a type-library IDispatch does; items answer their own
// names, all of them properties, and describe themselves by their kind's
// dispatch interface.
#include <gtest/gtest.h>

#include "tests/sim_outlook/outlook_fixture.h"

namespace qvsim::test {
namespace {

using qv::com_ptr;
using qv::unique_bstr;
using qv::unique_variant;

// The first store's Inbox hides its "Name" and adds "Extra" by name.
const char kMailbox[] = R"({
  "stores": [{"display_name": "Mailbox", "top_folder": {"folders": [
    {"id": "inbox", "name": "Inbox", "by_name": {"Name": {"missing": true}, "Extra": {"value": "x"}},
     "items": [{"id": "mail", "subject": "Hello"}]}]}}],
  "explorer": {"selection": ["mail"]}
})";

enum class Object { kApplication, kFolders, kInbox, kItem };

class DispatchTest : public OutlookSimTest {
 protected:
  void SetUp() override {
    OutlookSimTest::SetUp();
    ASSERT_EQ(use_mailbox(kMailbox), S_OK);
    application_ = connect();
    folders_ = top_folders(application_.get());
    top_ = top_folder(application_.get(), 1);
    inbox_ = subfolder(top_.get(), 1);
    item_ = selected(selection_of(application_.get()).get(), 1);
  }

  IDispatch* object(Object which) const {
    switch (which) {
      case Object::kApplication:
        return application_.get();
      case Object::kFolders:
        return folders_.get();
      case Object::kInbox:
        return inbox_.get();
      default:
        return item_.get();
    }
  }

  com_ptr<_Application> application_;
  com_ptr<_Folders> folders_;
  com_ptr<MAPIFolder> top_;
  com_ptr<MAPIFolder> inbox_;
  com_ptr<IDispatch> item_;
};

TEST_F(DispatchTest, NamesResolveThroughTheInterfacesTypeInformationInAnyCase) {
  const struct {
    Object object;
    const wchar_t* name;
    HRESULT hr;
    DISPID id;
  } cases[] = {
      {Object::kApplication, L"quit", S_OK, 0x113},  // a member that is not served
      {Object::kInbox, L"FOLDERPATH", S_OK, 0xFA78},
      {Object::kFolders, L"Item", S_OK, 0x51},
      {Object::kInbox, L"Extra", S_OK, 0x40000000},                   // added by the description
      {Object::kInbox, L"Name", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},  // hidden by it
      {Object::kFolders, L"FolderPath", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
      {Object::kItem, L"subject", S_OK, 0x37},
  };
  for (const auto& c : cases) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
    DISPID id = 0;
    EXPECT_EQ(object(c.object)->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), c.hr)
        << "case " << (&c - cases);
    EXPECT_EQ(id, c.id) << "case " << (&c - cases);
  }
}

TEST_F(DispatchTest, InvokeFollowsTheTypeLibrarysRules) {
  constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8004010F);
  const struct {
    Object object;
    DISPID id;
    WORD flags;
    int position;  // the one argument, 0 for none
    HRESULT hr;
    HRESULT scode;  // of the exception information
  } cases[] = {
      {Object::kInbox, 0xFA78, DISPATCH_PROPERTYGET, 0, S_OK, S_OK},
      {Object::kInbox, 0xFA78, DISPATCH_METHOD, 0, DISP_E_MEMBERNOTFOUND, S_OK},
      {Object::kFolders, 0x51, DISPATCH_PROPERTYGET, 1, DISP_E_MEMBERNOTFOUND, S_OK},
      {Object::kFolders, 0x51, DISPATCH_METHOD, 0, DISP_E_BADPARAMCOUNT, S_OK},
      {Object::kFolders, 0x51, DISPATCH_METHOD, 9, DISP_E_EXCEPTION, kNotFound},
      {Object::kApplication, 0x113, DISPATCH_METHOD, 0, DISP_E_EXCEPTION, E_NOTIMPL},
      {Object::kInbox, 0x40000000, DISPATCH_PROPERTYGET, 0, S_OK, S_OK},
      {Object::kItem, 0x37, DISPATCH_PROPERTYGET, 0, S_OK, S_OK},
      {Object::kItem, 0x37, DISPATCH_METHOD, 0, DISP_E_MEMBERNOTFOUND, S_OK},
  };
  for (const auto& c : cases) {
    VARIANT argument = position(c.position);
    DISPPARAMS parameters = {&argument, nullptr, c.position != 0 ? 1u : 0u, 0};
    unique_variant result;
    EXCEPINFO exception = {};
    EXPECT_EQ(object(c.object)->Invoke(c.id, IID_NULL, LOCALE_USER_DEFAULT, c.flags, &parameters,
                                       result.put(), &exception, nullptr),
              c.hr)
        << static_cast<int>(c.object) << " " << c.id << " flags " << c.flags;
    EXPECT_EQ(exception.scode, c.scode) << c.id;
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
  }
}

// What a script's TypeName reads: the name of the object's type information.
TEST_F(DispatchTest, ObjectsGiveTheTypeInformationOfTheirInterfaceOrItemKind) {
  const struct {
    Object object;
    const wchar_t* name;
  } cases[] = {
      {Object::kInbox, L"MAPIFolder"},
      {Object::kFolders, L"_Folders"},
      {Object::kItem, L"_MailItem"},  // a dispatch interface: its names stay the item's own
  };
  for (const auto& c : cases) {
    UINT count = 9;
    EXPECT_EQ(object(c.object)->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    com_ptr<ITypeInfo> info;
    ASSERT_EQ(object(c.object)->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
    unique_bstr name;
    info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    EXPECT_EQ(name.text(), c.name);
  }
  ITypeInfo* none = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(item_->GetTypeInfo(1, LOCALE_USER_DEFAULT, &none), DISP_E_BADINDEX);
  EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace qvsim::test
