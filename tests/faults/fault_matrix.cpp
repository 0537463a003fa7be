#include "tests/faults/fault_matrix.h"

#include <gtest/gtest.h>
#include <mapicode.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <set>
#include <stdexcept>

#include "errors/exceptions.h"
#include "sim/common/ledger.h"
#include "tests/support/text.h"

namespace qv::test {
namespace {

// Calls that report no failure: they give nothing back, or free what the
// caller owns (MAPIFreeBuffer fails only for memory that MAPI did not give).
const std::set<std::string> kCallsThatCannotFail = {"MAPIUninitialize", "MAPIFreeBuffer",
                                                    "FreeProws", "HexFromBin"};

struct HresultsOfCall {
  const char* call;  // a call point, or its start ending in '.' (an interface)
  std::vector<HRESULT> hresults;
};

// What a real platform answers at each call point when it fails; the first
// entry that matches the call (by name, else by interface) counts. The nth
// call takes the (nth mod size)th, so that each appears.
const HresultsOfCall kHresults[] = {
    {"DllGetClassObject", {CLASS_E_CLASSNOTAVAILABLE, E_OUTOFMEMORY}},
    {"Application.CreateInstance", {CO_E_SERVER_EXEC_FAILURE, E_OUTOFMEMORY}},
    {"MAPIInitialize", {MAPI_E_CALL_FAILED, MAPI_E_NOT_ENOUGH_MEMORY}},
    {"MAPIAllocateBuffer", {MAPI_E_NOT_ENOUGH_MEMORY}},
    {"MAPIAllocateMore", {MAPI_E_NOT_ENOUGH_MEMORY}},
    {"FBinFromHex", {E_FAIL}},  // answers FALSE
    {"MAPIAdminProfiles", {MAPI_E_CALL_FAILED, MAPI_E_NOT_ENOUGH_MEMORY}},
    {"MAPILogonEx", {MAPI_E_LOGON_FAILED, MAPI_E_NETWORK_ERROR}},
    {"MAPIGetDefaultMalloc", {MAPI_E_NOT_ENOUGH_MEMORY}},
    {"OpenIMsgOnIStg", {MAPI_E_CORRUPT_DATA, STG_E_ACCESSDENIED}},
    {"WrapCompressedRTFStream", {MAPI_E_CORRUPT_DATA, MAPI_E_NOT_ENOUGH_MEMORY}},
    {"HrGetOneProp", {MAPI_E_NOT_ENOUGH_MEMORY, MAPI_E_CALL_FAILED}},
    {"IMAPISession.OpenMsgStore", {MAPI_E_NETWORK_ERROR, MAPI_E_NOT_FOUND}},
    {"IMAPISession.OpenEntry", {MAPI_E_NOT_FOUND, MAPI_E_NETWORK_ERROR}},
    {"IMAPISession.", {MAPI_E_NETWORK_ERROR, MAPI_E_CALL_FAILED}},
    {"IProfAdmin.", {MAPI_E_CALL_FAILED, MAPI_E_NOT_ENOUGH_MEMORY}},
    {"IMAPITable.", {MAPI_E_CALL_FAILED, MAPI_E_NETWORK_ERROR}},
    {"IMessage.", {MAPI_E_CALL_FAILED, MAPI_E_NO_SUPPORT}},
    {"IMAPIProp.OpenProperty", {MAPI_E_NOT_FOUND, MAPI_E_NO_ACCESS}},
    {"IMAPIProp.", {MAPI_E_CALL_FAILED, MAPI_E_NOT_ENOUGH_MEMORY}},
    {"IStream.Read", {STG_E_READFAULT}},
    {"IStream.", {STG_E_ACCESSDENIED, STG_E_READFAULT}},
};

// Outlook's members, typed or read by name; QueryInterface through a proxy.
const std::vector<HRESULT> kOutlookMemberHresults = {RPC_E_SERVERCALL_RETRYLATER, MAPI_E_NOT_FOUND,
                                                     E_FAIL};
const std::vector<HRESULT> kQueryInterfaceHresults = {E_NOINTERFACE, RPC_E_SERVERCALL_RETRYLATER};

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

const std::vector<HRESULT>& hresults_of(const std::string& call, bool outlook) {
  for (const HresultsOfCall& entry : kHresults) {
    const std::string prefix = entry.call;
    if (call == prefix || (ends_with(prefix, ".") && call.compare(0, prefix.size(), prefix) == 0)) {
      return entry.hresults;
    }
  }
  if (outlook) {
    return ends_with(call, ".QueryInterface") ? kQueryInterfaceHresults : kOutlookMemberHresults;
  }
  throw std::logic_error("no HRESULT known for the call " + call);
}

bool is_table_opener(const std::string& call) {
  return call == "IProfAdmin.GetProfileTable" || call == "IMAPISession.GetMsgStoresTable" ||
         call == "IMessage.GetAttachmentTable";
}

bool is_allocation(const std::string& call) {
  return call == "MAPIAllocateBuffer" || call == "MAPIAllocateMore" || call == "MAPIFreeBuffer";
}

bool is_field_read(const std::string& call) {
  return call == "IMAPIProp.OpenProperty" || call == "IMAPIProp.GetProps" ||
         call == "IMAPIProp.GetIDsFromNames" || call == "HrGetOneProp" ||
         call == "WrapCompressedRTFStream" || call.compare(0, 8, "IStream.") == 0;
}

// The last call before position that satisfies the test; empty when none.
template <class Test>
std::string last_before(const nlohmann::json& trace, std::size_t position, Test test) {
  for (std::size_t i = position; i-- > 0;) {
    const std::string call = trace[i].get<std::string>();
    if (test(call)) {
      return call;
    }
  }
  return std::string();
}

bool last_of_its_kind(const nlohmann::json& trace, std::size_t position) {
  for (std::size_t i = position + 1; i < trace.size(); ++i) {
    if (trace[i] == trace[position]) {
      return false;
    }
  }
  return true;
}

}  // namespace

nlohmann::json FaultPoint::rule() const {
  nlohmann::json rule = {{"call", call}, {"nth", nth}, {"hr", hresult_text(hr)}};
  if (error_info) {
    rule["error_info"] = true;
    rule["description"] = description;
  }
  return rule;
}

std::string FaultPoint::name() const {
  return call + " #" + std::to_string(nth) + " " + hresult_text(hr) +
         (error_info ? ", error object" : "");
}

bool full_matrix() { return qvsim::environment_variable(L"QV_FAULT_MATRIX") == L"full"; }

std::vector<FaultPoint> fault_points(const nlohmann::json& trace, bool outlook) {
  std::map<std::string, std::uint64_t> totals;
  for (const auto& call : trace) {
    ++totals[call.get<std::string>()];
  }
  const bool full = full_matrix();
  std::map<std::string, std::uint64_t> seen;
  std::vector<FaultPoint> points;
  std::size_t sampled = 0;
  for (std::size_t position = 0; position < trace.size(); ++position) {
    const std::string call = trace[position].get<std::string>();
    const std::uint64_t nth = ++seen[call];
    const std::uint64_t total = totals[call];
    if (kCallsThatCannotFail.count(call) != 0 ||
        (!full && nth != 1 && nth != total && nth != (total + 1) / 2)) {
      continue;
    }
    const std::vector<HRESULT>& hresults = hresults_of(call, outlook);
    FaultPoint point;
    point.call = call;
    point.nth = nth;
    point.position = position;
    for (const bool error_info : {false, true}) {
      if ((error_info && !outlook) || (!full && outlook && error_info != (sampled % 2 == 1))) {
        continue;
      }
      point.hr = hresults[(nth + (error_info ? 1 : 0)) % hresults.size()];
      point.error_info = error_info;
      point.description =
          error_info ? "Simulated failure of " + call + " #" + std::to_string(nth) : std::string();
      points.push_back(point);
    }
    ++sampled;
  }
  return points;
}

OpenOutcome open_outcome(const nlohmann::json& trace, std::size_t position, HRESULT hr,
                         const NotFoundTexts& not_found) {
  const auto fails = [](std::wstring message) {
    return OpenOutcome{OpenOutcome::Kind::kFails, std::move(message)};
  };
  const OpenOutcome opens{OpenOutcome::Kind::kOpens, std::wstring()};
  std::string call = trace[position].get<std::string>();
  std::size_t at = position;
  if (is_allocation(call)) {
    // Memory for what the call in progress hands out: that call fails.
    while (at > 0 && is_allocation(trace[at].get<std::string>())) {
      --at;
    }
    call = trace[at].get<std::string>();
    if (call == "MAPIInitialize") {  // the EntryID's own buffer
      return fails(system_error_text(hr));
    }
    hr = MAPI_E_NOT_ENOUGH_MEMORY;
  }
  if (is_field_read(call)) {
    return OpenOutcome{OpenOutcome::Kind::kFieldRead, std::wstring()};
  }
  if (call == "MAPIInitialize" || call == "MAPIAdminProfiles" || call == "MAPILogonEx" ||
      call == "OpenIMsgOnIStg") {
    return fails(system_error_text(hr));
  }
  if (call == "FBinFromHex") {  // nothing converted: the EntryID's bytes stay 0
    return fails(not_found.zeros);
  }
  if (call == "IProfAdmin.GetProfileTable") {
    return fails(L"No Outlook profiles were found");
  }
  if (call == "IMAPITable.SetColumns" || call == "IMAPITable.QueryRows") {
    const std::string table = last_before(trace, at, is_table_opener);
    if (table == "IProfAdmin.GetProfileTable") {
      return fails(L"No Outlook profiles were found");
    }
    if (!table.empty()) {
      return opens;  // a session without stores, or no attachment rows
    }
  }
  // A store that is skipped; no attachment table; no allocator from MAPI,
  // which OLE's task allocator stands in for.
  if (call == "IMAPISession.GetMsgStoresTable" || call == "IMAPISession.OpenMsgStore" ||
      call == "IMessage.GetAttachmentTable" || call == "MAPIGetDefaultMalloc") {
    return opens;
  }
  if (call == "IMAPISession.OpenEntry") {
    // The next session is asked; after the one that opened the item, none.
    return last_of_its_kind(trace, at) ? fails(not_found.entry_id) : opens;
  }
  throw std::logic_error("no rule for a failure of " + call);
}

void MatrixTally::add(const FaultPoint& point, const std::vector<std::string>& problems,
                      const std::vector<std::string>& leaks) {
  ++points_;
  if (problems.empty() && leaks.empty()) {
    ++passed_;
  }
  if (!leaks.empty()) {
    ++leaks_;
  }
  for (const std::vector<std::string>* list : {&problems, &leaks}) {
    for (const std::string& problem : *list) {
      problems_.push_back(point.name() + ": " + problem);
    }
  }
}

std::string MatrixTally::summary() const {
  return std::to_string(points_) + " failure points, " + std::to_string(passed_) + " passed, " +
         std::to_string(leaks_) + " leaks";
}

void MatrixTally::report(const char* title) const {
  for (const std::string& problem : problems_) {
    ADD_FAILURE() << problem;
  }
  std::cout << title << (full_matrix() ? ", every call:" : ", a sample of the calls:") << std::endl
            << summary() << std::endl;
  EXPECT_GT(points_, 0u);
  EXPECT_EQ(passed_, points_);
  EXPECT_EQ(leaks_, 0u);
}

}  // namespace qv::test
