// The driver's output. Texts are UTF-16; the C runtime's wide printf cannot
// be trusted with them (MinGW's drops characters outside the code page
// silently), so the driver writes them itself:
//   - to a console, with WriteConsoleW: every Unicode character shows;
//   - redirected (a file or a pipe), as bytes of the console's output code
//     page (the ANSI code page when the process has no console), with '?' for
//     each character that the code page lacks.
// Each "\n" goes out as a Windows line end, "\r\n".
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace qv::driver {

// The format with its one "%s" replaced by argument, taken as plain text
// (never as a format). "%%" in the format stands for one "%".
std::wstring fill_format(std::wstring_view format, std::wstring_view argument);

// The bytes that text becomes in a code page: line ends as "\r\n", and '?'
// for a character the code page cannot show.
std::string encode_for_code_page(std::wstring_view text, UINT code_page);

// Writes text to standard output, or to standard error.
void write_output(std::wstring_view text);
void write_error(std::wstring_view text);

// Writes a format with its "%s" filled with argument to standard output.
void print(std::wstring_view format, std::wstring_view argument = {});

}  // namespace qv::driver
