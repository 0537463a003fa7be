// The MAPI32 utility routines that are not about messages, and the
// library's exports as the product finds them.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/sim_mapi/mapi32_library.h"

namespace qvsim::mapi::test {
namespace {

struct NamedOrdinal {
  const char* name;
  WORD ordinal;
};

constexpr NamedOrdinal kOrdinalRoutines[] = {
    {"MAPIAllocateBuffer", 13}, {"MAPIAllocateMore", 15}, {"MAPIFreeBuffer", 17},
    {"FBinFromHex", 44},        {"HexFromBin", 45},       {"MAPIGetDefaultMalloc", 59},
    {"HrGetOneProp", 135},      {"FreeProws", 140},       {"WrapCompressedRTFStream", 185},
    {"OpenIMsgOnIStg", 198},
};

TEST(Mapi32ExportsTest, OrdinalRoutinesAreExportedByOrdinalAndByName) {
  const Mapi32& mapi = Mapi32::get();
  for (const NamedOrdinal& routine : kOrdinalRoutines) {
    SCOPED_TRACE(routine.name);
    ASSERT_NE(mapi.by_ordinal(routine.ordinal), nullptr);
    EXPECT_EQ(mapi.by_ordinal(routine.ordinal), mapi.by_name(routine.name));
  }
  for (const char* name :
       {"MAPIInitialize", "MAPIUninitialize", "MAPIAdminProfiles", "MAPILogonEx"}) {
    EXPECT_NE(mapi.by_name(name), nullptr) << name;
  }
}

class MemoryTest : public ::testing::Test {
 protected:
  static std::uint64_t outstanding() {
    return report()["mapi_allocations_outstanding"].get<std::uint64_t>();
  }
  static std::uint64_t linked() {
    return report()["mapi_linked_allocations_outstanding"].get<std::uint64_t>();
  }
  const Mapi32& mapi_ = Mapi32::get();
};

TEST_F(MemoryTest, FreeingABufferFreesWhatIsLinkedToIt) {
  const std::uint64_t buffers_before = outstanding();
  const std::uint64_t linked_before = linked();
  void* parent = nullptr;
  ASSERT_EQ(mapi_.allocate_buffer(64, &parent), S_OK);
  void* child = nullptr;
  void* grandchild = nullptr;
  ASSERT_EQ(mapi_.allocate_more(32, parent, &child), S_OK);
  ASSERT_EQ(mapi_.allocate_more(16, child, &grandchild), S_OK);  // links to the same buffer
  std::memset(parent, 1, 64);
  std::memset(child, 2, 32);
  std::memset(grandchild, 3, 16);
  EXPECT_EQ(outstanding(), buffers_before + 1);
  EXPECT_EQ(linked(), linked_before + 2);
  EXPECT_EQ(mapi_.free_buffer(parent), S_OK);
  EXPECT_EQ(outstanding(), buffers_before);
  EXPECT_EQ(linked(), linked_before);
}

TEST_F(MemoryTest, LinkedBuffersAreNotFreedOnTheirOwn) {
  void* parent = nullptr;
  void* child = nullptr;
  ASSERT_EQ(mapi_.allocate_buffer(8, &parent), S_OK);
  ASSERT_EQ(mapi_.allocate_more(8, parent, &child), S_OK);
  const std::uint64_t linked_before = linked();
  EXPECT_EQ(mapi_.free_buffer(child), static_cast<ULONG>(MAPI_E_INVALID_PARAMETER));
  EXPECT_EQ(linked(), linked_before);
  EXPECT_EQ(mapi_.free_buffer(parent), S_OK);
  EXPECT_EQ(mapi_.free_buffer(nullptr), S_OK);
}

TEST_F(MemoryTest, AllocateMoreNeedsAParent) {
  void* buffer = reinterpret_cast<void*>(1);
  EXPECT_EQ(mapi_.allocate_more(8, nullptr, &buffer), MAPI_E_INVALID_PARAMETER);
  EXPECT_EQ(buffer, nullptr);
}

TEST_F(MemoryTest, DefaultMallocAllocatesAndGoesAwayWithItsLastRelease) {
  const std::size_t live_before = report()["live_objects"].size();
  IMalloc* malloc = mapi_.get_default_malloc();
  ASSERT_NE(malloc, nullptr);
  void* memory = malloc->Alloc(100);
  ASSERT_NE(memory, nullptr);
  EXPECT_GE(malloc->GetSize(memory), 100u);
  malloc->Free(memory);
  EXPECT_EQ(report()["live_objects"].size(), live_before + 1);
  malloc->Release();
  EXPECT_EQ(report()["live_objects"].size(), live_before);
}

TEST(HexTest, DigitsOfEitherCaseBecomeBytes) {
  const Mapi32& mapi = Mapi32::get();
  BYTE bytes[4] = {};
  char upper[] = "00ABcd7F";
  EXPECT_TRUE(mapi.bin_from_hex(upper, bytes));
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[1], 0xAB);
  EXPECT_EQ(bytes[2], 0xCD);
  EXPECT_EQ(bytes[3], 0x7F);
}

TEST(HexTest, ANonHexPairStopsTheConversion) {
  const Mapi32& mapi = Mapi32::get();
  BYTE bytes[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  char text[] = "01G203";
  EXPECT_FALSE(mapi.bin_from_hex(text, bytes));
  EXPECT_EQ(bytes[0], 0x01);
  EXPECT_EQ(bytes[1], 0xEE);  // neither the bad pair nor what follows is written
  EXPECT_EQ(bytes[2], 0xEE);
  BYTE odd[2] = {0xEE, 0xEE};
  char three_digits[] = "ABC";
  EXPECT_FALSE(mapi.bin_from_hex(three_digits, odd));
  EXPECT_EQ(odd[0], 0xAB);
  EXPECT_EQ(odd[1], 0xEE);
}

TEST(HexTest, BytesBecomeUpperCaseDigitsAndATerminator) {
  const Mapi32& mapi = Mapi32::get();
  BYTE bytes[] = {0x00, 0xAB, 0x5f, 0xFF};
  char text[16];
  std::memset(text, 'x', sizeof text);
  mapi.hex_from_bin(bytes, 4, text);
  EXPECT_STREQ(text, "00AB5FFF");
  mapi.hex_from_bin(bytes, 0, text);
  EXPECT_STREQ(text, "");
}

TEST(HrGetOnePropTest, GivesOneAllocatedValueOrTheErrorOfAMissingOne) {
  const Mapi32& mapi = Mapi32::get();
  MemoryMessage m = new_memory_message();
  ASSERT_EQ(set_long(m.message.get(), PR_PRIORITY, 2), S_OK);
  const std::uint64_t before = report()["mapi_allocations_outstanding"].get<std::uint64_t>();
  LPSPropValue value = nullptr;
  ASSERT_EQ(mapi.get_one_prop(m.message.get(), PR_PRIORITY, &value), S_OK);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->ulPropTag, static_cast<ULONG>(PR_PRIORITY));
  EXPECT_EQ(value->Value.l, 2);
  EXPECT_EQ(report()["mapi_allocations_outstanding"].get<std::uint64_t>(), before + 1);
  mapi.free_buffer(value);
  value = reinterpret_cast<LPSPropValue>(1);
  EXPECT_EQ(mapi.get_one_prop(m.message.get(), PROP_TAG(PT_MV_UNICODE, 0x8539), &value),
            MAPI_E_NOT_FOUND);
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(report()["mapi_allocations_outstanding"].get<std::uint64_t>(), before);
}

}  // namespace
}  // namespace qvsim::mapi::test
