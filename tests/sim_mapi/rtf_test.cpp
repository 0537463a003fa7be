// WrapCompressedRTFStream: decompression, and writing through MAPI_MODIFY
// (compressed, or stored uncompressed with STORE_UNCOMPRESSED_RTF).
#include <gtest/gtest.h>

#include "tests/sim_mapi/mapi32_library.h"

namespace qvsim::mapi::test {
namespace {

const char kRtf[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\pard\\plain\\f0\\fs20 "
    "Hello, hello, hello world. Repeated text compresses: abcabcabcabcabcabcabc.\\par}\r\n";

class RtfTest : public ::testing::Test {
 protected:
  // A stream in global memory holding bytes.
  static qv::com_ptr<IStream> memory_stream(const std::string& bytes) {
    qv::com_ptr<IStream> stream;
    EXPECT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
    ULONG written = 0;
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
  }

  static std::string contents(IStream* stream) {
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    std::string bytes;
    read_chunks(stream, &bytes, 4096);
    return bytes;
  }

  // Compressed RTF written through WrapCompressedRTFStream(MAPI_MODIFY).
  std::string compress(const std::string& rtf, ULONG flags = MAPI_MODIFY) {
    qv::com_ptr<IStream> target = memory_stream(std::string());
    qv::com_ptr<IStream> writer;
    EXPECT_EQ(mapi_.wrap_rtf(target.get(), flags, writer.put()), S_OK);
    ULONG written = 0;
    EXPECT_EQ(writer->Write(rtf.data(), static_cast<ULONG>(rtf.size()), &written), S_OK);
    EXPECT_EQ(writer->Commit(STGC_DEFAULT), S_OK);
    return contents(target.get());
  }

  std::string decompress(const std::string& compressed, HRESULT* result) {
    qv::com_ptr<IStream> source = memory_stream(compressed);
    qv::com_ptr<IStream> reader;
    EXPECT_EQ(mapi_.wrap_rtf(source.get(), 0, reader.put()), S_OK);
    std::string rtf;
    *result = read_chunks(reader.get(), &rtf);
    return rtf;
  }

  const Mapi32& mapi_ = Mapi32::get();
};

TEST_F(RtfTest, WrittenRtfIsCompressedAndReadsBack) {
  const std::string compressed = compress(kRtf);
  EXPECT_EQ(compressed.substr(8, 4), "LZFu");
  EXPECT_LT(compressed.size(), sizeof kRtf - 1 + 16);
  HRESULT result = E_FAIL;
  EXPECT_EQ(decompress(compressed, &result), kRtf);
  EXPECT_EQ(result, S_OK);
}

TEST_F(RtfTest, StoreUncompressedWritesTheRawVariant) {
  const std::string stored = compress(kRtf, MAPI_MODIFY | STORE_UNCOMPRESSED_RTF);
  EXPECT_EQ(stored.substr(8, 4), "MELA");
  EXPECT_EQ(stored.substr(16), kRtf);
  HRESULT result = E_FAIL;
  EXPECT_EQ(decompress(stored, &result), kRtf);
}

TEST_F(RtfTest, ADamagedBodyFailsItsCrc) {
  std::string compressed = compress(kRtf);
  compressed[compressed.size() / 2] ^= 0x55;
  HRESULT result = S_OK;
  decompress(compressed, &result);
  EXPECT_EQ(result, MAPI_E_CORRUPT_DATA);
}

TEST_F(RtfTest, StatGivesTheSizeOfTheRtf) {
  qv::com_ptr<IStream> source = memory_stream(compress(kRtf));
  qv::com_ptr<IStream> reader;
  ASSERT_EQ(mapi_.wrap_rtf(source.get(), 0, reader.put()), S_OK);
  STATSTG stat{};
  ASSERT_EQ(reader->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, sizeof kRtf - 1);
}

TEST_F(RtfTest, ABodyStreamThatReadsShortIsReadWhole) {
  MemoryMessage m = new_memory_message();
  ASSERT_EQ(set_binary(m.message.get(), PR_RTF_COMPRESSED, compress(kRtf)), S_OK);
  ASSERT_EQ(mapi_.set_message_options(m.message.get(),
                                      R"({"stream": {"max_read": 7, "stat_fails": true}})"),
            S_OK);
  qv::com_ptr<IStream> source =
      open_property_stream(m.message.get(), PR_RTF_COMPRESSED, MAPI_DEFERRED_ERRORS);
  ASSERT_TRUE(source);
  qv::com_ptr<IStream> reader;
  ASSERT_EQ(mapi_.wrap_rtf(source.get(), 0, reader.put()), S_OK);
  std::string rtf;
  EXPECT_EQ(read_chunks(reader.get(), &rtf), S_OK);
  EXPECT_EQ(rtf, kRtf);
}

TEST_F(RtfTest, UnknownFlagsAreRefused) {
  qv::com_ptr<IStream> source = memory_stream(compress(kRtf));
  IStream* reader = reinterpret_cast<IStream*>(1);
  EXPECT_EQ(mapi_.wrap_rtf(source.get(), 0x100, &reader), MAPI_E_UNKNOWN_FLAGS);
  EXPECT_EQ(reader, nullptr);
}

}  // namespace
}  // namespace qvsim::mapi::test
