// A small program that the process helper's tests start. Arguments, in any
// order and repeated as needed:
//   --out TEXT     write TEXT (UTF-8 bytes) to standard output
//   --err TEXT     write TEXT to standard error
//   --env NAME     write NAME's value, or "<unset>", and a line end to
//                  standard output
//   --exit N       end with exit code N (default 0)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

void write_utf8(HANDLE stream, const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size > 0 ? size : 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
  DWORD written = 0;
  ::WriteFile(stream, bytes.data(), static_cast<DWORD>(bytes.size() - 1), &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int exit_code = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring option = argv[i];
    const wchar_t* value = argv[i + 1];
    if (option == L"--out") {
      write_utf8(::GetStdHandle(STD_OUTPUT_HANDLE), value);
    } else if (option == L"--err") {
      write_utf8(::GetStdHandle(STD_ERROR_HANDLE), value);
    } else if (option == L"--env") {
      const wchar_t* found = _wgetenv(value);
      write_utf8(::GetStdHandle(STD_OUTPUT_HANDLE), found != nullptr ? found : L"<unset>");
      write_utf8(::GetStdHandle(STD_OUTPUT_HANDLE), L"\n");
    } else if (option == L"--exit") {
      exit_code = static_cast<int>(std::wcstol(value, nullptr, 10));
    }
  }
  return exit_code;
}
