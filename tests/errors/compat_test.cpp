#include "errors/compat.h"

#include <gtest/gtest.h>

#include "errors/com_holders.h"

namespace qv {
namespace {

// {5A8E2C52-0B1D-4C52-9E11-2F5C8D1A7B01}: an interface that the fake object
// says it reports errors for.
const IID kReportingIid = {
    0x5a8e2c52, 0x0b1d, 0x4c52, {0x9e, 0x11, 0x2f, 0x5c, 0x8d, 0x1a, 0x7b, 0x01}};
// {5A8E2C52-0B1D-4C52-9E11-2F5C8D1A7B02}: one it does not.
const IID kSilentIid = {
    0x5a8e2c52, 0x0b1d, 0x4c52, {0x9e, 0x11, 0x2f, 0x5c, 0x8d, 0x1a, 0x7b, 0x02}};

class FakeObject : public ISupportErrorInfo {
 public:
  explicit FakeObject(bool supports_error_info) : supports_(supports_error_info) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
    if (iid == IID_IUnknown || (supports_ && iid == IID_ISupportErrorInfo)) {
      *out = static_cast<ISupportErrorInfo*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return --references_; }
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) noexcept override {
    return iid == kReportingIid ? S_OK : S_FALSE;
  }
  ULONG references() const { return references_; }

 private:
  bool supports_;
  ULONG references_ = 1;
};

// Makes the thread's error object one with the given description.
void set_thread_error(const wchar_t* description) {
  com_ptr<ICreateErrorInfo> create;
  ASSERT_EQ(::CreateErrorInfo(create.put()), S_OK);
  create->SetDescription(const_cast<LPOLESTR>(description));
  com_ptr<IErrorInfo> info = create.try_query<IErrorInfo>();
  ASSERT_EQ(::SetErrorInfo(0, info.get()), S_OK);
}

_com_error issue(HRESULT hr, IUnknown* object, REFIID iid) {
  try {
    _com_issue_errorex(hr, object, iid);
  } catch (const _com_error& e) {
    return e;
  }
  ADD_FAILURE() << "_com_issue_errorex returned";
  return _com_error(S_OK);
}

TEST(ComIssueErrorexTest, CarriesTheErrorObjectWhenTheInterfaceReportsErrors) {
  FakeObject object(true);
  set_thread_error(L"rich description");
  const _com_error e = issue(static_cast<HRESULT>(0x80040108), &object, kReportingIid);
  EXPECT_EQ(static_cast<uint32_t>(e.Error()), 0x80040108u);
  com_ptr<IErrorInfo> info = com_ptr<IErrorInfo>::attach(e.ErrorInfo());
  ASSERT_TRUE(info);
  unique_bstr description;
  info->GetDescription(description.put());
  EXPECT_EQ(description.text(), L"rich description");
  EXPECT_EQ(object.references(), 1u);
}

TEST(ComIssueErrorexTest, NoErrorObjectForAnotherInterfaceOrWithoutSupport) {
  FakeObject supporting(true);
  set_thread_error(L"not for this interface");
  const _com_error other = issue(E_FAIL, &supporting, kSilentIid);
  EXPECT_EQ(other.Error(), E_FAIL);
  EXPECT_EQ(other.ErrorInfo(), nullptr);

  FakeObject plain(false);
  set_thread_error(L"object has no ISupportErrorInfo");
  const _com_error none = issue(E_ACCESSDENIED, &plain, kReportingIid);
  EXPECT_EQ(none.Error(), E_ACCESSDENIED);
  EXPECT_EQ(none.ErrorInfo(), nullptr);
  EXPECT_EQ(plain.references(), 1u);
  ::SetErrorInfo(0, nullptr);
}

TEST(ComPtrTest, UsingAnEmptyReferenceRaisesEPointer) {
  com_ptr<IUnknown> empty;
  try {
    empty->AddRef();
    FAIL() << "no exception";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
    EXPECT_EQ(e.ErrorInfo(), nullptr);
  }
}

TEST(ComPtrTest, CopiesAddReferencesAndEveryHolderReleasesItsOwn) {
  FakeObject object(false);
  {
    com_ptr<IUnknown> first = com_ptr<IUnknown>::copy(&object);
    EXPECT_EQ(object.references(), 2u);
    com_ptr<IUnknown> second = first;
    EXPECT_EQ(object.references(), 3u);
    com_ptr<IUnknown> moved = std::move(second);
    EXPECT_EQ(object.references(), 3u);
    com_ptr<ISupportErrorInfo> missing = first.try_query<ISupportErrorInfo>();
    EXPECT_FALSE(missing);
  }
  EXPECT_EQ(object.references(), 1u);
}

TEST(UniqueBstrTest, NullIsEmptyTextAndEmbeddedNullsSurvive) {
  unique_bstr none;
  EXPECT_EQ(none.text(), L"");
  const std::wstring with_null(L"a\0b", 3);
  unique_bstr held = unique_bstr::from(with_null);
  EXPECT_EQ(held.text(), with_null);
  EXPECT_EQ(::SysStringLen(held.get()), 3u);
}

TEST(TextConversionTest, RoundTripsThroughACodePage) {
  EXPECT_EQ(to_wide("caf\xE9", -1, 1252), L"caf\u00e9");
  EXPECT_EQ(to_narrow(L"caf\u00e9", -1, 1252), "caf\xE9");
  EXPECT_EQ(to_wide("\xE6\x9D\xB1\xE4\xBA\xAC", 6, CP_UTF8), L"\u6771\u4eac");
  EXPECT_EQ(to_wide(nullptr, -1, CP_ACP), L"");
  EXPECT_EQ(to_narrow(L"", -1, CP_ACP), "");
  EXPECT_EQ(to_wide("a\0b", 3, 1252), std::wstring(L"a\0b", 3));
}

TEST(TextConversionTest, FailedConversionRaisesCAtlExceptionFromLastError) {
  try {
    to_wide("text", -1, 12345);  // no such code page
    FAIL() << "no exception";
  } catch (const CAtlException& e) {
    EXPECT_EQ(static_cast<HRESULT>(e), static_cast<HRESULT>(0x80070057));  // invalid parameter
  }
  EXPECT_THROW(to_narrow(L"text", -1, 12345), CAtlException);
}

TEST(HresultFromWin32Test, FollowsTheLastErrorRule) {
  EXPECT_EQ(hresult_from_win32_error(126), static_cast<HRESULT>(0x8007007E));
  EXPECT_EQ(hresult_from_win32_error(0), 0);
  EXPECT_EQ(hresult_from_win32_error(0x12345678), static_cast<HRESULT>(0x80075678));
  EXPECT_EQ(hresult_from_win32_error(0x80004005), static_cast<HRESULT>(0x80004005));
  ::SetLastError(5);
  EXPECT_EQ(hresult_from_last_error(), static_cast<HRESULT>(0x80070005));
}

}  // namespace
}  // namespace qv
