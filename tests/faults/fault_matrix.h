// The fault matrices: a learning run without faults lists every call that the
// simulators see (their reports' "trace", with QV_SIM_TRACE set); then each
// call fails once, in a run of its own, with an HRESULT that a real platform
// gives there, and the run is checked against what the product documents
// for that failure.
#pragma once

#include <windows.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/text.h"

namespace qv::test {

// One failure to inject: the nth call of a call point.
struct FaultPoint {
  std::string call;
  std::uint64_t nth = 0;
  std::size_t position = 0;  // of the call in the learning run's trace
  HRESULT hr = E_FAIL;
  bool error_info = false;  // the failing Outlook object gives an error object
  std::string description;  // that error object's text

  // The fault rule of a mailbox description ("faults") or of set_mapi_faults.
  nlohmann::json rule() const;
  // "call #nth 0x........" and ", error object" when there is one.
  std::string name() const;
};

// Whether the whole matrix runs: QV_FAULT_MATRIX=full. Otherwise a sample:
// the first, middle and last call of each call point, one variant each.
bool full_matrix();

// The points of a learning run's trace: every call that can fail, each with
// an HRESULT chosen for its call point. Outlook's calls come with and
// without an error object (in the sample, one of the two in turn).
std::vector<FaultPoint> fault_points(const nlohmann::json& trace, bool outlook);

// What opening an item does when the MAPI call at position of the learning
// trace fails.
struct OpenOutcome {
  enum class Kind {
    kOpens,     // the failure is tolerated: the item opens as without it
    kFails,     // the constructor throws an exception with message
    kFieldRead  // the call reads a field, not the item
  };
  Kind kind = Kind::kOpens;
  std::wstring message;
};

// The texts of an item that no session opens: by its EntryID, and after a
// failed hexadecimal conversion (all bytes 0).
struct NotFoundTexts {
  std::wstring entry_id;
  std::wstring zeros;
};

// Throws std::logic_error for a call that the rules do not know.
OpenOutcome open_outcome(const nlohmann::json& trace, std::size_t position, HRESULT hr,
                         const NotFoundTexts& not_found);

// Counts the runs of a matrix and keeps what went wrong.
class MatrixTally {
 public:
  // problems: where the run differed from what was expected; leaked: what the
  // reports showed left behind (each also a problem).
  void add(const FaultPoint& point, const std::vector<std::string>& problems,
           const std::vector<std::string>& leaks);
  // "N failure points, N passed, 0 leaks"
  std::string summary() const;
  // Prints the problems and the summary; expects every point passed.
  void report(const char* title) const;

 private:
  std::size_t points_ = 0;
  std::size_t passed_ = 0;
  std::size_t leaks_ = 0;
  std::vector<std::string> problems_;
};

}  // namespace qv::test
