// Paths that tests use, as Windows paths seen from inside Wine.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv::test {

// The folder of the running test program, where every program and DLL of the
// build lies.
std::wstring bin_dir();

// A file of bin_dir().
std::wstring bin_path(const wchar_t* file_name);

// The repository's top folder.
std::wstring source_dir();

// The folder of real .msg files made by Outlook; empty when it is absent.
std::wstring corpus_dir();

// The base names (without ".msg") of the .msg files of corpus_dir(); none
// when it is absent.
std::vector<std::wstring> corpus_message_names();

// Nothing when the corpus holds .msg files; otherwise why a test that needs
// them cannot run, naming the folder looked in, for GTEST_SKIP. Under CI
// (CI=true in the environment) a missing corpus is also a failure of the
// calling test, so that the suite cannot pass without it:
//   if (const auto missing = missing_corpus()) { GTEST_SKIP() << *missing; }
std::optional<std::string> missing_corpus();

// Whether a file or folder exists.
bool path_exists(const std::wstring& path);

// A file's bytes. Throws std::runtime_error when it cannot be read.
std::string read_text_file(const std::wstring& path);

// Writes UTF-8 text to a file, replacing it. Throws std::runtime_error.
void write_text_file(const std::wstring& path, const std::string& text);

// A new, empty temporary folder, removed with everything in it when the
// object goes away.
class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::wstring& path() const { return path_; }
  std::wstring file(const wchar_t* name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

}  // namespace qv::test
