#include "tests/hostile/damage.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "sim/mapi/message/rtf_codec.h"
#include "tests/support/text.h"

namespace qv::test {
namespace {

constexpr std::uint32_t kLastRegularSector = 0xFFFFFFF9;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr size_t kHeaderSize = 512;
constexpr size_t kEntrySize = 128;
constexpr size_t kMiniSectorSize = 64;
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kRtfHeaderSize = 16;

std::uint32_t get32(const std::string& bytes, size_t offset) {
  std::uint32_t value = 0;
  for (size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  }
  return value;
}

void put32(std::string& bytes, size_t offset, std::uint32_t value) {
  for (size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
    bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

std::string ascii(const std::u16string& name) {
  std::string text;
  for (const char16_t c : name) {
    text.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  }
  return text;
}

template <class T>
const T& pick(const std::vector<T>& choices, std::mt19937& random) {
  return choices[std::uniform_int_distribution<size_t>(0, choices.size() - 1)(random)];
}

size_t below(size_t n, std::mt19937& random) {
  return std::uniform_int_distribution<size_t>(0, n - 1)(random);
}

// A value that readers of a 32-bit field are likely to mishandle.
std::uint32_t hostile_value(std::uint32_t old, std::mt19937& random) {
  switch (below(8, random)) {
    case 0:
      return 0;
    case 1:
      return 0xFFFFFFFF;
    case 2:
      return 0xCCCCCCCC;  // 3.4 GB as a size
    case 3:
      return 0x7FFFFFFF;
    case 4:
      return old + 1;
    case 5:
      return old - 1;
    case 6:
      return old ^ (1u << below(32, random));
    default:
      return static_cast<std::uint32_t>(random());
  }
}

// Flips 1 to 8 random bits among the given file offsets.
std::string flip_bits(std::string& bytes, const std::vector<size_t>& offsets,
                      std::mt19937& random) {
  std::string what;
  const size_t flips = 1 + below(8, random);
  for (size_t i = 0; i < flips; ++i) {
    const size_t at = pick(offsets, random);
    const int bit = static_cast<int>(below(8, random));
    bytes[at] = static_cast<char>(bytes[at] ^ (1 << bit));
    what += (what.empty() ? "" : ",") + hex_constant(at) + "." + std::to_string(bit);
  }
  return "bits flipped at " + what;
}

std::vector<size_t> sector_bytes(const std::vector<size_t>& sectors, size_t sector_size,
                                 size_t file_size) {
  std::vector<size_t> offsets;
  for (const size_t sector : sectors) {
    for (size_t i = 0; i < sector_size && sector + i < file_size; ++i) {
      offsets.push_back(sector + i);
    }
  }
  return offsets;
}

}  // namespace

CompoundFileMap::CompoundFileMap(const std::string& bytes) : bytes_(bytes) {
  if (bytes.size() < kHeaderSize || get32(bytes, 0) != 0xE011CFD0u ||
      get32(bytes, 4) != 0xE11AB1A1u) {
    throw std::runtime_error("not a compound file");
  }
  const unsigned shift = static_cast<unsigned char>(bytes[0x1E]);
  if (shift != 9 && shift != 12) {
    throw std::runtime_error("unusual sector size");
  }
  sector_size_ = size_t{1} << shift;
  const auto sector_offset = [&](std::uint32_t sector) {
    return (static_cast<size_t>(sector) + 1) * sector_size_;
  };
  const std::uint32_t fat_count = get32(bytes, 0x2C);
  std::vector<std::uint32_t> fat;
  for (size_t i = 0; i < kHeaderDifatEntries && fat.size() < fat_count; ++i) {
    fat.push_back(get32(bytes, 0x4C + 4 * i));
  }
  std::uint32_t difat = get32(bytes, 0x44);
  for (size_t guard = 0; difat <= kLastRegularSector && fat.size() < fat_count && guard < 1024;
       ++guard) {
    const size_t at = sector_offset(difat);
    for (size_t i = 0; i + 1 < sector_size_ / 4 && fat.size() < fat_count; ++i) {
      fat.push_back(get32(bytes, at + 4 * i));
    }
    difat = get32(bytes, at + sector_size_ - 4);
  }
  for (const std::uint32_t sector : fat) {
    fat_sectors_.push_back(sector_offset(sector));
  }
  directory_sectors_ = chain(get32(bytes, 0x30));
  mini_cutoff_ = get32(bytes, 0x38);
  for (const size_t sector : chain(get32(bytes, 0x3C))) {
    for (size_t i = 0; i < sector_size_ / 4; ++i) {
      mini_fat_.push_back(get32(bytes, sector + 4 * i));
    }
  }
  const bool version4 = get32(bytes, 0x18) >> 16 == 4;
  for (const size_t sector : directory_sectors_) {
    for (size_t at = sector;
         at + kEntrySize <= sector + sector_size_ && at + kEntrySize <= bytes.size();
         at += kEntrySize) {
      Entry entry;
      const size_t name_bytes = std::min<size_t>(64, get32(bytes, at + 0x40) & 0xFFFF);
      for (size_t i = 0; i + 2 < name_bytes && i + 1 < 64; i += 2) {
        entry.name.push_back(
            static_cast<char16_t>(static_cast<unsigned char>(bytes[at + i]) |
                                  (static_cast<unsigned char>(bytes[at + i + 1]) << 8)));
      }
      entry.type = static_cast<std::uint8_t>(bytes[at + 0x42]);
      entry.offset = at;
      entry.size = get32(bytes, at + 0x78);
      if (version4) {
        entry.size |= static_cast<std::uint64_t>(get32(bytes, at + 0x7C)) << 32;
      }
      entries_.push_back(std::move(entry));
    }
  }
  if (!entries_.empty()) {
    mini_stream_sectors_ = chain(get32(bytes, entries_[0].offset + 0x74));
  }
}

std::uint32_t CompoundFileMap::next(std::uint32_t sector) const {
  const size_t per_sector = sector_size_ / 4;
  const size_t index = sector / per_sector;
  return index < fat_sectors_.size()
             ? get32(bytes_, fat_sectors_[index] + 4 * (sector % per_sector))
             : kEndOfChain;
}

std::vector<size_t> CompoundFileMap::chain(std::uint32_t first_sector) const {
  std::vector<size_t> sectors;
  const size_t limit = bytes_.size() / sector_size_ + 1;
  for (std::uint32_t sector = first_sector; sector <= kLastRegularSector && sectors.size() < limit;
       sector = next(sector)) {
    const size_t offset = (static_cast<size_t>(sector) + 1) * sector_size_;
    if (offset >= bytes_.size()) {
      break;
    }
    sectors.push_back(offset);
  }
  return sectors;
}

std::vector<const CompoundFileMap::Entry*> CompoundFileMap::named(
    const std::u16string& name) const {
  std::vector<const Entry*> found;
  for (const Entry& entry : entries_) {
    if (entry.type == 2 && entry.name == name) {
      found.push_back(&entry);
    }
  }
  return found;
}

std::vector<size_t> CompoundFileMap::stream_bytes(const Entry& entry) const {
  std::vector<size_t> offsets;
  const std::uint32_t first = get32(bytes_, entry.offset + 0x74);
  if (entry.size >= mini_cutoff_) {
    for (const size_t sector : chain(first)) {
      for (size_t i = 0; i < sector_size_ && offsets.size() < entry.size; ++i) {
        offsets.push_back(sector + i);
      }
    }
    return offsets;
  }
  for (std::uint32_t mini = first; mini <= kLastRegularSector && offsets.size() < entry.size;
       mini = mini < mini_fat_.size() ? mini_fat_[mini] : kEndOfChain) {
    const size_t position = static_cast<size_t>(mini) * kMiniSectorSize;
    if (position / sector_size_ >= mini_stream_sectors_.size()) {
      break;
    }
    const size_t at = mini_stream_sectors_[position / sector_size_] + position % sector_size_;
    for (size_t i = 0; i < kMiniSectorSize && offsets.size() < entry.size; ++i) {
      offsets.push_back(at + i);
    }
  }
  return offsets;
}

const char* target_name(DamageTarget target) {
  switch (target) {
    case DamageTarget::kTruncation:
      return "truncation";
    case DamageTarget::kHeader:
      return "header";
    case DamageTarget::kFat:
      return "FAT";
    case DamageTarget::kDirectory:
      return "directory";
    case DamageTarget::kProperties:
      return "property stream";
    case DamageTarget::kNamedMap:
      return "named-property mapping";
    case DamageTarget::kRtfHeader:
      return "compressed RTF header";
    case DamageTarget::kRtfBody:
      return "compressed RTF body";
  }
  return "?";
}

bool damage(std::string& bytes, DamageTarget target, std::mt19937& random,
            std::string& description) {
  const CompoundFileMap map(bytes);
  const size_t sector = map.sector_size();
  switch (target) {
    case DamageTarget::kTruncation: {
      const size_t choices[] = {below(kHeaderSize, random),
                                kHeaderSize + below(bytes.size() - kHeaderSize, random),
                                bytes.size() - sector * (1 + below(4, random)), bytes.size() - 1};
      const size_t size = std::min(bytes.size() - 1, choices[below(4, random)]);
      description =
          "cut to " + std::to_string(size) + " of " + std::to_string(bytes.size()) + " bytes";
      bytes.resize(size);
      return true;
    }
    case DamageTarget::kHeader: {
      std::vector<size_t> fields = {0x1E, 0x2C, 0x30, 0x38, 0x3C, 0x40, 0x44, 0x48};
      for (size_t i = 0; i < map.fat_sectors().size() && i < kHeaderDifatEntries; ++i) {
        fields.push_back(0x4C + 4 * i);
      }
      const size_t field = pick(fields, random);
      const std::uint32_t value = field == 0x1E ? static_cast<std::uint32_t>(below(32, random))
                                                : hostile_value(get32(bytes, field), random);
      if (field == 0x1E) {
        bytes[field] = static_cast<char>(value);
      } else {
        put32(bytes, field, value);
      }
      description = "header field " + hex_constant(field) + " = " + hex_constant(value);
      return true;
    }
    case DamageTarget::kFat: {
      if (below(3, random) == 0) {
        description =
            "FAT " +
            flip_bits(bytes, sector_bytes(map.fat_sectors(), sector, bytes.size()), random);
        return true;
      }
      // A link of a real chain: to itself or back to the chain's start (a
      // loop), to the end (a chain cut short), or anywhere.
      std::vector<std::vector<size_t>> chains = {map.directory_sectors()};
      for (const auto& entry : map.entries()) {
        if ((entry.type == 2 && entry.size >= 4096) || entry.type == 5) {
          chains.push_back(map.chain(get32(bytes, entry.offset + 0x74)));
        }
      }
      const std::vector<size_t>& links = pick(chains, random);
      if (links.empty()) {
        return false;
      }
      const size_t index = below(links.size(), random);
      const auto number = static_cast<std::uint32_t>(links[index] / sector - 1);
      const size_t per_sector = sector / 4;
      if (number / per_sector >= map.fat_sectors().size()) {
        return false;
      }
      const size_t at = map.fat_sectors()[number / per_sector] + 4 * (number % per_sector);
      const std::uint32_t first = static_cast<std::uint32_t>(links[0] / sector - 1);
      const std::uint32_t choices[] = {number, first, kEndOfChain, 0xFFFFFFFF,
                                       static_cast<std::uint32_t>(random())};
      const std::uint32_t value = choices[below(5, random)];
      put32(bytes, at, value);
      description = "FAT link of sector " + std::to_string(number) + " (link " +
                    std::to_string(index) + " of " + std::to_string(links.size()) +
                    ") = " + hex_constant(value);
      return true;
    }
    case DamageTarget::kDirectory: {
      std::vector<size_t> used;
      for (size_t i = 0; i < map.entries().size(); ++i) {
        if (map.entries()[i].type != 0) {
          used.push_back(i);
        }
      }
      if (used.empty()) {
        return false;
      }
      const size_t index = pick(used, random);
      const CompoundFileMap::Entry& entry = map.entries()[index];
      struct Field {
        const char* name;
        size_t offset;
      };
      static const Field kFields[] = {{"left sibling", 0x44}, {"right sibling", 0x48},
                                      {"child", 0x4C},        {"first sector", 0x74},
                                      {"stream size", 0x78},  {"name length", 0x40},
                                      {"object type", 0x42}};
      const Field& field = kFields[below(std::size(kFields), random)];
      std::uint32_t value = 0;
      if (field.offset == 0x44 || field.offset == 0x48 || field.offset == 0x4C) {
        // Itself or the root: a loop in the directory's tree.
        const std::uint32_t choices[] = {
            static_cast<std::uint32_t>(index), 0, 0xFFFFFFFF,
            static_cast<std::uint32_t>(below(map.entries().size() + 4, random))};
        value = choices[below(4, random)];
        put32(bytes, entry.offset + field.offset, value);
      } else if (field.offset == 0x40 || field.offset == 0x42) {
        value = static_cast<std::uint32_t>(random()) & (field.offset == 0x40 ? 0xFFFF : 0xFF);
        bytes[entry.offset + field.offset] = static_cast<char>(value & 0xFF);
        if (field.offset == 0x40) {
          bytes[entry.offset + field.offset + 1] = static_cast<char>(value >> 8);
        }
      } else {
        value = hostile_value(get32(bytes, entry.offset + field.offset), random);
        put32(bytes, entry.offset + field.offset, value);
      }
      description = "directory entry " + std::to_string(index) + " (" + ascii(entry.name) + ") " +
                    field.name + " = " + hex_constant(value);
      return true;
    }
    case DamageTarget::kProperties:
    case DamageTarget::kNamedMap: {
      std::vector<const CompoundFileMap::Entry*> streams;
      if (target == DamageTarget::kProperties) {
        streams = map.named(u"__properties_version1.0");
      } else {
        for (const char16_t* name :
             {u"__substg1.0_00020102", u"__substg1.0_00030102", u"__substg1.0_00040102"}) {
          for (const auto* entry : map.named(name)) {
            streams.push_back(entry);
          }
        }
      }
      if (streams.empty()) {
        return false;
      }
      const CompoundFileMap::Entry& entry = *pick(streams, random);
      const std::vector<size_t> offsets = map.stream_bytes(entry);
      if (offsets.size() < 4) {
        return false;
      }
      std::string what;
      if (below(2, random) == 0) {
        what = flip_bits(bytes, offsets, random);
      } else {
        // A whole 32-bit field (a tag, a size, an identifier or an index).
        const size_t field = 4 * below(offsets.size() / 4, random);
        const std::uint32_t value = hostile_value(0, random);
        for (size_t i = 0; i < 4; ++i) {
          bytes[offsets[field + i]] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
        what = "field at " + std::to_string(field) + " = " + hex_constant(value);
      }
      description = ascii(entry.name) + " " + what;
      return true;
    }
    case DamageTarget::kRtfHeader:
    case DamageTarget::kRtfBody: {
      const auto streams = map.named(u"__substg1.0_10090102");
      if (streams.empty()) {
        return false;
      }
      const std::vector<size_t> offsets = map.stream_bytes(*pick(streams, random));
      if (offsets.size() <= kRtfHeaderSize) {
        return false;
      }
      const auto read = [&](size_t position) {
        std::uint32_t value = 0;
        for (size_t i = 0; i < 4; ++i) {
          value |=
              static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offsets[position + i]]))
              << (8 * i);
        }
        return value;
      };
      const auto write = [&](size_t position, std::uint32_t value) {
        for (size_t i = 0; i < 4; ++i) {
          bytes[offsets[position + i]] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
      };
      if (target == DamageTarget::kRtfHeader) {
        static const char* const kNames[] = {"size", "raw size", "magic", "CRC"};
        const size_t field = below(4, random);
        const std::uint32_t value = hostile_value(read(4 * field), random);
        write(4 * field, value);
        description = std::string("compressed RTF ") + kNames[field] + " = " + hex_constant(value);
        return true;
      }
      // The body, then a CRC that matches it, so that the tokens are read.
      const std::vector<size_t> body(offsets.begin() + kRtfHeaderSize, offsets.end());
      description = "compressed RTF body " + flip_bits(bytes, body, random);
      const size_t length = std::min<size_t>(body.size(), read(0) >= 12 ? read(0) - 12 : 0);
      std::string data;
      for (size_t i = 0; i < length; ++i) {
        data.push_back(bytes[body[i]]);
      }
      write(12, qvsim::mapi::rtf_crc(data));
      return true;
    }
  }
  return false;
}

}  // namespace qv::test
