#include "sim/mapi/message/rtf_codec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace qvsim::mapi {
namespace {

constexpr std::uint32_t kCompressedMagic = 0x75465A4C;    // "LZFu"
constexpr std::uint32_t kUncompressedMagic = 0x414C454D;  // "MELA"
constexpr size_t kHeaderSize = 16;
constexpr size_t kDictionarySize = 4096;
constexpr size_t kMaxMatch = 17;  // 4 bits of length, plus 2

// The dictionary's initial contents.
constexpr char kPrologue[] =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern "
    "\\fscript \\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0"
    "\\blue0\r\n\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
constexpr size_t kPrologueSize = sizeof(kPrologue) - 1;
static_assert(kPrologueSize == 207, "the compressed-RTF prologue has 207 bytes");

std::uint32_t read_u32(std::string_view bytes, size_t offset) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void append_u32(std::string* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

const std::array<std::uint32_t, 256>& crc_table() {
  static const std::array<std::uint32_t, 256> kTable = [] {
    std::array<std::uint32_t, 256> result{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int bit = 0; bit < 8; ++bit) {
        c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
      }
      result[i] = c;
    }
    return result;
  }();
  return kTable;
}

class Dictionary {
 public:
  Dictionary() {
    std::memcpy(bytes_.data(), kPrologue, kPrologueSize);
    write_ = kPrologueSize;
    filled_ = kPrologueSize;
  }
  void put(char c) {
    bytes_[write_] = c;
    write_ = (write_ + 1) % kDictionarySize;
    if (filled_ < kDictionarySize) {
      ++filled_;
    }
  }
  char at(size_t position) const { return bytes_[position % kDictionarySize]; }
  size_t write_position() const { return write_; }
  // Positions that hold data: all of them once the ring is full.
  bool holds(size_t position) const { return filled_ == kDictionarySize || position < write_; }

 private:
  std::array<char, kDictionarySize> bytes_{};
  size_t write_ = 0;
  size_t filled_ = 0;
};

RtfDecompression corrupt() { return RtfDecompression{MAPI_E_CORRUPT_DATA, std::string()}; }

RtfDecompression expand_tokens(std::string_view data) {
  Dictionary dictionary;
  std::string out;
  size_t in = 0;
  while (in < data.size()) {
    const auto control = static_cast<unsigned char>(data[in++]);
    for (int bit = 0; bit < 8 && in < data.size(); ++bit) {
      if ((control & (1u << bit)) == 0) {
        out.push_back(data[in]);
        dictionary.put(data[in++]);
        continue;
      }
      if (in + 2 > data.size()) {
        return corrupt();
      }
      const unsigned reference =
          (static_cast<unsigned char>(data[in]) << 8) | static_cast<unsigned char>(data[in + 1]);
      in += 2;
      const size_t offset = reference >> 4;
      const size_t length = (reference & 0xF) + 2;
      if (offset == dictionary.write_position()) {
        return RtfDecompression{S_OK, std::move(out)};  // the end mark
      }
      for (size_t i = 0; i < length; ++i) {
        const char c = dictionary.at(offset + i);
        out.push_back(c);
        dictionary.put(c);
      }
    }
  }
  return RtfDecompression{S_OK, std::move(out)};  // data ran out without an end mark
}

// The longest match for rtf[from...] in the dictionary: {offset, length}.
std::pair<size_t, size_t> longest_match(const Dictionary& dictionary, std::string_view rtf,
                                        size_t from) {
  const size_t limit = std::min(kMaxMatch, rtf.size() - from);
  const size_t write = dictionary.write_position();
  size_t best_offset = 0;
  size_t best_length = 0;
  for (size_t offset = 0; offset < kDictionarySize && best_length < limit; ++offset) {
    if (offset == write || !dictionary.holds(offset)) {
      continue;
    }
    // Bytes at or past the write position are the ones this token writes.
    const size_t distance = (write + kDictionarySize - offset) % kDictionarySize;
    size_t length = 0;
    while (length < limit) {
      const char c =
          length < distance ? dictionary.at(offset + length) : rtf[from + length - distance];
      if (c != rtf[from + length]) {
        break;
      }
      ++length;
    }
    if (length > best_length) {
      best_offset = offset;
      best_length = length;
    }
  }
  return {best_offset, best_length};
}

std::string compress_tokens(std::string_view rtf) {
  Dictionary dictionary;
  std::string out;
  size_t from = 0;
  bool ended = false;
  while (!ended) {
    const size_t control_at = out.size();
    out.push_back('\0');
    unsigned control = 0;
    for (int bit = 0; bit < 8; ++bit) {
      if (from >= rtf.size()) {
        const unsigned end_mark = static_cast<unsigned>(dictionary.write_position() << 4);
        out.push_back(static_cast<char>(end_mark >> 8));
        out.push_back(static_cast<char>(end_mark & 0xFF));
        control |= 1u << bit;
        ended = true;
        break;
      }
      const auto [offset, length] = longest_match(dictionary, rtf, from);
      if (length >= 2) {
        const unsigned reference = static_cast<unsigned>((offset << 4) | (length - 2));
        out.push_back(static_cast<char>(reference >> 8));
        out.push_back(static_cast<char>(reference & 0xFF));
        control |= 1u << bit;
        for (size_t i = 0; i < length; ++i) {
          dictionary.put(rtf[from + i]);
        }
        from += length;
      } else {
        out.push_back(rtf[from]);
        dictionary.put(rtf[from++]);
      }
    }
    out[control_at] = static_cast<char>(control);
  }
  return out;
}

}  // namespace

std::uint32_t crc32_update(std::uint32_t crc, std::string_view bytes) {
  for (const char c : bytes) {
    crc = crc_table()[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
  }
  return crc;
}

std::uint32_t rtf_crc(std::string_view bytes) { return crc32_update(0, bytes); }

RtfDecompression decompress_rtf(std::string_view compressed) {
  if (compressed.size() < kHeaderSize) {
    return corrupt();
  }
  const std::uint32_t size = read_u32(compressed, 0);  // of everything after this field
  const std::uint32_t raw_size = read_u32(compressed, 4);
  const std::uint32_t magic = read_u32(compressed, 8);
  const std::uint32_t crc = read_u32(compressed, 12);
  if (size < kHeaderSize - 4 || size - (kHeaderSize - 4) > compressed.size() - kHeaderSize) {
    return corrupt();
  }
  const std::string_view data = compressed.substr(kHeaderSize, size - (kHeaderSize - 4));
  if (magic == kUncompressedMagic) {
    if (raw_size > data.size()) {
      return corrupt();
    }
    return RtfDecompression{S_OK, std::string(data.substr(0, raw_size))};
  }
  if (magic != kCompressedMagic || rtf_crc(data) != crc) {
    return corrupt();
  }
  return expand_tokens(data);
}

std::string compress_rtf(std::string_view rtf, RtfStorage storage) {
  const bool compressed = storage == RtfStorage::kCompressed;
  const std::string data = compressed ? compress_tokens(rtf) : std::string(rtf);
  std::string out;
  append_u32(&out, static_cast<std::uint32_t>(data.size() + kHeaderSize - 4));
  append_u32(&out, static_cast<std::uint32_t>(rtf.size()));
  append_u32(&out, compressed ? kCompressedMagic : kUncompressedMagic);
  append_u32(&out, compressed ? rtf_crc(data) : 0);
  out += data;
  return out;
}

}  // namespace qvsim::mapi
