#include "sim/mapi/base/memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "sim/common/com_guard.h"

namespace qvsim::mapi {
namespace {

constexpr std::uint32_t kBufferMagic = 0x4D415042;  // "BPAM": a buffer of its own
constexpr std::uint32_t kLinkedMagic = 0x4D41504C;  // "LPAM": linked to a buffer
constexpr std::uint32_t kFreedMagic = 0x4D415046;

// Lies right before the bytes handed out; its size keeps them 16-byte aligned.
struct alignas(16) BlockHeader {
  std::uint32_t magic;
  std::uint32_t size;
  BlockHeader* next_linked;  // buffer: first linked block; linked block: the next one
  BlockHeader* parent;       // linked block: its buffer; buffer: null
};

std::mutex& memory_mutex() {
  static std::mutex* mutex = new std::mutex();
  return *mutex;
}

AllocationCounts& counts() {
  static AllocationCounts* value = new AllocationCounts();
  return *value;
}

BlockHeader* header_of(void* memory) { return static_cast<BlockHeader*>(memory) - 1; }
void* memory_of(BlockHeader* header) { return header + 1; }

BlockHeader* new_block(ULONG size, std::uint32_t magic) {
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + (size ? size : 1)));
  if (header == nullptr) {
    return nullptr;
  }
  // Like a debugging heap, new memory is not zero: a client that reads bytes
  // it never wrote sees 0xCD.
  std::memset(memory_of(header), 0xCD, size);
  header->magic = magic;
  header->size = size;
  header->next_linked = nullptr;
  header->parent = nullptr;
  return header;
}

void release_block(BlockHeader* header) {
  header->magic = kFreedMagic;
  std::free(header);
}

}  // namespace

void* Allocator::get(ULONG size, void* parent) const {
  void* memory = nullptr;
  const SCODE result = parent ? allocate_more(size, parent, &memory) : allocate(size, &memory);
  return FAILED(result) ? nullptr : memory;
}

SCODE WINAPI linked_allocate_buffer(ULONG size, LPVOID* buffer) try {
  if (buffer == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *buffer = nullptr;
  BlockHeader* header = new_block(size, kBufferMagic);
  if (header == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  {
    std::lock_guard lock(memory_mutex());
    ++counts().buffers;
    counts().bytes += size;
  }
  *buffer = memory_of(header);
  return S_OK;
}
QVSIM_CATCH_HRESULT

SCODE WINAPI linked_allocate_more(ULONG size, LPVOID parent, LPVOID* buffer) try {
  if (buffer == nullptr || parent == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *buffer = nullptr;
  BlockHeader* root = header_of(parent);
  if (root->magic == kLinkedMagic) {
    root = root->parent;  // linking to a linked block links to its buffer
  }
  if (root->magic != kBufferMagic) {
    return MAPI_E_INVALID_PARAMETER;
  }
  BlockHeader* header = new_block(size, kLinkedMagic);
  if (header == nullptr) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  std::lock_guard lock(memory_mutex());
  header->parent = root;
  header->next_linked = root->next_linked;
  root->next_linked = header;
  ++counts().linked;
  counts().bytes += size;
  *buffer = memory_of(header);
  return S_OK;
}
QVSIM_CATCH_HRESULT

ULONG WINAPI linked_free_buffer(LPVOID buffer) try {
  if (buffer == nullptr) {
    return S_OK;
  }
  BlockHeader* root = header_of(buffer);
  if (root->magic != kBufferMagic) {
    return static_cast<ULONG>(MAPI_E_INVALID_PARAMETER);
  }
  std::lock_guard lock(memory_mutex());
  BlockHeader* linked = root->next_linked;
  while (linked != nullptr) {
    BlockHeader* next = linked->next_linked;
    --counts().linked;
    counts().bytes -= linked->size;
    release_block(linked);
    linked = next;
  }
  --counts().buffers;
  counts().bytes -= root->size;
  release_block(root);
  return S_OK;
}
QVSIM_CATCH_RETURN(static_cast<ULONG>(::qvsim::caught_exception_hresult()))

Allocator linked_allocator() {
  return Allocator{&linked_allocate_buffer, &linked_allocate_more, &linked_free_buffer};
}

AllocationCounts outstanding_allocations() {
  std::lock_guard lock(memory_mutex());
  return counts();
}

}  // namespace qvsim::mapi
