// MAPI memory: buffers allocated with MAPIAllocateBuffer, further buffers
// linked to them with MAPIAllocateMore, and MAPIFreeBuffer, which frees a
// buffer together with everything linked to it. The module keeps count of
// the buffers still allocated so that a report can show a leak.
#pragma once

#include <cstdint>

#include "sim/mapi/base/mapi_platform.h"

namespace qvsim::mapi {

// The three routines through which an object hands out MAPI memory. A
// message opened on a storage uses the ones its caller passed; everything
// else uses this module's own (linked_allocator()).
struct Allocator {
  LPALLOCATEBUFFER allocate = nullptr;
  LPALLOCATEMORE allocate_more = nullptr;
  LPFREEBUFFER free = nullptr;

  bool complete() const { return allocate && allocate_more && free; }

  // Allocates size bytes: linked to parent when it is not null, else a new
  // buffer. Returns nullptr when out of memory.
  void* get(ULONG size, void* parent) const;
};

// This module's MAPIAllocateBuffer, MAPIAllocateMore and MAPIFreeBuffer.
SCODE WINAPI linked_allocate_buffer(ULONG size, LPVOID* buffer);
SCODE WINAPI linked_allocate_more(ULONG size, LPVOID parent, LPVOID* buffer);
// Frees a buffer of linked_allocate_buffer and every buffer linked to it.
// A null pointer is accepted. A buffer of linked_allocate_more (which goes
// with its parent) or a pointer that this module did not hand out gives
// MAPI_E_INVALID_PARAMETER and frees nothing.
ULONG WINAPI linked_free_buffer(LPVOID buffer);

Allocator linked_allocator();

struct AllocationCounts {
  std::uint64_t buffers = 0;  // from MAPIAllocateBuffer, not yet freed
  std::uint64_t linked = 0;   // from MAPIAllocateMore, whose parent is not yet freed
  std::uint64_t bytes = 0;    // the bytes of both
};

AllocationCounts outstanding_allocations();

}  // namespace qvsim::mapi
