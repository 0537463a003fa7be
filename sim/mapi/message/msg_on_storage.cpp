#include "sim/mapi/message/msg_on_storage.h"

#include "errors/com_holders.h"
#include "sim/mapi/message/message.h"
#include "sim/mapi/message/msg_file.h"

namespace qvsim::mapi {
namespace {

bool opened_for_writing(IStorage* storage) {
  STATSTG stat{};
  if (FAILED(storage->Stat(&stat, STATFLAG_NONAME))) {
    return false;
  }
  return (stat.grfMode & (STGM_WRITE | STGM_READWRITE)) != 0;
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
  if ((flags & ~IMSG_NO_ISTG_COMMIT) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  std::shared_ptr<MessageData> data;
  if (const HRESULT hr = read_msg(storage, &data); FAILED(hr)) {
    return hr;
  }
  auto held = qv::com_ptr<IStorage>::copy(storage);
  const bool commit = (flags & IMSG_NO_ISTG_COMMIT) == 0;
  MessageContext context;
  context.allocator = allocator;
  context.writable = opened_for_writing(storage);
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
