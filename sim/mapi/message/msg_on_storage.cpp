#include "sim/mapi/message/msg_on_storage.h"

#include "errors/com_holders.h"
#include "sim/mapi/message/message.h"
#include "sim/mapi/message/msg_file.h"

namespace qvsim::mapi {
namespace {

// The flags that OpenIMsgOnIStg documents. MAPI_UNICODE asks for a Unicode
// message, which every message of this library is.
constexpr ULONG kFlags = IMSG_NO_ISTG_COMMIT | MAPI_UNICODE;

// The access mode of the storage; 0 (read) when it cannot be told.
DWORD access_of(IStorage* storage) {
  STATSTG stat{};
  if (FAILED(storage->Stat(&stat, STATFLAG_NONAME))) {
    return STGM_READ;
  }
  return stat.grfMode & (STGM_READ | STGM_WRITE | STGM_READWRITE);
}

}  // namespace

HRESULT open_message_on_storage(const Allocator& allocator, IStorage* storage,
                                MSGCALLRELEASE* released, ULONG caller_data, ULONG flags,
                                IMessage** message) {
  if (message == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *message = nullptr;
  if (storage == nullptr || !allocator.complete()) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if ((flags & ~kFlags) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  // A message cannot be written without being read: a storage opened for
  // writing only is refused.
  const DWORD access = access_of(storage);
  if (access == STGM_WRITE) {
    return MAPI_E_INVALID_PARAMETER;
  }
  std::shared_ptr<MessageData> data;
  if (const HRESULT hr = read_msg(storage, &data); FAILED(hr)) {
    return hr;
  }
  auto held = qv::com_ptr<IStorage>::copy(storage);
  const bool commit = (flags & IMSG_NO_ISTG_COMMIT) == 0;
  MessageContext context;
  context.allocator = allocator;
  context.writable = access == STGM_READWRITE;
  context.hooks.save = [held, commit](MessageData& saved, ULONG) {
    const HRESULT hr = write_msg(saved, held.get());
    return FAILED(hr) || !commit ? hr : held->Commit(STGC_DEFAULT);
  };
  if (released != nullptr) {
    context.hooks.released = [released, caller_data](IMessage* gone) {
      released(caller_data, gone);
    };
  }
  *message = create_message(std::move(data), std::move(context));
  return S_OK;
}

}  // namespace qvsim::mapi
