#include "sim/mapi/message/rtf_stream.h"

#include <algorithm>

#include "errors/com_holders.h"
#include "sim/mapi/message/memory_stream.h"
#include "sim/mapi/message/rtf_codec.h"

namespace qvsim::mapi {
namespace {

constexpr ULONG kKnownFlags = MAPI_MODIFY | STORE_UNCOMPRESSED_RTF;

HRESULT write_whole(IStream* stream, const std::string& bytes) {
  LARGE_INTEGER start{};
  HRESULT hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
  ULARGE_INTEGER size{};
  size.QuadPart = bytes.size();
  if (SUCCEEDED(hr)) {
    hr = stream->SetSize(size);
  }
  ULONG written = 0;
  if (SUCCEEDED(hr)) {
    hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  }
  if (SUCCEEDED(hr) && written != bytes.size()) {
    hr = STG_E_MEDIUMFULL;
  }
  return SUCCEEDED(hr) ? stream->Commit(STGC_DEFAULT) : hr;
}

}  // namespace

HRESULT read_to_end(IStream* stream, std::string* bytes) {
  // Chunks grow with what has come, up to 1 MB: memory follows the bytes that
  // the stream really gives, whatever size it claims.
  constexpr size_t kFirstChunk = 4096;
  constexpr size_t kLargestChunk = 1 << 20;
  bytes->clear();
  for (;;) {
    const size_t used = bytes->size();
    const auto chunk = static_cast<ULONG>(std::min(std::max(kFirstChunk, used), kLargestChunk));
    bytes->resize(used + chunk);
    ULONG read = 0;
    const HRESULT hr = stream->Read(bytes->data() + used, chunk, &read);
    bytes->resize(used + (FAILED(hr) ? 0 : std::min(read, chunk)));
    if (FAILED(hr)) {
      return hr;
    }
    if (read == 0) {
      return S_OK;
    }
  }
}

HRESULT wrap_compressed_rtf_stream(IStream* compressed, ULONG flags, IStream** rtf) {
  if (rtf == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *rtf = nullptr;
  if (compressed == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if ((flags & ~kKnownFlags) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  auto source = qv::com_ptr<IStream>::copy(compressed);
  if ((flags & MAPI_MODIFY) == 0) {
    *rtf = MemoryStream::create_loaded(
        [source](std::string* bytes) {
          std::string data;
          if (const HRESULT hr = read_to_end(source.get(), &data); FAILED(hr)) {
            return hr;
          }
          RtfDecompression result = decompress_rtf(data);
          *bytes = std::move(result.rtf);
          return result.result;
        },
        StreamBehaviour{});
    return S_OK;
  }
  const RtfStorage storage =
      (flags & STORE_UNCOMPRESSED_RTF) ? RtfStorage::kUncompressed : RtfStorage::kCompressed;
  *rtf = MemoryStream::create(std::string(), StreamBehaviour{}, true,
                              [source, storage](const std::string& bytes) {
                                return write_whole(source.get(), compress_rtf(bytes, storage));
                              });
  return S_OK;
}

}  // namespace qvsim::mapi
