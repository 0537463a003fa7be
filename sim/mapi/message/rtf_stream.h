// WrapCompressedRTFStream: a stream of RTF over a stream of compressed RTF.
#pragma once

#include <string>

#include "sim/mapi/base/mapi_platform.h"

namespace qvsim::mapi {

// flags 0: a read-only stream of the decompressed RTF. The compressed stream
// is read (to its end, from its current position) and decompressed at the
// first Read, Seek or Stat, which fail with the reading's error or with
// MAPI_E_CORRUPT_DATA. Stat gives the size of the RTF.
// MAPI_MODIFY: a stream that takes RTF; its Commit (or its last Release
// after writing) writes it compressed into the compressed stream, from the
// start, and commits that; with STORE_UNCOMPRESSED_RTF too, it is stored
// uncompressed ("MELA"). STORE_UNCOMPRESSED_RTF alone changes nothing.
// Other flags: MAPI_E_UNKNOWN_FLAGS.
HRESULT wrap_compressed_rtf_stream(IStream* compressed, ULONG flags, IStream** rtf);

// Reads a stream from its current position to its end, in chunks, so that
// a stream that returns fewer bytes than asked is read whole.
HRESULT read_to_end(IStream* stream, std::string* bytes);

}  // namespace qvsim::mapi
