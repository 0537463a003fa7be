// The fixture of the tests that drive the simulated Outlook in-process, and
// the mailbox most of them use.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "tests/sim_outlook/outlook_client.h"
#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace qvsim::test {

// Two stores. Its EntryIDs are generated; the constants below are what the
// documented rule gives for them.
extern const char kTestMailbox[];

// The generated EntryIDs of kTestMailbox, as the object model shows them.
inline constexpr wchar_t kStore1Prefix[] = L"00000000C060E6C7837E670B39AE7BBFB2508561";
inline constexpr wchar_t kStore2Prefix[] = L"00000000C060E7C7837E68BED9E246D0FDFC0248";
std::wstring store1_entry_id(const wchar_t* identifier);  // prefix + identifier
std::wstring store2_entry_id(const wchar_t* identifier);

// Steps through the object model; each expects its calls to succeed.
qv::com_ptr<Selection> selection_of(_Application* application);
qv::com_ptr<IDispatch> selected(Selection* selection, int index);
qv::com_ptr<_NameSpace> namespace_of(_Application* application);
qv::com_ptr<_Folders> top_folders(_Application* application);
qv::com_ptr<_Items> items_of(MAPIFolder* folder);
qv::com_ptr<IDispatch> item_at(_Items* items, int index);
long count_of(_Folders* folders);
long count_of(_Items* items);

class OutlookSimTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { qv::test::register_outlook_sim(); }
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
  void TearDown() override { ::CoUninitialize(); }

  // Serves this description from now on (the first activation reads it).
  HRESULT use_mailbox(const std::string& description);
  // kTestMailbox with these members added or replaced.
  HRESULT use_test_mailbox_with(const nlohmann::json& members);

  // Connects; the test fails when that does not work.
  qv::com_ptr<_Application> connect();

  qv::test::TempDir dir_;
};

}  // namespace qvsim::test
