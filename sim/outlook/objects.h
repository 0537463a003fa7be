// The simulated Outlook's automation objects. Each is a view of the mailbox
// model: it holds a pointer into the model (which lives as long as the
// process) and no reference to other COM objects, so that the objects alive at
// any time are exactly those the client still holds. Every member that gives
// an object makes a new one; collections read the model at each call, so
// folders and items added meanwhile are seen by the next Count.
#pragma once

#include <string>
#include <vector>

#include "sim/common/mailbox.h"
#include "sim/outlook/not_served.h"

namespace qvsim::outlook {

// Outlook's OlObjectClass codes of the objects.
inline constexpr long kOlApplication = 0;
inline constexpr long kOlNamespace = 1;
inline constexpr long kOlFolder = 2;
inline constexpr long kOlFolders = 15;
inline constexpr long kOlItems = 16;
inline constexpr long kOlExplorer = 34;
inline constexpr long kOlSelection = 74;

class ApplicationObject final : public ApplicationMembers<ApplicationObject> {
 public:
  long object_class_code() const { return kOlApplication; }
  HRESULT parent(IDispatch** result);

  HRESULT STDMETHODCALLTYPE get_Name(BSTR* result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_Version(BSTR* result) noexcept override;
  HRESULT STDMETHODCALLTYPE ActiveExplorer(_Explorer** result) noexcept override;
  HRESULT STDMETHODCALLTYPE GetNamespace(BSTR type, _NameSpace** result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_DefaultProfileName(BSTR* result) noexcept override;

 private:
  HRESULT name(BSTR* result);
  HRESULT version(BSTR* result);
  HRESULT active_explorer(_Explorer** result);
  HRESULT get_namespace(const VARIANT& type, _NameSpace** result);
  HRESULT default_profile_name(BSTR* result);
};

class NameSpaceObject final : public NameSpaceMembers<NameSpaceObject> {
 public:
  long object_class_code() const { return kOlNamespace; }
  HRESULT parent(IDispatch** result);

  HRESULT STDMETHODCALLTYPE get_Folders(_Folders** result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_Type(BSTR* result) noexcept override;
  HRESULT STDMETHODCALLTYPE GetFolderFromID(BSTR entry_id, VARIANT store_entry_id,
                                            MAPIFolder** result) noexcept override;
  HRESULT STDMETHODCALLTYPE GetItemFromID(BSTR entry_id, VARIANT store_entry_id,
                                          IDispatch** result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_CurrentProfileName(BSTR* result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_CurrentUser(IDispatch** result) noexcept override;
  HRESULT STDMETHODCALLTYPE GetDefaultFolder(OlDefaultFolders folder_type,
                                             MAPIFolder** result) noexcept override;

 private:
  HRESULT current_user(IDispatch** result);
  HRESULT default_folder(long folder_type, MAPIFolder** result);
  HRESULT folders(_Folders** result);
  HRESULT type(BSTR* result);
  HRESULT folder_from_id(const VARIANT& entry_id, const VARIANT& store_entry_id,
                         MAPIFolder** result);
  HRESULT item_from_id(const VARIANT& entry_id, const VARIANT& store_entry_id, IDispatch** result);
  HRESULT current_profile_name(BSTR* result);
};

class ExplorerObject final : public ExplorerMembers<ExplorerObject> {
 public:
  long object_class_code() const { return kOlExplorer; }
  HRESULT parent(IDispatch** result);

  HRESULT STDMETHODCALLTYPE get_Selection(Selection** result) noexcept override;

 private:
  HRESULT selection(Selection** result);
};

class SelectionObject final : public SelectionMembers<SelectionObject>, public Enumerable {
 public:
  size_t element_count() const override;
  IDispatch* new_element(size_t position) const override;
  long object_class_code() const { return kOlSelection; }
  HRESULT parent(IDispatch** result);

  HRESULT STDMETHODCALLTYPE get_Count(long* result) noexcept override;
  HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch** result) noexcept override;

 private:
  HRESULT count(long* result);
  HRESULT item(const VARIANT& index, IDispatch** result);
};

class FolderObject final : public FolderMembers<FolderObject> {
 public:
  explicit FolderObject(Folder* folder) : folder_(folder) {}
  long object_class_code() const { return kOlFolder; }
  HRESULT parent(IDispatch** result);
  const ByNameOverrides* by_name_overrides() const { return &folder_->by_name; }

  HRESULT STDMETHODCALLTYPE get_DefaultItemType(OlItemType* result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_DefaultMessageClass(BSTR* result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_Folders(_Folders** result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_Items(_Items** result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_StoreID(BSTR* result) noexcept override;
  HRESULT STDMETHODCALLTYPE get_FolderPath(BSTR* result) noexcept override;

 private:
  HRESULT default_item_type(OlItemType* result);
  HRESULT default_message_class(BSTR* result);
  HRESULT entry_id(BSTR* result);
  HRESULT folders(_Folders** result);
  HRESULT items(_Items** result);
  HRESULT name(BSTR* result);
  HRESULT store_id(BSTR* result);
  HRESULT folder_path(BSTR* result);

  Folder* folder_;
};

// A folder's subfolders, or (without a folder) the stores' top folders.
class FoldersObject final : public FoldersMembers<FoldersObject>, public Enumerable {
 public:
  explicit FoldersObject(Folder* owner) : owner_(owner) {}
  size_t element_count() const override { return folder_count(); }
  IDispatch* new_element(size_t position) const override;
  long object_class_code() const { return kOlFolders; }
  HRESULT parent(IDispatch** result);

  HRESULT STDMETHODCALLTYPE get_Count(long* result) noexcept override;
  HRESULT STDMETHODCALLTYPE Item(VARIANT index, MAPIFolder** result) noexcept override;

 private:
  size_t folder_count() const;
  Folder* folder_at(size_t position) const;
  HRESULT count(long* result);
  HRESULT item(const VARIANT& index, MAPIFolder** result);

  Folder* owner_;
};

class ItemsObject final : public ItemsMembers<ItemsObject>, public Enumerable {
 public:
  explicit ItemsObject(Folder* folder) : folder_(folder) {}
  size_t element_count() const override { return folder_->items.size(); }
  IDispatch* new_element(size_t position) const override;
  long object_class_code() const { return kOlItems; }
  HRESULT parent(IDispatch** result);

  HRESULT STDMETHODCALLTYPE get_Count(long* result) noexcept override;
  HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch** result) noexcept override;

 private:
  HRESULT count(long* result);
  HRESULT item(const VARIANT& index, IDispatch** result);

  Folder* folder_;
};

// An Outlook item (MailItem, ContactItem, ...), reached by IDispatch only.
class ItemObject final : public DispatchObject<ItemObject, IDispatch> {
 public:
  explicit ItemObject(qvsim::Item* item) : DispatchObject("Item", IID_IDispatch), item_(item) {}
  static const std::vector<DispatchMember<ItemObject>>& dispatch_members();
  long object_class_code() const { return object_class_of(item_->message_class); }
  HRESULT parent(IDispatch** result);
  const ByNameOverrides* by_name_overrides() const { return &item_->by_name; }
  // The standard properties belong to some kinds of items only (Start to
  // appointments, SenderName to messages, ...).
  bool serves(const DispatchMember<ItemObject>& member) const;
  // The dispatch interface of the item's kind (_MailItem, _AppointmentItem,
  // _ContactItem, _TaskItem); none for other kinds.
  ITypeInfo* own_type_info() const;
  HRESULT standard_property(std::size_t index, VARIANT* result);

 private:
  HRESULT entry_id(BSTR* result);
  HRESULT subject(BSTR* result);
  HRESULT message_class(BSTR* result);

  qvsim::Item* item_;
};

// The profile's user, as the namespace's CurrentUser gives it: a Recipient,
// reached by IDispatch only.
class RecipientObject final : public DispatchObject<RecipientObject, IDispatch> {
 public:
  RecipientObject() : DispatchObject("Recipient", IID_IDispatch) {}
  static const std::vector<DispatchMember<RecipientObject>>& dispatch_members();
  long object_class_code() const { return 4; }  // olRecipient
  HRESULT parent(IDispatch** result);

 private:
  HRESULT name(BSTR* result);
  HRESULT address(BSTR* result);
};

// An EntryID as Outlook shows it: upper-case hexadecimal; none (a null BSTR,
// which COM takes as the empty text) when it is empty.
HRESULT entry_id_text(const Bytes& entry_id, BSTR* result);

}  // namespace qvsim::outlook
