// Helpers for the tests of profiles, sessions, stores and mailbox items:
// serving a description, logging on as the product does, reading table
// rows, opening entries by EntryID.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/sim_mapi/mapi32_library.h"
#include "tests/support/paths.h"

namespace qvsim::mapi::test {

// The flags with which the product logs on: MAPI_UNICODE | MAPI_NO_MAIL |
// MAPI_EXTENDED | MAPI_NEW_SESSION.
constexpr ULONG kProductLogonFlags = 0x80008022;
// The product's OpenMsgStore flags: MDB_NO_DIALOG | MDB_WRITE.
constexpr ULONG kProductStoreFlags = MDB_NO_DIALOG | MDB_WRITE;

constexpr ULONG kDisplayNameA = PROP_TAG(PT_STRING8, 0x3001);
// PR_DISPLAY_NAME in a row that has none.
constexpr ULONG kDisplayNameError = PROP_TAG(PT_ERROR, 0x3001);

using Bytes = std::vector<std::uint8_t>;

// Hexadecimal digits as bytes (the test fails on anything else).
Bytes hex(const char* digits);

// Serves a description for the rest of the test (QvSimMapiReset): the
// text is written to a file of its own temporary folder. Initialises MAPI
// once and uninitialises it at the end.
class ServedDescription {
 public:
  explicit ServedDescription(const std::string& json);
  // The sample mailbox of the sources.
  ServedDescription();
  ServedDescription(const ServedDescription&) = delete;
  ServedDescription& operator=(const ServedDescription&) = delete;
  ~ServedDescription();

  const std::wstring& path() const { return path_; }

 private:
  qv::test::TempDir folder_;
  std::wstring path_;
};

// A row set freed with FreeProws.
class Rows {
 public:
  Rows() = default;
  Rows(const Rows&) = delete;
  Rows& operator=(const Rows&) = delete;
  ~Rows();
  LPSRowSet* put() { return &rows_; }
  ULONG count() const { return rows_ ? rows_->cRows : 0; }
  const SPropValue& value(ULONG row, ULONG column) const {
    return rows_->aRow[row].lpProps[column];
  }
  const SRow& row(ULONG row) const { return rows_->aRow[row]; }

 private:
  LPSRowSet rows_ = nullptr;
};

// SetColumns(columns, TBL_BATCH) then QueryRows(count, flags), as the
// product reads its tables; the test fails when either call fails.
void read_rows(IMAPITable* table, const std::vector<ULONG>& columns, LONG count, ULONG flags,
               Rows* rows);

// MAPILogonEx with a wide name and the product's flags; null on failure,
// with the result in *result when given.
qv::com_ptr<IMAPISession> logon(const wchar_t* profile, HRESULT* result = nullptr);

// OpenEntry of a session, store or folder with MAPI_BEST_ACCESS.
struct Opened {
  HRESULT result = E_FAIL;
  ULONG type = 0;
  qv::com_ptr<IUnknown> object;
};
template <typename Container>
Opened open_entry(Container* container, const Bytes& entry_id, ULONG flags = MAPI_BEST_ACCESS) {
  Opened opened;
  opened.result = container->OpenEntry(
      static_cast<ULONG>(entry_id.size()),
      entry_id.empty() ? nullptr
                       : reinterpret_cast<LPENTRYID>(const_cast<std::uint8_t*>(entry_id.data())),
      nullptr, flags, &opened.type, opened.object.put());
  return opened;
}

// OpenMsgStore with the product's flags; null on failure.
qv::com_ptr<IMsgStore> open_store(IMAPISession* session, const Bytes& entry_id,
                                  HRESULT* result = nullptr);

// The bytes of a PT_BINARY value.
Bytes binary_of(const SPropValue& value);

// Writes a .msg file through OpenIMsgOnIStg as Outlook would save a memo:
// subject "Memo from a file", a body, the location (PSETID_Appointment
// 0x8208) "Room 7" as the file's first named property (identifier 0x8000
// in the file), and one attachment "notes.txt".
void write_memo_msg(const std::wstring& path);
constexpr wchar_t kMemoSubject[] = L"Memo from a file";
constexpr wchar_t kMemoLocation[] = L"Room 7";

}  // namespace qvsim::mapi::test
