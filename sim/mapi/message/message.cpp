#include "sim/mapi/message/message.h"

#include <algorithm>

#include "errors/com_holders.h"
#include "sim/common/com_guard.h"
#include "sim/mapi/base/call_points.h"
#include "sim/mapi/base/com_answers.h"
#include "sim/mapi/message/property_access.h"
#include "sim/mapi/message/table.h"

namespace qvsim::mapi {
namespace {

// Answers QueryInterface on a message of this library with the Message.
// {5B1A6E0C-3C9D-4F7A-9E61-2D7C0B4A8F11}
constexpr GUID kMessageImplementationId = {
    0x5b1a6e0c, 0x3c9d, 0x4f7a, {0x9e, 0x61, 0x2d, 0x7c, 0x0b, 0x4a, 0x8f, 0x11}};

constexpr ULONG kModifyRecipientFlags = MODRECIP_ADD | MODRECIP_MODIFY | MODRECIP_REMOVE;

HRESULT new_table(std::vector<PropertyBag> rows, ULONG first_column, ULONG flags,
                  const PropertyAccess& access, LPMAPITABLE* table) {
  if (table == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if ((flags & ~static_cast<ULONG>(MAPI_UNICODE | MAPI_DEFERRED_ERRORS)) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  std::vector<ULONG> columns = union_columns({first_column}, rows, (flags & MAPI_UNICODE) != 0);
  *table = Table::create(std::move(rows), std::move(columns), access.scope()->allocator,
                         access.read_rules(flags));
  return S_OK;
}

class Message final : public MapiPropObject<IMessage> {
 public:
  Message(std::shared_ptr<ObjectScope> scope, std::shared_ptr<MessageData> data, MessageHooks hooks)
      : MapiPropObject(
            "IMessage",
            PropertyAccess(scope, data, std::shared_ptr<PropertyBag>(data, &data->properties))),
        data_(std::move(data)),
        hooks_(std::move(hooks)) {}

  ~Message() override {
    if (hooks_.released) {
      hooks_.released(this);
    }
  }

  std::shared_ptr<MessageData> data() const { return data_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override try {
    if (object != nullptr && riid == kMessageImplementationId) {
      *object = this;
      AddRef();
      return S_OK;
    }
    return answer_interface(static_cast<IMessage*>(this), riid, object,
                            {IID_IUnknown, __uuidof(IMAPIProp), __uuidof(IMessage)});
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE GetAttachmentTable(ULONG flags, LPMAPITABLE* table) noexcept override
      try {
    if (table != nullptr) {
      *table = nullptr;
    }
    if (const HRESULT hr = enter_call("IMessage.GetAttachmentTable"); FAILED(hr)) {
      return hr;
    }
    std::vector<PropertyBag> rows;
    for (const auto& attachment : data_->attachments) {
      rows.push_back(attachment->properties);
      rows.back().set_long(PR_ATTACH_NUM, static_cast<LONG>(attachment->number));
    }
    return new_table(std::move(rows), PR_ATTACH_NUM, flags, access_, table);
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE OpenAttach(ULONG number, LPCIID iid, ULONG flags,
                                       LPATTACH* attach) noexcept override;
  HRESULT STDMETHODCALLTYPE CreateAttach(LPCIID iid, ULONG flags, ULONG* number,
                                         LPATTACH* attach) noexcept override;

  HRESULT STDMETHODCALLTYPE DeleteAttach(ULONG number, UiParam, LPMAPIPROGRESS,
                                         ULONG) noexcept override try {
    if (const HRESULT hr = enter_call("IMessage.DeleteAttach"); FAILED(hr)) {
      return hr;
    }
    if (!access_.scope()->writable) {
      return MAPI_E_NO_ACCESS;
    }
    return data_->remove_attachment(number) ? S_OK : MAPI_E_NOT_FOUND;
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE GetRecipientTable(ULONG flags, LPMAPITABLE* table) noexcept override
      try {
    if (table != nullptr) {
      *table = nullptr;
    }
    if (const HRESULT hr = enter_call("IMessage.GetRecipientTable"); FAILED(hr)) {
      return hr;
    }
    std::vector<PropertyBag> rows;
    for (const RecipientData& recipient : data_->recipients) {
      rows.push_back(recipient.properties);
      rows.back().set_long(PR_ROWID, static_cast<LONG>(recipient.row_id));
    }
    return new_table(std::move(rows), PR_ROWID, flags, access_, table);
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE ModifyRecipients(ULONG flags, LPADRLIST changes) noexcept override;

  HRESULT STDMETHODCALLTYPE SubmitMessage(ULONG) noexcept override try {
    if (const HRESULT hr = enter_call("IMessage.SubmitMessage"); FAILED(hr)) {
      return hr;
    }
    return MAPI_E_NO_SUPPORT;
  }
  QVSIM_CATCH_HRESULT

  HRESULT STDMETHODCALLTYPE SetReadFlag(ULONG flags) noexcept override try {
    if (const HRESULT hr = enter_call("IMessage.SetReadFlag"); FAILED(hr)) {
      return hr;
    }
    const LONG current = data_->properties.get_long(PR_MESSAGE_FLAGS).value_or(0);
    const LONG read = static_cast<LONG>(MSGFLAG_READ);
    data_->properties.set_long(PR_MESSAGE_FLAGS,
                               (flags & CLEAR_READ_FLAG) ? (current & ~read) : (current | read));
    return S_OK;
  }
  QVSIM_CATCH_HRESULT

 protected:
  HRESULT save_changes(ULONG flags) override {
    return hooks_.save ? hooks_.save(*data_, flags) : S_OK;
  }

 private:
  std::shared_ptr<MessageData> data_;
  MessageHooks hooks_;
};

class Attachment final : public MapiPropObject<IAttach> {
 public:
  Attachment(std::shared_ptr<ObjectScope> scope, std::shared_ptr<MessageData> message,
             std::shared_ptr<AttachmentData> attachment)
      : MapiPropObject("IAttach", PropertyAccess(std::move(scope), std::move(message),
                                                 std::shared_ptr<PropertyBag>(
                                                     attachment, &attachment->properties))),
        attachment_(std::move(attachment)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override try {
    return answer_interface(static_cast<IAttach*>(this), riid, object,
                            {IID_IUnknown, __uuidof(IMAPIProp), __uuidof(IAttach)});
  }
  QVSIM_CATCH_HRESULT

 protected:
  HRESULT save_changes(ULONG) override { return S_OK; }

  // PR_ATTACH_DATA_OBJ as IID_IMessage: the embedded message, created with
  // MAPI_CREATE.
  HRESULT open_object(ULONG tag, REFIID iid, ULONG flags, LPUNKNOWN* object) override {
    if (PROP_ID(tag) != PROP_ID(PR_ATTACH_DATA_OBJ)) {
      return MAPI_E_NOT_FOUND;
    }
    if (iid != __uuidof(IMessage)) {
      return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    const std::shared_ptr<ObjectScope>& scope = access_.scope();
    if (!attachment_->embedded) {
      if ((flags & MAPI_CREATE) == 0) {
        return MAPI_E_NOT_FOUND;
      }
      if (!scope->writable) {
        return MAPI_E_NO_ACCESS;
      }
      access_.message()->embed_message(*attachment_);
    }
    *object = new Message(scope, attachment_->embedded, MessageHooks{});
    return S_OK;
  }

 private:
  std::shared_ptr<AttachmentData> attachment_;
};

HRESULT STDMETHODCALLTYPE Message::OpenAttach(ULONG number, LPCIID, ULONG flags,
                                              LPATTACH* attach) noexcept try {
  if (attach != nullptr) {
    *attach = nullptr;
  }
  if (const HRESULT hr = enter_call("IMessage.OpenAttach"); FAILED(hr)) {
    return hr;
  }
  if (attach == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if ((flags & MAPI_MODIFY) && !access_.scope()->writable) {
    return MAPI_E_NO_ACCESS;
  }
  std::shared_ptr<AttachmentData> attachment = data_->attachment(number);
  if (!attachment) {
    return MAPI_E_NOT_FOUND;
  }
  *attach = new Attachment(access_.scope(), data_, std::move(attachment));
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Message::CreateAttach(LPCIID, ULONG, ULONG* number,
                                                LPATTACH* attach) noexcept try {
  if (attach != nullptr) {
    *attach = nullptr;
  }
  if (const HRESULT hr = enter_call("IMessage.CreateAttach"); FAILED(hr)) {
    return hr;
  }
  if (attach == nullptr || number == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if (!access_.scope()->writable) {
    return MAPI_E_NO_ACCESS;
  }
  AttachmentData& created = data_->add_attachment();
  *number = created.number;
  *attach = new Attachment(access_.scope(), data_, data_->attachment(created.number));
  return S_OK;
}
QVSIM_CATCH_HRESULT

HRESULT STDMETHODCALLTYPE Message::ModifyRecipients(ULONG flags, LPADRLIST changes) noexcept try {
  if (const HRESULT hr = enter_call("IMessage.ModifyRecipients"); FAILED(hr)) {
    return hr;
  }
  if (changes == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  if ((flags & ~kModifyRecipientFlags) != 0) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  if (!access_.scope()->writable) {
    return MAPI_E_NO_ACCESS;
  }
  if (flags == 0) {
    data_->recipients.clear();  // the list replaces every recipient
  }
  for (ULONG i = 0; i < changes->cEntries; ++i) {
    const ADRENTRY& entry = changes->aEntries[i];
    PropertyBag properties;
    std::optional<ULONG> row_id;
    for (ULONG v = 0; v < entry.cValues; ++v) {
      if (entry.rgPropVals[v].ulPropTag == PR_ROWID) {
        row_id = static_cast<ULONG>(entry.rgPropVals[v].Value.l);
      } else if (std::optional<PropertyValue> value = from_mapi(entry.rgPropVals[v])) {
        properties.set(entry.rgPropVals[v].ulPropTag, std::move(*value));
      }
    }
    if (flags & (MODRECIP_MODIFY | MODRECIP_REMOVE)) {
      if (!row_id || !data_->recipient(*row_id)) {
        return MAPI_E_NOT_FOUND;
      }
      if (flags & MODRECIP_REMOVE) {
        data_->remove_recipient(*row_id);
        continue;
      }
      properties.set_long(PR_ROWID, static_cast<LONG>(*row_id));
      data_->recipient(*row_id)->properties = std::move(properties);
      continue;
    }
    RecipientData& added = data_->add_recipient();
    properties.set_long(PR_ROWID, static_cast<LONG>(added.row_id));
    added.properties = std::move(properties);
  }
  return S_OK;
}
QVSIM_CATCH_HRESULT

}  // namespace

IMessage* create_message(std::shared_ptr<MessageData> data, MessageContext context) {
  auto scope = std::make_shared<ObjectScope>();
  scope->allocator = context.allocator;
  scope->writable = context.writable;
  scope->root = data;
  return new Message(std::move(scope), std::move(data), std::move(context.hooks));
}

std::shared_ptr<MessageData> message_data_of(IUnknown* object) {
  qv::com_ptr<Message> message;
  if (object == nullptr ||
      FAILED(object->QueryInterface(kMessageImplementationId, message.put_void())) || !message) {
    return nullptr;
  }
  return message->data();
}

}  // namespace qvsim::mapi
