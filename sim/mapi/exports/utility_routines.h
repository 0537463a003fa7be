// The MAPI32 utility routines that are not about messages: hexadecimal text,
// one property value, row sets, MAPI's IMalloc.
#pragma once

#include "sim/mapi/base/memory.h"

namespace qvsim::mapi {

// FBinFromHex: each pair of hexadecimal digits of text (upper or lower
// case), high nibble first, gives one byte, until the terminating zero.
// Stops at the first pair that is not two hexadecimal digits (an odd last
// digit among them) and returns FALSE; the bytes before it are written.
BOOL bin_from_hex(const char* text, BYTE* bytes);

// HexFromBin: two upper-case hexadecimal digits per byte, then a zero.
void hex_from_bin(const BYTE* bytes, int count, char* text);

// HrGetOneProp: GetProps for one tag. A PT_ERROR value becomes the result
// (its error code) and nothing is returned; free releases that value.
HRESULT get_one_prop(IMAPIProp* prop, ULONG tag, LPSPropValue* value, LPFREEBUFFER free);

// FreeProws: frees each row's values, then the row set.
void free_rows(LPSRowSet rows, LPFREEBUFFER free);

// MAPI's IMalloc over the process heap; one reference for the caller.
IMalloc* new_default_malloc();

}  // namespace qvsim::mapi
