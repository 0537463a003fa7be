// Starts a Windows program as a child process and collects what it prints:
// the end-to-end tests run qv_driver.exe this way and compare its standard
// output byte for byte.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv::test {

struct ProcessOptions {
  std::vector<std::wstring> arguments;
  // Environment of the child: the parent's, with these variables set
  // (a value) or removed (std::nullopt).
  std::map<std::wstring, std::optional<std::wstring>> environment;
  // The child is killed after this long, and the result says so.
  DWORD timeout_ms = 60000;
};

struct ProcessResult {
  DWORD exit_code = 0;
  bool timed_out = false;
  std::string standard_output;  // the bytes, as written
  std::string standard_error;
};

// Runs program (a full path) and waits for it. Throws std::runtime_error when
// the process cannot be started.
ProcessResult run_process(const std::wstring& program, const ProcessOptions& options = {});

// A process handle, closed when the holder goes.
class ProcessHandle {
 public:
  explicit ProcessHandle(HANDLE process) : process_(process) {}
  ProcessHandle(ProcessHandle&& other) noexcept : process_(other.process_) {
    other.process_ = nullptr;
  }
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  ~ProcessHandle() {
    if (process_ != nullptr) {
      ::CloseHandle(process_);
    }
  }
  HANDLE get() const { return process_; }

 private:
  HANDLE process_;
};

// Starts program without waiting for it and without a console, its standard
// handles NUL; options.timeout_ms is not used. Throws std::runtime_error when
// the process cannot be started.
ProcessHandle start_process(const std::wstring& program, const ProcessOptions& options = {});

// Quotes one argument by the rules that CommandLineToArgvW undoes.
std::wstring quote_argument(const std::wstring& argument);

}  // namespace qv::test
