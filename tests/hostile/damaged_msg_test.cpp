// Damaged copies of the corpus's .msg files, opened by a child process each
// (qv_hostile_child): through the simulated MAPI's own readers and through
// the product's message object, every field read. Every case must end in a
// clean HRESULT of the readers and, as those decide, in the win32_error of
// the storage's or the reader's failure or in an opened message, without a
// crash, a hang, a leak or an exception outside the error model. Wine's own compound-file code
// never returns on some damaged files; such a case is killed at its time limit and listed as a
// platform hang, with the call it was in, apart from the counts.
//
// The cases are drawn from fixed seeds. By default a sample runs: one
// variant for a third of the pairs of file and target, each target on
// every third file; QV_HOSTILE_VARIANTS=N runs N variants of every pair
// (scripts/hostile runs the full set).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/hostile/damage.h"
#include "tests/support/paths.h"
#include "tests/support/process.h"
#include "tests/support/sim_support.h"
#include "tests/support/text.h"

namespace qv::test {
namespace {

// A child that has not finished by then is a hang; a normal one takes well
// under a second.
constexpr DWORD kChildTimeoutMs = 8000;

// 0: the sample.
int variants() {
  const char* text = std::getenv("QV_HOSTILE_VARIANTS");
  const int n = text != nullptr ? std::atoi(text) : 0;
  return n > 0 ? n : 0;
}

struct Case {
  std::wstring name;  // the corpus file's base name
  DamageTarget target;
  int variant;
  std::string bytes;
  std::string description;
};

enum class Outcome {
  kCleanError,
  kOpened,
  kCrash,
  kHang,
  kPlatformHang,
  kLeak,
  kUnclean,
  kUnexpected
};

struct Result {
  Outcome outcome;
  std::string evidence;
};

// The last line of the child's trace.
std::string last_trace_line(const std::string& trace) {
  size_t end = trace.find_last_not_of("\r\n");
  if (end == std::string::npos) {
    return std::string();
  }
  const size_t start = trace.rfind('\n', end);
  return trace.substr(start == std::string::npos ? 0 : start + 1,
                      end + 1 - (start == std::string::npos ? 0 : start + 1));
}

Result classify(const ProcessResult& run) {
  if (run.timed_out) {
    const std::string last = last_trace_line(run.standard_error);
    // "> IStorage::..." is a call into the platform's compound-file code that
    // never returned; so is StgOpenStorage itself.
    const bool in_platform =
        last.rfind("> IStorage::", 0) == 0 || last.rfind("> IStream::", 0) == 0 ||
        last.rfind("> IEnumSTATSTG::", 0) == 0 || last == "step StgOpenStorage";
    return {in_platform ? Outcome::kPlatformHang : Outcome::kHang, "stopped in: " + last};
  }
  const size_t line_end = run.standard_output.find('\n');
  const nlohmann::json result =
      nlohmann::json::parse(run.standard_output.substr(0, line_end), nullptr, false);
  if (run.exit_code != 0 || result.is_discarded() || !result.is_object()) {
    char code[16];
    std::snprintf(code, sizeof(code), "0x%08lX", static_cast<unsigned long>(run.exit_code));
    return {Outcome::kCrash, std::string("exit code ") + code +
                                 ", last step: " + last_trace_line(run.standard_error)};
  }
  if (result.value("reader_exception", false) ||
      result.value("error", "") == "outside the error model") {
    return {Outcome::kUnclean, result.dump()};
  }
  if (result.value("live_objects", 0) != 0 || result.value("allocations_outstanding", 0) != 0) {
    return {Outcome::kLeak, result.dump()};
  }
  // What the product must make of the file, as the platform's and the
  // readers' own answers decide: StgOpenStorage's failure, else the .msg
  // reader's (which OpenIMsgOnIStg gives), as a win32_error of that code;
  // else an open message.
  const long storage = result.value("storage", 0L);
  const long expected = FAILED(storage) ? storage : result.value("read_msg", 0L);
  const bool opened = result.value("opened", false);
  if (SUCCEEDED(expected) ? !opened
                          : opened || result.value("error", "") != "win32_error" ||
                                result.value("code", 0L) != expected) {
    return {Outcome::kUnexpected,
            (SUCCEEDED(expected) ? std::string("expected an open message: ")
                                 : "expected win32_error " + hresult_text(expected) + ": ") +
                result.dump()};
  }
  return {opened ? Outcome::kOpened : Outcome::kCleanError, result.dump()};
}

struct Tally {
  int cases = 0;
  std::map<Outcome, int> outcomes;
};

std::string summary(const std::string& category, const Tally& tally) {
  const auto count = [&](Outcome o) {
    const auto it = tally.outcomes.find(o);
    return it == tally.outcomes.end() ? 0 : it->second;
  };
  char line[480];
  std::snprintf(
      line, sizeof(line),
      "damaged .msg [%s]: %d cases, %d clean errors, %d opened, %d crashes, %d hangs, %d leaks, "
      "%d outside the error model, %d not as the readers decide (platform hangs: %d, listed "
      "above)",
      category.c_str(), tally.cases - count(Outcome::kPlatformHang), count(Outcome::kCleanError),
      count(Outcome::kOpened), count(Outcome::kCrash), count(Outcome::kHang), count(Outcome::kLeak),
      count(Outcome::kUnclean), count(Outcome::kUnexpected), count(Outcome::kPlatformHang));
  return line;
}

std::vector<Case> damaged_cases() {
  std::vector<Case> cases;
  std::vector<std::wstring> names = corpus_message_names();
  std::sort(names.begin(), names.end());
  for (size_t file = 0; file < names.size(); ++file) {
    const std::string original = read_text_file(corpus_dir() + L"\\" + names[file] + L".msg");
    for (const DamageTarget target : kDamageTargets) {
      if (variants() == 0 && (file + static_cast<size_t>(target)) % 3 != 0) {
        continue;
      }
      for (int variant = 0; variant < std::max(variants(), 1); ++variant) {
        // One fixed seed per file, target and variant.
        std::mt19937 random(static_cast<std::uint32_t>(
            file * 7919 + static_cast<int>(target) * 104729 + variant * 15485863 + 1));
        Case c{names[file], target, variant, original, std::string()};
        if (damage(c.bytes, target, random, c.description)) {
          cases.push_back(std::move(c));
        }
      }
    }
  }
  return cases;
}

class DamagedMsgTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { use_outlook_as_default_mail_client(); }
};

TEST_F(DamagedMsgTest, EveryDamagedCopyEndsInACleanErrorOrAnOpenedMessage) {
  if (const auto missing = missing_corpus()) {
    GTEST_SKIP() << *missing;
  }
  const std::vector<Case> cases = damaged_cases();
  ASSERT_FALSE(cases.empty());
  TempDir dir;
  std::vector<Result> results(cases.size());
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i = next++; i < cases.size(); i = next++) {
      const std::wstring path = dir.file((L"case" + std::to_wstring(i) + L".msg").c_str());
      write_text_file(path, cases[i].bytes);
      ProcessOptions options;
      options.arguments = {path};
      options.timeout_ms = kChildTimeoutMs;
      results[i] = classify(run_process(bin_path(L"qv_hostile_child.exe"), options));
    }
  };
  // Two children at a time: the machine has two cores.
  std::thread second(work);
  work();
  second.join();

  std::map<DamageTarget, Tally> by_target;
  Tally total;
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const Result& r = results[i];
    for (Tally* tally : {&by_target[c.target], &total}) {
      ++tally->cases;
      ++tally->outcomes[r.outcome];
    }
    const std::string label = utf8(c.name) + ".msg, " + target_name(c.target) + " #" +
                              std::to_string(c.variant) + ": " + c.description;
    if (r.outcome == Outcome::kPlatformHang) {
      std::printf("platform hang: %s; %s\n", label.c_str(), r.evidence.c_str());
    } else if (r.outcome != Outcome::kOpened && r.outcome != Outcome::kCleanError) {
      ADD_FAILURE() << label << ": " << r.evidence;
    }
  }
  for (const DamageTarget target : kDamageTargets) {
    std::printf("%s\n", summary(target_name(target), by_target[target]).c_str());
  }
  std::printf("%s\n", summary("all", total).c_str());
  std::fflush(stdout);
}

// A directory entry that claims 3.4 GB for a stream of a few bytes: the
// readers take only what the file holds, at once and in little memory.
TEST_F(DamagedMsgTest, AStreamClaimingGigabytesCostsOnlyWhatTheFileHolds) {
  if (const auto missing = missing_corpus()) {
    GTEST_SKIP() << *missing;
  }
  std::string bytes = read_text_file(corpus_dir() + L"\\Simple.msg");
  const CompoundFileMap map(bytes);
  const auto properties = map.named(u"__properties_version1.0");
  ASSERT_FALSE(properties.empty());
  const size_t size_field = properties.front()->offset + 0x78;
  bytes[size_field] = bytes[size_field + 1] = bytes[size_field + 2] = bytes[size_field + 3] =
      '\xCC';
  TempDir dir;
  write_text_file(dir.file(L"huge.msg"), bytes);
  ProcessOptions options;
  options.arguments = {dir.file(L"huge.msg")};
  options.timeout_ms = kChildTimeoutMs;
  const ProcessResult run = run_process(bin_path(L"qv_hostile_child.exe"), options);
  ASSERT_FALSE(run.timed_out) << last_trace_line(run.standard_error);
  const nlohmann::json result = nlohmann::json::parse(run.standard_output);
  EXPECT_LT(result.value("peak_memory_mb", 0), 512) << result.dump();
  const Outcome outcome = classify(run).outcome;
  EXPECT_TRUE(outcome == Outcome::kOpened || outcome == Outcome::kCleanError) << result.dump();
}

}  // namespace
}  // namespace qv::test
