// What late-bound clients rely on: unserved members name themselves in the
// error object, items' standard properties by name with Outlook's types,
// For Each through _NewEnum, GetDefaultFolder and CurrentUser.
#include <gtest/gtest.h>

#include <functional>

#include "tests/sim_outlook/outlook_fixture.h"

namespace qvsim::test {
namespace {

using qv::com_ptr;
using qv::unique_bstr;
using qv::unique_variant;

// The first store names its inbox ("Mail In", not "Inbox") and calendar; the
// second names nothing and has a folder named Inbox.
const char kLateBoundMailbox[] = R"({
  "current_user": {"name": "Alice Martin", "address": "alice@contoso.example"},
  "stores": [
    {"display_name": "A", "default_folders": {"inbox": "in", "calendar": "cal"},
     "top_folder": {"folders": [
       {"name": "Inbox"},
       {"id": "in", "name": "Mail In", "items": [
         {"id": "m1", "subject": "One", "properties": [
           {"tag": "0x0C1A001F", "value": "Daniel"}, {"tag": "0x0E080003", "value": 2048}]},
         {"id": "m2", "subject": "Two", "properties": [{"tag": "0x00170003", "value": 2}]},
         {"id": "m3", "subject": "Three"}]},
       {"id": "cal", "name": "Calendar", "default_item_type": "appointment", "items": [
         {"id": "a1", "subject": "Meeting", "by_name": {"End": {"value": "soon"}}, "properties": [
           {"set": "PSETID_Appointment", "lid": "0x8208", "type": "PT_UNICODE", "value": "Room 4B"},
           {"set": "PSETID_Appointment", "lid": "0x8215", "type": "PT_BOOLEAN", "value": true}]}]}]}},
    {"display_name": "B", "top_folder": {"folders": [{"name": "Inbox"}]}}],
  "explorer": {"selection": ["m1", "m2", "m3", "a1"]}
})";

class LateBoundTest : public OutlookSimTest {
 protected:
  void SetUp() override {
    OutlookSimTest::SetUp();
    ASSERT_EQ(use_mailbox(kLateBoundMailbox), S_OK);
    application_ = connect();
    namespace_ = namespace_of(application_.get());
    selection_ = selection_of(application_.get());
  }

  com_ptr<_Application> application_;
  com_ptr<_NameSpace> namespace_;
  com_ptr<Selection> selection_;
};

TEST_F(LateBoundTest, UnservedMembersFailWithAnErrorObjectThatNamesThem) {
  const struct {
    std::function<HRESULT()> call;
    const wchar_t* description;
  } cases[] = {
      {[&] { return application_->Quit(); }, L"_Application.Quit"},
      {[&] {
         com_ptr<MAPIFolder> folder;
         return namespace_->PickFolder(folder.put());
       },
       L"_NameSpace.PickFolder"},
      {[&] {
         unique_bstr text;
         return top_folder(application_.get(), 1)->get_Description(text.put());
       },
       L"MAPIFolder.Description"},
      {[&] { return top_folder(application_.get(), 1)->put_Name(nullptr); },
       L"MAPIFolder.put_Name"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.call(), E_NOTIMPL) << c.description;
    com_ptr<IErrorInfo> error;
    ASSERT_EQ(::GetErrorInfo(0, error.put()), S_OK) << c.description;
    unique_bstr description;
    error->GetDescription(description.put());
    EXPECT_EQ(description.text(),
              std::wstring(L"The simulated Outlook does not serve ") + c.description);
  }
}

TEST_F(LateBoundTest, ItemsReadTheirStandardPropertiesWithOutlooksTypes) {
  const struct {
    int item;  // position in the selection
    const wchar_t* name;
    HRESULT hr;
    VARTYPE type;
    double number;  // VT_I4, VT_BOOL (-1 true) and VT_DATE
    const wchar_t* text;
  } cases[] = {
      {1, L"SenderName", S_OK, VT_BSTR, 0, L"Daniel"},
      {3, L"SenderName", S_OK, VT_BSTR, 0, L""},  // absent: empty text
      {1, L"Size", S_OK, VT_I4, 2048, nullptr},
      {2, L"importance", S_OK, VT_I4, 2, nullptr},
      {3, L"Importance", S_OK, VT_I4, 1, nullptr},              // absent: olImportanceNormal
      {3, L"ReceivedTime", S_OK, VT_DATE, 949998, nullptr},     // absent: 1 January 4501
      {1, L"Start", DISP_E_UNKNOWNNAME, VT_EMPTY, 0, nullptr},  // appointments only
      {4, L"Location", S_OK, VT_BSTR, 0, L"Room 4B"},
      {4, L"AllDayEvent", S_OK, VT_BOOL, -1, nullptr},
      {4, L"Start", S_OK, VT_DATE, 949998, nullptr},
      {4, L"End", S_OK, VT_BSTR, 0, L"soon"},  // the description's by_name wins
      {4, L"SenderName", DISP_E_UNKNOWNNAME, VT_EMPTY, 0, nullptr},
  };
  for (const auto& c : cases) {
    com_ptr<IDispatch> item = selected(selection_.get(), c.item);
    unique_variant value;
    EXPECT_EQ(read_by_name(item.get(), c.name, value.put()), c.hr) << c.name;
    ASSERT_EQ(value.type(), c.type) << c.item << " " << c.name;
    const VARIANT& v = value.value();
    if (c.type == VT_BSTR) {
      EXPECT_EQ(std::wstring(v.bstrVal != nullptr ? v.bstrVal : L""), c.text) << c.name;
    } else if (c.type != VT_EMPTY) {
      EXPECT_EQ(c.type == VT_I4     ? v.lVal
                : c.type == VT_BOOL ? v.boolVal
                                    : v.date,
                c.number)
          << c.name;
    }
  }
}

TEST_F(LateBoundTest, CollectionsEnumerateThroughNewEnum) {
  com_ptr<IDispatch> collection;
  ASSERT_EQ(selection_->QueryInterface(IID_IDispatch, collection.put_void()), S_OK);
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"_newenum")};
  DISPID id = 0;
  ASSERT_EQ(collection->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, DISPID_NEWENUM);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  unique_variant result;
  ASSERT_EQ(collection->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                               DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, result.put(), nullptr,
                               nullptr),
            S_OK);
  ASSERT_EQ(result.type(), VT_UNKNOWN);
  com_ptr<IEnumVARIANT> elements;
  ASSERT_EQ(result.value().punkVal->QueryInterface(IID_IEnumVARIANT, elements.put_void()), S_OK);
  // Next(count), Skip(count) or Reset, then Clone: the expected subjects, and
  // Next's answer.
  const struct {
    char step;
    ULONG count;
    HRESULT hr;
    std::vector<std::wstring> subjects;
  } steps[] = {
      {'n', 2, S_OK, {L"One", L"Two"}},
      {'n', 5, S_FALSE, {L"Three", L"Meeting"}},
      {'n', 1, S_FALSE, {}},
      {'r', 0, S_OK, {}},
      {'s', 1, S_OK, {}},
      {'c', 1, S_OK, {L"Two"}},
      {'s', 9, S_FALSE, {}},
      {'n', 1, S_FALSE, {}},
  };
  for (const auto& s : steps) {
    com_ptr<IEnumVARIANT> clone;
    IEnumVARIANT* from = elements.get();
    if (s.step == 'c') {
      ASSERT_EQ(elements->Clone(clone.put()), S_OK);
      from = clone.get();
    } else if (s.step != 'n') {
      EXPECT_EQ(s.step == 'r' ? elements->Reset() : elements->Skip(s.count), s.hr);
      continue;
    }
    std::vector<unique_variant> got(s.count);
    std::vector<VARIANT> raw(s.count);
    ULONG fetched = 99;
    EXPECT_EQ(from->Next(s.count, raw.data(), &fetched), s.hr) << (&s - steps);
    ASSERT_EQ(fetched, s.subjects.size()) << (&s - steps);
    for (ULONG i = 0; i < fetched; ++i) {
      *got[i].put() = raw[i];
      EXPECT_EQ(text_by_name(raw[i].pdispVal, L"Subject"), s.subjects[i]);
    }
  }
}

TEST_F(LateBoundTest, DefaultFoldersComeFromTheDefaultStoresOwnNames) {
  constexpr HRESULT kNotFound = static_cast<HRESULT>(0x8004010F);
  const struct {
    OlDefaultFolders type;
    HRESULT hr;
    const wchar_t* path;
  } cases[] = {
      {6, S_OK, L"\\\\A\\Mail In"},   // olFolderInbox, not the folder named Inbox
      {9, S_OK, L"\\\\A\\Calendar"},  // olFolderCalendar
      {16, kNotFound, nullptr},       // olFolderDrafts: the store names none
      {7, E_INVALIDARG, nullptr},     // no kind of default folder
  };
  for (const auto& c : cases) {
    com_ptr<MAPIFolder> folder;
    EXPECT_EQ(namespace_->GetDefaultFolder(c.type, folder.put()), c.hr) << c.type;
    if (c.path != nullptr) {
      ASSERT_TRUE(folder);
      EXPECT_EQ(text_by_name(folder.get(), L"FolderPath"), c.path);
    }
  }
  com_ptr<IDispatch> user;
  ASSERT_EQ(namespace_->get_CurrentUser(user.put()), S_OK);
  EXPECT_EQ(text_by_name(user.get(), L"Name"), L"Alice Martin");
  EXPECT_EQ(text_by_name(user.get(), L"Address"), L"alice@contoso.example");
}

}  // namespace
}  // namespace qvsim::test
