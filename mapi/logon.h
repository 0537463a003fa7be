// The logged-on state of a Mapi object: one Extended MAPI session for each
// of the user's profiles, default profile first, and every message store
// that the sessions list.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <string>
#include <vector>

#include "../errors/com_holders.h"

namespace qv {

class Mapi;

// The names of the user's MAPI profiles: the default profile first, then the
// others in the order of the profile table. Only the table's first 10 rows
// are read, and a profile without a name is left out. Throws win32_error when
// MAPIAdminProfiles is missing or fails, and win32_error "No Outlook profiles
// were found" when the list is empty.
std::vector<std::wstring> profile_names(const Mapi& mapi);

// References released from the first to the last when the list goes away.
template <class T>
class ordered_references {
 public:
  ordered_references() = default;
  ordered_references(const ordered_references&) = delete;
  ordered_references& operator=(const ordered_references&) = delete;
  ~ordered_references() {
    for (com_ptr<T>& reference : references_) {
      reference.reset();
    }
  }

  void push_back(com_ptr<T> reference) { references_.push_back(std::move(reference)); }
  bool empty() const noexcept { return references_.empty(); }
  size_t size() const noexcept { return references_.size(); }
  auto begin() const noexcept { return references_.begin(); }
  auto end() const noexcept { return references_.end(); }

 private:
  std::vector<com_ptr<T>> references_;
};

class MapiLogon {
 public:
  // Logs on to every profile of profile_names() without user interface and
  // opens the message stores that each session lists. A failed logon throws
  // win32_error; when no store opens at all, truntime_error "Outlook message
  // store not found". What was acquired before a failure is released.
  explicit MapiLogon(const Mapi& mapi);
  MapiLogon(const MapiLogon&) = delete;
  MapiLogon& operator=(const MapiLogon&) = delete;

  // One session per profile, in the order of profile_names().
  const ordered_references<IMAPISession>& sessions() const noexcept { return sessions_; }
  // Every store opened, profile by profile in table order.
  const ordered_references<IMsgStore>& stores() const noexcept { return stores_; }

 private:
  void open_stores(IMAPISession& session);

  // Declared in this order, so that the stores go before the sessions.
  ordered_references<IMAPISession> sessions_;
  ordered_references<IMsgStore> stores_;
};

}  // namespace qv
