#include "tests/support/process.h"

#include <algorithm>
#include <stdexcept>
#include <thread>
#include <utility>

namespace qv::test {
namespace {

// Closes a handle on scope exit.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { reset(); }
  HANDLE get() const { return handle_; }
  HANDLE* put() {
    reset();
    return &handle_;
  }
  void reset() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
      ::CloseHandle(handle_);
    }
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

std::runtime_error last_error_exception(const char* what) {
  return std::runtime_error(std::string(what) + " failed, error " +
                            std::to_string(::GetLastError()));
}

// A pipe whose write end the child inherits.
void create_inherited_pipe(Handle& read_end, Handle& write_end) {
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, TRUE};
  if (!::CreatePipe(read_end.put(), write_end.put(), &attributes, 0)) {
    throw last_error_exception("CreatePipe");
  }
  ::SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
}

void read_all(HANDLE pipe, std::string* bytes) {
  char buffer[4096];
  DWORD count = 0;
  while (::ReadFile(pipe, buffer, sizeof(buffer), &count, nullptr) && count > 0) {
    bytes->append(buffer, count);
  }
}

bool same_name(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The parent's environment with the options' changes, as a sorted block.
std::wstring environment_block(const ProcessOptions& options) {
  std::vector<std::pair<std::wstring, std::wstring>> variables;
  if (wchar_t* block = ::GetEnvironmentStringsW()) {
    for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
      std::wstring text = entry;
      const size_t equals = text.find(L'=', 1);  // names may start with '='
      if (equals != std::wstring::npos) {
        variables.emplace_back(text.substr(0, equals), text.substr(equals + 1));
      }
    }
    ::FreeEnvironmentStringsW(block);
  }
  for (const auto& entry : options.environment) {
    const std::wstring& name = entry.first;  // C++17 lambdas cannot capture a structured binding
    variables.erase(std::remove_if(variables.begin(), variables.end(),
                                   [&](const auto& v) { return same_name(v.first, name); }),
                    variables.end());
    if (entry.second) {
      variables.emplace_back(name, *entry.second);
    }
  }
  std::sort(variables.begin(), variables.end(), [](const auto& a, const auto& b) {
    return ::CompareStringOrdinal(a.first.c_str(), -1, b.first.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
  std::wstring result;
  for (const auto& [name, value] : variables) {
    result += name + L"=" + value;
    result.push_back(L'\0');
  }
  result.push_back(L'\0');
  return result;
}

}  // namespace

std::wstring quote_argument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  for (auto it = argument.begin();; ++it) {
    size_t backslashes = 0;
    while (it != argument.end() && *it == L'\\') {
      ++it;
      ++backslashes;
    }
    if (it == argument.end()) {
      quoted.append(backslashes * 2, L'\\');
      break;
    }
    if (*it == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    quoted.push_back(*it);
  }
  quoted.push_back(L'"');
  return quoted;
}

namespace {

std::wstring command_line_of(const std::wstring& program, const ProcessOptions& options) {
  std::wstring command_line = quote_argument(program);
  for (const auto& argument : options.arguments) {
    command_line += L" " + quote_argument(argument);
  }
  return command_line;
}

}  // namespace

ProcessHandle start_process(const std::wstring& program, const ProcessOptions& options) {
  std::wstring command_line = command_line_of(program, options);
  std::wstring environment = environment_block(options);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, TRUE};
  Handle none(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes, OPEN_EXISTING, 0,
                            nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = none.get();
  startup.hStdOutput = none.get();
  startup.hStdError = none.get();
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT | DETACHED_PROCESS, environment.data(), nullptr,
                        &startup, &info)) {
    throw last_error_exception("CreateProcessW");
  }
  ::CloseHandle(info.hThread);
  return ProcessHandle(info.hProcess);
}

ProcessResult run_process(const std::wstring& program, const ProcessOptions& options) {
  std::wstring command_line = command_line_of(program, options);
  std::wstring environment = environment_block(options);

  Handle out_read, out_write, err_read, err_write;
  create_inherited_pipe(out_read, out_write);
  create_inherited_pipe(err_read, err_write);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, TRUE};
  Handle in(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                          OPEN_EXISTING, 0, nullptr));

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.get();
  startup.hStdOutput = out_write.get();
  startup.hStdError = err_write.get();
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(), nullptr,
                        &startup, &info)) {
    throw last_error_exception("CreateProcessW");
  }
  Handle process(info.hProcess);
  Handle thread(info.hThread);
  // Only the child holds the write ends now, so the reads end with it.
  out_write.reset();
  err_write.reset();

  ProcessResult result;
  std::thread error_reader(read_all, err_read.get(), &result.standard_error);
  std::thread output_reader(read_all, out_read.get(), &result.standard_output);
  if (::WaitForSingleObject(process.get(), options.timeout_ms) != WAIT_OBJECT_0) {
    result.timed_out = true;
    ::TerminateProcess(process.get(), 0xDEAD);
    ::WaitForSingleObject(process.get(), INFINITE);
  }
  output_reader.join();
  error_reader.join();
  ::GetExitCodeProcess(process.get(), &result.exit_code);
  return result;
}

}  // namespace qv::test
