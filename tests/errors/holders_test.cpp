#include "errors/unique_any.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "errors/com_holders.h"

namespace qv {
namespace {

// Three handles and a close function that records what it closes.
int g_handles[3];
std::vector<int*> g_closed;
void close_fake(int* handle) { g_closed.push_back(handle); }

using Holder = unique_any<int*, &close_fake>;
int* const kFirst = &g_handles[0];
int* const kSecond = &g_handles[1];
int* const kFilled = &g_handles[2];

struct HolderCase {
  const char* name;
  std::function<void(Holder& a, Holder& b)> act;  // a holds kFirst, b kSecond
  std::vector<int*> closed;                       // by the act, in order
  int* a_after;
  int* b_after;
};

TEST(UniqueAnyTest, EachOperationClosesWhatItGivesUpExactlyOnce) {
  const HolderCase cases[] = {
      {"move construction",
       [](Holder& a, Holder&) { Holder taken(std::move(a)); },
       {kFirst},
       nullptr,
       kSecond},
      {"move assignment",
       [](Holder& a, Holder& b) { b = std::move(a); },
       {kSecond},
       nullptr,
       kFirst},
      {"release", [](Holder& a, Holder&) { EXPECT_EQ(a.release(), kFirst); }, {}, nullptr, kSecond},
      {"reset twice",
       [](Holder& a, Holder&) {
         a.reset();
         a.reset();
       },
       {kFirst},
       nullptr,
       kSecond},
      {"reset to another",
       [](Holder& a, Holder&) { a.reset(kFilled); },
       {kFirst},
       kFilled,
       kSecond},
      {"put", [](Holder& a, Holder&) { *a.put() = kFilled; }, {kFirst}, kFilled, kSecond},
  };
  for (const HolderCase& c : cases) {
    SCOPED_TRACE(c.name);
    Holder a(kFirst);
    Holder b(kSecond);
    g_closed.clear();
    c.act(a, b);
    EXPECT_EQ(g_closed, c.closed);
    EXPECT_EQ(a.get(), c.a_after);
    EXPECT_EQ(b.get(), c.b_after);
    EXPECT_EQ(static_cast<bool>(a), c.a_after != nullptr);
  }
}

TEST(UniqueAnyTest, AnInvalidValueOtherThanNullIsEmptyAndNeverClosed) {
  g_closed.clear();
  {
    unique_any<int*, &close_fake, -1> holder;
    EXPECT_FALSE(holder);
    EXPECT_EQ(holder.get(), reinterpret_cast<int*>(-1));
    holder.reset(nullptr);  // null is a value like any other here
    EXPECT_TRUE(holder);
  }
  EXPECT_EQ(g_closed, std::vector<int*>{nullptr});
}

// An object that supports ISupportErrorInfo, fails QueryInterface for
// IDispatch with E_ACCESSDENIED and for anything else with E_NOINTERFACE.
class CountedObject : public ISupportErrorInfo {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_ISupportErrorInfo) {
      *out = static_cast<ISupportErrorInfo*>(this);
      AddRef();
      return S_OK;
    }
    return iid == IID_IDispatch ? E_ACCESSDENIED : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return --references; }
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID) noexcept override { return S_OK; }

  ULONG references = 1;
};

HRESULT raised_by(const std::function<void()>& call) {
  try {
    call();
  } catch (const _com_error& error) {
    return error.Error();
  }
  return S_OK;
}

TEST(ComPtrTest, QueriesTakeTheInterfaceFromTheTypeAndRaiseWhatQueryInterfaceGives) {
  CountedObject object;
  const auto held = com_ptr<IUnknown>::copy(&object);
  const com_ptr<IUnknown> empty;
  EXPECT_EQ(held.try_query<ISupportErrorInfo>().get(), &object);
  EXPECT_FALSE(held.try_query<IDispatch>());
  EXPECT_FALSE(empty.try_query<IDispatch>());
  EXPECT_EQ(held.query<ISupportErrorInfo>().get(), &object);
  EXPECT_EQ(raised_by([&] { held.query<IDispatch>(); }), E_ACCESSDENIED);
  EXPECT_EQ(raised_by([&] { held.query<IErrorInfo>(); }), E_NOINTERFACE);
  EXPECT_EQ(raised_by([&] { empty.query<IDispatch>(); }), E_POINTER);
  EXPECT_EQ(raised_by([&] { empty.get_checked(); }), E_POINTER);
  EXPECT_EQ(object.references, 2u);  // only held's
}

TEST(ComPtrTest, ReleaseGivesUpTheReferenceWithoutReleasingIt) {
  CountedObject object;
  auto held = com_ptr<ISupportErrorInfo>::copy(&object);
  ISupportErrorInfo* given = held.release();
  EXPECT_FALSE(held);
  EXPECT_EQ(given, &object);
  EXPECT_EQ(object.references, 2u);
  const auto adopted = com_ptr<ISupportErrorInfo>::attach(given);
  EXPECT_EQ(object.references, 2u);
}

TEST(UniqueVariantTest, PositionsAndOmittedArgumentsHaveTheTypesOutlookTakes) {
  const unique_variant position = unique_variant::position(7);
  EXPECT_EQ(position.type(), VT_INT);
  EXPECT_EQ(position.value().intVal, 7);
  const unique_variant omitted = unique_variant::omitted();
  EXPECT_EQ(omitted.type(), VT_ERROR);
  EXPECT_EQ(omitted.value().scode, DISP_E_PARAMNOTFOUND);
}

TEST(UniqueVariantTest, MovesAndReleaseLeaveTheSourceEmpty) {
  unique_variant text;
  text.get()->vt = VT_BSTR;
  text.get()->bstrVal = unique_bstr::from(L"held").release();
  unique_variant moved(std::move(text));
  EXPECT_EQ(text.type(), VT_EMPTY);
  unique_variant assigned;
  assigned = std::move(moved);
  EXPECT_EQ(moved.type(), VT_EMPTY);
  VARIANT given = assigned.release();
  EXPECT_EQ(assigned.type(), VT_EMPTY);
  EXPECT_EQ(bstr_text(given.bstrVal), L"held");  // still alive: nothing cleared it
  EXPECT_EQ(::VariantClear(&given), S_OK);
}

}  // namespace
}  // namespace qv
