#include "tests/support/paths.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "test_config.h"
#include "tests/support/text.h"

namespace qv::test {

std::wstring bin_dir() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      throw std::runtime_error("GetModuleFileNameW failed");
    }
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      return path.substr(0, path.find_last_of(L"\\/"));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring bin_path(const wchar_t* file_name) { return bin_dir() + L"\\" + file_name; }

std::wstring source_dir() { return QV_TEST_SOURCE_DIR; }

namespace {

bool running_under_ci() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && _stricmp(ci, "true") == 0;
}

}  // namespace

std::wstring corpus_dir() {
  std::wstring dir = std::wstring(QV_TEST_SHARED_DIR) + L"\\corpus";
  return path_exists(dir) ? dir : std::wstring();
}

bool path_exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
  if (length == 0) {
    throw std::runtime_error("GetTempPathW failed");
  }
  for (;;) {
    path_ = std::wstring(base) + L"qv_test_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(counter++);
    if (::CreateDirectoryW(path_.c_str(), nullptr)) {
      return;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      throw std::runtime_error("CreateDirectoryW failed");
    }
  }
}

TempDir::~TempDir() {
  // SHFileOperation wants a double-terminated list.
  std::wstring from = path_;
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NO_UI;
  ::SHFileOperationW(&operation);
}

std::string read_text_file(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot open the file");
  }
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    text.append(buffer, read);
  }
  ::CloseHandle(file);
  return text;
}

void write_text_file(const std::wstring& path, const std::string& text) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot create the file");
  }
  DWORD written = 0;
  const BOOL ok =
      ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
  if (!ok || written != text.size()) {
    throw std::runtime_error("cannot write the file");
  }
}

std::vector<std::wstring> corpus_message_names() {
  std::vector<std::wstring> names;
  if (corpus_dir().empty()) {
    return names;
  }
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((corpus_dir() + L"\\*.msg").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    const std::wstring name = found.cFileName;
    // The pattern also matches longer extensions ("LICENSE.msgreader").
    if (name.size() > 4 && name.compare(name.size() - 4, 4, L".msg") == 0) {
      names.push_back(name.substr(0, name.size() - 4));
    }
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

std::optional<std::string> missing_corpus() {
  if (!corpus_message_names().empty()) {
    return std::nullopt;
  }
  const std::string missing = "no .msg files in the corpus folder " +
                              utf8(std::wstring(QV_TEST_SHARED_DIR) + L"\\corpus") +
                              " (real messages made by Outlook)";
  if (running_under_ci()) {
    ADD_FAILURE() << missing << ": under CI (CI=true) the corpus is required";
  }
  return missing;
}

}  // namespace qv::test
