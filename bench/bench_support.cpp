#include "bench/bench_support.h"

#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "errors/exceptions.h"
#include "outlook/outlook_app.h"
#include "sim/common/ledger.h"
#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace qv::bench {
namespace {

constexpr SIZE_T kLargeStack = 512u * 1024u * 1024u;

struct ThreadCall {
  const std::function<int()>* body;
  int result = 1;
};

DWORD WINAPI run_thread(void* parameter) {
  auto* call = static_cast<ThreadCall*>(parameter);
  ::CoInitialize(nullptr);
  try {
    call->result = (*call->body)();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "failed: %s\n", e.what());
    call->result = 1;
  }
  ::CoUninitialize();
  return 0;
}

std::FILE* open_output(const std::wstring& folder, const std::string& file) {
  const std::wstring path = folder + L"\\" + widen(file);
  std::FILE* output = ::_wfopen(path.c_str(), L"wb");
  if (output == nullptr) {
    throw std::runtime_error("cannot write " + narrow(path));
  }
  return output;
}

}  // namespace

double now_seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> values) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double median_seconds(int runs, const std::function<void()>& body) {
  std::vector<double> seconds;
  for (int run = 0; run < runs; ++run) {
    const double start = now_seconds();
    body();
    seconds.push_back(now_seconds() - start);
  }
  return median(seconds);
}

std::string format(const char* pattern, ...) {
  va_list arguments;
  va_start(arguments, pattern);
  va_list copy;
  va_copy(copy, arguments);
  const int size = std::vsnprintf(nullptr, 0, pattern, copy);
  va_end(copy);
  std::string text(static_cast<size_t>(size > 0 ? size : 0) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), pattern, arguments);
  va_end(arguments);
  text.resize(text.size() - 1);
  return text;
}

std::string narrow(const std::wstring& text) { return qvsim::wide_to_utf8(text); }

std::wstring widen(const std::string& text) { return qvsim::utf8_to_wide(text); }

void use_simulators() {
  qv::test::register_outlook_sim();
  qv::test::use_outlook_as_default_mail_client();
}

bool local_server() { return qv::test::local_server_mode(); }

namespace {

std::unique_ptr<qv::test::RunningOutlook>& running_outlook() {
  static std::unique_ptr<qv::test::RunningOutlook> outlook;
  return outlook;
}

// One object of each kind that the benchmarks use, held while the local
// server serves: under Wine 8 a server in which the last object with an
// interface goes can wait for ever inside that release (RpcServerUnregisterIf
// waiting for a call under way; seen in a loop of connections, each the only
// one). Held, the interfaces stay registered in the server while the
// benchmarks' objects come and go.
struct HeldObjects {
  com_ptr<_Application> application;
  com_ptr<_NameSpace> name_space;
  com_ptr<_Folders> folders;
  com_ptr<MAPIFolder> folder;
};

std::unique_ptr<HeldObjects>& held_objects() {
  static std::unique_ptr<HeldObjects> held;
  return held;
}

std::unique_ptr<HeldObjects> hold_objects() {
  auto held = std::make_unique<HeldObjects>();
  held->application = create_outlook_application();
  held->name_space = outlook::get_namespace(held->application, L"MAPI");
  held->folders = outlook::folders(held->name_space);
  held->folder = outlook::item(held->folders, 1);
  return held;
}

}  // namespace

void serve_mailbox(const std::wstring& path) {
  if (!local_server()) {
    if (FAILED(qv::test::use_outlook_mailbox(path))) {
      throw std::runtime_error("the simulated Outlook refused " + narrow(path));
    }
    return;
  }
  stop_serving();
  ::SetEnvironmentVariableW(qv::test::kMailboxVariable, path.c_str());  // for MAPI
  running_outlook() = std::make_unique<qv::test::RunningOutlook>(
      std::map<std::wstring, std::optional<std::wstring>>{{qv::test::kMailboxVariable, path}});
  held_objects() = hold_objects();
}

void stop_serving() {
  held_objects().reset();
  running_outlook().reset();
  if (local_server()) {
    qv::test::close_outlook();
  }
}

int run_on_large_stack(const std::function<int()>& body) {
  ThreadCall call{&body};
  HANDLE thread = ::CreateThread(nullptr, kLargeStack, &run_thread, &call,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) {
    return 1;
  }
  ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
  return call.result;
}

void write_mailbox(const std::wstring& path, const nlohmann::json& description) {
  qv::test::write_text_file(path, description.dump());
}

double calls_per(const nlohmann::json& report, const char* call, double units) {
  return static_cast<double>(qv::test::calls(report, call)) / units;
}

Report::Report(const std::wstring& folder, const std::string& name)
    : folder_(folder),
      section_(open_output(folder, name + ".md")),
      calls_(open_output(folder, name + ".calls.md")),
      data_(open_output(folder, name + ".tsv")) {}

Report::~Report() {
  std::fclose(section_);
  std::fclose(calls_);
  std::fclose(data_);
}

void Report::text(const std::string& markdown) {
  std::fputs(markdown.c_str(), section_);
  std::fflush(section_);
  std::fputs(markdown.c_str(), stdout);
  std::fflush(stdout);
}

void Report::calls(const std::string& operation, const std::string& call, double prescribed,
                   double measured) {
  const bool same = std::abs(prescribed - measured) < 1e-9;
  std::fprintf(calls_, "| %s | `%s` | %g | %g | %s |\n", operation.c_str(), call.c_str(),
               prescribed, measured, same ? "yes" : "**no**");
  std::fflush(calls_);
}

void Report::point(const std::string& series, double size, double microseconds) {
  std::fprintf(data_, "%s\t%.0f\t%.3f\n", series.c_str(), size, microseconds);
  std::fflush(data_);
}

int run_benchmark(int argc, wchar_t** argv, const std::string& name,
                  const std::function<void(Report&, const qv::test::TempDir&)>& body) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: <benchmark> <folder for the report files> [arguments]\n");
    return 1;
  }
  const std::wstring folder = argv[1];
  return run_on_large_stack([&] {
    use_simulators();
    qv::test::TempDir dir;
    Report report(folder, local_server() ? name + "-local" : name);
    int result = 0;
    try {
      body(report, dir);
    } catch (const texception& e) {
      std::fprintf(stderr, "failed: %s\n", narrow(e.message()).c_str());
      result = 1;
    }
    stop_serving();
    return result;
  });
}

}  // namespace qv::bench
