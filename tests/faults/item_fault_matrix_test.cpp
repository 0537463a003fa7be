// The fault matrix of opening an item and reading every field of it as text,
// in process: a learning run opens the item (by URL, with the logon, or from
// a read-only .msg file) and reads its 86 fields; then each MAPI call of that
// run fails once. Opening must succeed or throw an exception of the library's
// error model with the documented text; each field must read as before, the
// field whose reading failed as its default text or (where documented) as a
// missing value; everything must be released and MAPI uninitialised, and the
// file must stay as it was.
#include <mapidefs.h>

#include <set>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "items/field_table.h"
#include "items/message.h"
#include "mapi/mapi.h"
#include "tests/faults/fault_matrix.h"
#include "tests/faults/matrix_mailbox.h"
#include "tests/items/item_fixture.h"

namespace qv::test {
namespace {

using nlohmann::json;

// A number, so that an integer field whose value cannot be had shows it too.
const std::wstring kDefault = L"-7";

constexpr int kBodyField = 6;
constexpr int kRtfField = 51;

// What opening the item and reading its fields gave.
struct Reading {
  bool opened = false;
  std::wstring failure;  // the exception's kind and message
  std::vector<std::wstring> texts;
};

std::size_t trace_length() { return mapi_report_now().at("trace").size(); }

ULONG type_of(int field) {
  const FieldDef& def = field_table[field];
  return def.tag != 0 ? PROP_TYPE(def.tag) : def.type;
}

class ItemFaultMatrix : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    ::SetEnvironmentVariableW(L"QV_SIM_TRACE", L"1");
    msg_path_ = file(L"rich.msg");
    write_msg_file(item_with_every_field("0E01", "Rich file"), msg_path_);
    msg_bytes_ = read_text_file(msg_path_);
    const std::wstring memo = file(L"memo.msg");
    write_msg_file(item_with_every_field("A004", kMemoSubject), memo);
    serve(fault_matrix_mailbox(memo));
    mailbox_path_ = file(L"mailbox.json");
  }
  void TearDown() override {
    ::SetEnvironmentVariableW(L"QV_SIM_TRACE", nullptr);
    ItemTest::TearDown();
  }

  // Opens source and reads every field; boundaries, when given, receive the
  // trace's length after the opening and after each field.
  static Reading read_item(const std::wstring& source, std::vector<std::size_t>* boundaries) {
    Reading reading;
    try {
      const MapiMessage message(source.c_str(), false);
      reading.opened = true;
      if (boundaries != nullptr) {
        boundaries->push_back(trace_length());
      }
      for (int field = 0; field < kFieldCount; ++field) {
        reading.texts.push_back(message.field_text(field, kDefault));
        if (boundaries != nullptr) {
          boundaries->push_back(trace_length());
        }
      }
    } catch (const texception& e) {
      reading.failure = e.message();
    } catch (...) {
      reading.failure = L"an exception outside the error model";
    }
    return reading;
  }

  // The texts that a field may give when a call of its reading fails.
  std::set<std::wstring> texts_after_failure(int field, const std::vector<std::wstring>& learned) {
    std::set<std::wstring> texts = {learned[field], kDefault};
    const ULONG type = type_of(field);
    if (field == kRtfField) {
      texts.insert(learned[kBodyField]);  // the plain body instead
    } else if (type == PT_DOUBLE || type == PT_SYSTIME || type == PT_MV_UNICODE) {
      texts.insert(std::wstring());  // a value that cannot be had reads as missing
    }
    return texts;
  }

  // Learns the calls of opening source and reading its fields, then fails
  // each once.
  void run_matrix(const std::wstring& source, const NotFoundTexts& not_found, MatrixTally& tally) {
    shared_mapi(true);
    ASSERT_EQ(use_mapi_mailbox(mailbox_path_), S_OK);
    std::vector<std::size_t> boundaries;
    const Reading learned = read_item(source, &boundaries);
    ASSERT_TRUE(learned.opened) << utf8(learned.failure);
    // Every field but the binary ones has a value of its own.
    for (int field = 0; field < kFieldCount; ++field) {
      EXPECT_EQ(learned.texts[static_cast<std::size_t>(field)] == kDefault,
                type_of(field) == PT_BINARY && field != kRtfField)
          << "field " << field;
    }
    // The calls of destroying the message (freeing its rows) cannot fail.
    json trace = mapi_report_now().at("trace");
    ASSERT_LE(boundaries.back(), trace.size());
    const json destruction(trace.begin() + static_cast<std::ptrdiff_t>(boundaries.back()),
                           trace.end());
    EXPECT_TRUE(fault_points(destruction, false).empty()) << destruction.dump();
    trace.erase(trace.begin() + static_cast<std::ptrdiff_t>(boundaries.back()), trace.end());
    for (const FaultPoint& point : fault_points(trace, false)) {
      // The part of the run that the call belongs to: -1 opening, else a field.
      int field = -1;
      while (point.position >= boundaries[static_cast<std::size_t>(field + 1)]) {
        ++field;
      }
      std::vector<std::string> problems;
      OpenOutcome outcome;
      try {
        outcome = field < 0 ? open_outcome(trace, point.position, point.hr, not_found)
                            : OpenOutcome{OpenOutcome::Kind::kFieldRead, std::wstring()};
      } catch (const std::logic_error& e) {
        problems.push_back(e.what());
      }
      shared_mapi(true);
      ASSERT_EQ(use_mapi_mailbox(mailbox_path_), S_OK);
      ASSERT_EQ(set_mapi_faults(json::array({point.rule()})), S_OK);
      const Reading reading = read_item(source, nullptr);
      shared_mapi(true);
      const std::vector<std::string> leaks = leftovers(mapi_report_now());
      ASSERT_EQ(set_mapi_faults(nullptr), S_OK);
      if (outcome.kind == OpenOutcome::Kind::kFails) {
        if (reading.opened || reading.failure != outcome.message) {
          problems.push_back(
              "expected the failure \"" + utf8(outcome.message) + "\", got " +
              (reading.opened ? "an open item" : "\"" + utf8(reading.failure) + "\""));
        }
      } else if (!reading.opened) {
        problems.push_back("did not open: " + utf8(reading.failure));
      } else {
        for (int f = 0; f < kFieldCount; ++f) {
          const std::wstring& text = reading.texts[static_cast<std::size_t>(f)];
          const bool allowed = f == field ? texts_after_failure(f, learned.texts).count(text) != 0
                                          : text == learned.texts[static_cast<std::size_t>(f)];
          if (!allowed) {
            problems.push_back("field " + std::to_string(f) + " read \"" + utf8(text) +
                               "\", before \"" + utf8(learned.texts[static_cast<std::size_t>(f)]) +
                               "\"");
          }
        }
      }
      if (read_text_file(msg_path_) != msg_bytes_) {
        problems.push_back("the .msg file changed");
      }
      tally.add(point, problems, leaks);
    }
  }

  std::wstring msg_path_;
  std::string msg_bytes_;
  std::wstring mailbox_path_;
};

TEST_F(ItemFaultMatrix, EveryCallFailsOnce) {
  MatrixTally tally;
  run_matrix(L"outlook:C001",
             {L"Outlook object [C001] not found", L"Outlook object [0000] not found"}, tally);
  run_matrix(msg_path_, NotFoundTexts(), tally);
  tally.report("Item fault matrix");
}

}  // namespace
}  // namespace qv::test
