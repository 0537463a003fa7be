// The simulated MAPI's compressed-RTF reader on damaged data, in process:
// truncated, bit-flipped and rewritten headers and bodies (with the CRC made
// right again, so that the tokens are read) from fixed seeds. Every case
// gives S_OK or MAPI_E_CORRUPT_DATA, never more output than the tokens can
// give, and the decompressing stream fails its reads with the same result.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "errors/com_holders.h"
#include "sim/mapi/message/memory_stream.h"
#include "sim/mapi/message/rtf_codec.h"
#include "sim/mapi/message/rtf_stream.h"

namespace qvsim::mapi {
namespace {

constexpr int kCases = 3000;

std::string rtf_text(std::mt19937& random) {
  static const char* const kPieces[] = {"{\\rtf1\\ansi", "\\par ",          "Hello, world",
                                        "{\\fonttbl}",   "\\b bold\\b0 ",   "}",
                                        "\\'e9",         "                "};
  std::string text;
  const int pieces = 1 + static_cast<int>(random() % 40);
  for (int i = 0; i < pieces; ++i) {
    text += kPieces[random() % std::size(kPieces)];
  }
  return text;
}

void put32(std::string& bytes, size_t offset, std::uint32_t value) {
  for (size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
    bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

// A damaged compressed-RTF value, by kind.
std::string damaged(std::mt19937& random, int kind) {
  std::string value = compress_rtf(
      rtf_text(random), random() % 4 == 0 ? RtfStorage::kUncompressed : RtfStorage::kCompressed);
  switch (kind) {
    case 0:  // cut short
      value.resize(random() % value.size());
      break;
    case 1: {  // a header field
      const std::uint32_t values[] = {0, 12, 0xFFFFFFFF, 0xCCCCCCCC,
                                      static_cast<std::uint32_t>(random())};
      put32(value, 4 * (random() % 4), values[random() % std::size(values)]);
      break;
    }
    default: {  // the body, with a matching CRC
      for (int i = 0, flips = 1 + static_cast<int>(random() % 6); i < flips && value.size() > 16;
           ++i) {
        value[16 + random() % (value.size() - 16)] ^= static_cast<char>(1 << (random() % 8));
      }
      put32(value, 12, rtf_crc(std::string_view(value).substr(16)));
      break;
    }
  }
  return value;
}

TEST(RtfReaderTest, DamagedValuesGiveTheRtfOrCorruptData) {
  std::mt19937 random(20240916);
  int corrupt = 0;
  int read = 0;
  for (int i = 0; i < kCases; ++i) {
    const std::string value = damaged(random, i % 3);
    const RtfDecompression result = decompress_rtf(value);
    ASSERT_TRUE(result.result == S_OK || result.result == MAPI_E_CORRUPT_DATA) << i;
    // A value cut short holds less than its header claims.
    if (i % 3 == 0) {
      ASSERT_EQ(result.result, MAPI_E_CORRUPT_DATA) << i;
    }
    // Each token gives at most 17 bytes; a raw value at most itself.
    ASSERT_LE(result.rtf.size(), value.size() * 17) << i;
    (result.result == S_OK ? read : corrupt) += 1;

    // The same through the decompressing stream.
    auto compressed =
        qv::com_ptr<IStream>::attach(MemoryStream::create(value, StreamBehaviour{}, false));
    qv::com_ptr<IStream> rtf;
    ASSERT_EQ(wrap_compressed_rtf_stream(compressed.get(), 0, rtf.put()), S_OK);
    std::string bytes;
    ASSERT_EQ(read_to_end(rtf.get(), &bytes), result.result) << i;
  }
  std::printf("damaged compressed RTF: %d cases, %d corrupt data, %d read, 0 crashes, 0 hangs\n",
              kCases, corrupt, read);
  EXPECT_GT(corrupt, 0);
  EXPECT_GT(read, 0);
}

}  // namespace
}  // namespace qvsim::mapi
