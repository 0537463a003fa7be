#include "tests/support/process.h"

#include <gtest/gtest.h>

#include "tests/support/paths.h"

namespace qv::test {
namespace {

std::wstring child() { return bin_path(L"qv_test_child.exe"); }

TEST(ProcessTest, CollectsOutputErrorAndExitCode) {
  ProcessOptions options;
  options.arguments = {L"--out", L"first line\r\n", L"--err",  L"to stderr",
                       L"--out", L"second \u00fc",  L"--exit", L"7"};
  const ProcessResult result = run_process(child(), options);
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_code, 7u);
  EXPECT_EQ(result.standard_output, "first line\r\nsecond \xC3\xBC");
  EXPECT_EQ(result.standard_error, "to stderr");
}

TEST(ProcessTest, SetsAndRemovesEnvironmentVariables) {
  ::SetEnvironmentVariableW(L"QV_TEST_INHERITED", L"from parent");
  ::SetEnvironmentVariableW(L"QV_TEST_REMOVED", L"should not show");
  ProcessOptions options;
  options.arguments = {L"--env", L"QV_TEST_INHERITED", L"--env", L"QV_TEST_SET",
                       L"--env", L"QV_TEST_REMOVED"};
  options.environment[L"QV_TEST_SET"] = L"a value with spaces";
  options.environment[L"qv_test_removed"] = std::nullopt;  // names ignore case
  const ProcessResult result = run_process(child(), options);
  EXPECT_EQ(result.exit_code, 0u);
  EXPECT_EQ(result.standard_output, "from parent\na value with spaces\n<unset>\n");
}

TEST(ProcessTest, PassesArgumentsWithQuotesAndBackslashesUnchanged) {
  const std::wstring tricky = L"say \"hi\" to C:\\dir\\ \\\\";
  ProcessOptions options;
  options.arguments = {L"--out", tricky, L"--out", std::wstring()};
  const ProcessResult result = run_process(child(), options);
  EXPECT_EQ(result.standard_output, "say \"hi\" to C:\\dir\\ \\\\");
}

TEST(ProcessTest, MissingProgramThrows) {
  EXPECT_THROW(run_process(bin_path(L"no_such_program.exe")), std::runtime_error);
}

TEST(QuoteArgumentTest, QuotesOnlyWhenNeeded) {
  EXPECT_EQ(quote_argument(L"plain"), L"plain");
  EXPECT_EQ(quote_argument(std::wstring()), L"\"\"");
  EXPECT_EQ(quote_argument(L"a b"), L"\"a b\"");
  EXPECT_EQ(quote_argument(L"a\"b"), L"\"a\\\"b\"");
  EXPECT_EQ(quote_argument(L"end\\ "), L"\"end\\ \"");
  EXPECT_EQ(quote_argument(L"a b\\"), L"\"a b\\\\\"");
}

}  // namespace
}  // namespace qv::test
