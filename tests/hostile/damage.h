// Damaged copies of compound files (.msg): a map of where a file keeps its
// allocation table, its directory and each stream's bytes ([MS-CFB]), and
// mutations aimed at each of them, drawn from a fixed seed.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace qv::test {

// Where the parts of a compound file lie.
class CompoundFileMap {
 public:
  struct Entry {
    std::u16string name;
    std::uint8_t type = 0;   // 1 storage, 2 stream, 5 root
    size_t offset = 0;       // of the 128-byte entry in the file
    std::uint64_t size = 0;  // of a stream
  };

  // Throws std::runtime_error when bytes are not a compound file.
  explicit CompoundFileMap(const std::string& bytes);

  size_t sector_size() const { return sector_size_; }
  // File offsets of the allocation table's sectors and of the directory's.
  const std::vector<size_t>& fat_sectors() const { return fat_sectors_; }
  const std::vector<size_t>& directory_sectors() const { return directory_sectors_; }
  // File offsets of the sectors of a stream's chain, in order.
  std::vector<size_t> chain(std::uint32_t first_sector) const;
  const std::vector<Entry>& entries() const { return entries_; }
  // The entries of that name (every storage's, in directory order).
  std::vector<const Entry*> named(const std::u16string& name) const;
  // The file offset of each byte of a stream, in order.
  std::vector<size_t> stream_bytes(const Entry& entry) const;

 private:
  std::uint32_t next(std::uint32_t sector) const;

  const std::string& bytes_;
  size_t sector_size_ = 512;
  std::vector<size_t> fat_sectors_;
  std::vector<size_t> directory_sectors_;
  std::vector<std::uint32_t> mini_fat_;
  std::vector<size_t> mini_stream_sectors_;
  std::uint32_t mini_cutoff_ = 4096;
  std::vector<Entry> entries_;
};

// The parts of a .msg file that a mutation aims at.
enum class DamageTarget {
  kTruncation,  // the file cut short
  kHeader,      // the compound file's header
  kFat,         // the allocation table: chains that end early, cross or loop
  kDirectory,   // the directory: sizes, first sectors, links between entries
  kProperties,  // a __properties_version1.0 stream
  kNamedMap,    // the named-property mapping streams of __nameid_version1.0
  kRtfHeader,   // the 16-byte header of the compressed RTF body
  kRtfBody,     // the compressed RTF body, with its CRC made right again
};

inline constexpr DamageTarget kDamageTargets[] = {
    DamageTarget::kTruncation, DamageTarget::kHeader,     DamageTarget::kFat,
    DamageTarget::kDirectory,  DamageTarget::kProperties, DamageTarget::kNamedMap,
    DamageTarget::kRtfHeader,  DamageTarget::kRtfBody};

const char* target_name(DamageTarget target);

// A damaged copy of bytes aimed at target, drawn from random. description
// says what was changed ("directory entry 7 stream size 0xCCCCCCCC").
// Returns false (bytes unchanged) when the file has no such part.
bool damage(std::string& bytes, DamageTarget target, std::mt19937& random,
            std::string& description);

}  // namespace qv::test
