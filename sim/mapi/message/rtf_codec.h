// Compressed RTF, the format of PR_RTF_COMPRESSED: a 16-byte header (size of
// what follows the first field, raw size, "LZFu" or "MELA", CRC) followed by
// LZ77 tokens over a 4096-byte ring dictionary that starts with a fixed RTF
// prologue ("LZFu"), or by the raw bytes ("MELA").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sim/mapi/base/mapi_platform.h"

namespace qvsim::mapi {

enum class RtfStorage { kCompressed, kUncompressed };

struct RtfDecompression {
  HRESULT result = S_OK;  // MAPI_E_CORRUPT_DATA for a bad header, CRC or token stream
  std::string rtf;
};

// The RTF of a compressed-RTF value. The CRC of "LZFu" data is checked.
RtfDecompression decompress_rtf(std::string_view compressed);

// The compressed-RTF value of rtf: "LZFu" with kCompressed, "MELA" with
// kUncompressed.
std::string compress_rtf(std::string_view rtf, RtfStorage storage = RtfStorage::kCompressed);

// The CRC-32 of compressed RTF: the usual reflected polynomial 0xEDB88320,
// started at 0 and not inverted at the end.
std::uint32_t rtf_crc(std::string_view bytes);

// One step of that CRC from a given start value, without inversions (the
// common CRC-32 is ~crc32_update(0xFFFFFFFF, bytes)).
std::uint32_t crc32_update(std::uint32_t crc, std::string_view bytes);

}  // namespace qvsim::mapi
