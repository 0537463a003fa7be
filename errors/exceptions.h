// The library's error model: one chain of exception classes, the rule that
// turns a failed HRESULT into an exception, and the texts of exceptions.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>

namespace qv {

// Base of the chain. Carries a wide message; what() is the same fixed narrow
// text for every class of the chain and never the message.
class texception : public std::exception {
 public:
  explicit texception(const wchar_t* text) noexcept;
  explicit texception(const std::wstring& text) noexcept;

  const char* what() const noexcept override;

  // The message; empty when no text could be stored.
  const std::wstring& message() const noexcept { return message_; }

 private:
  std::wstring message_;
};

// The system's own, named failures.
class truntime_error : public texception {
 public:
  explicit truntime_error(const wchar_t* text) noexcept : texception(text) {}
  explicit truntime_error(const std::wstring& text) noexcept : texception(text) {}
};

// A failed HRESULT or Win32 call.
class win32_error : public truntime_error {
 public:
  // The code is an HRESULT or a Win32 error code; the message is the system's
  // text for it.
  explicit win32_error(std::int32_t code) noexcept;
  // From the calling thread's last error: the message is the system's text for
  // the HRESULT made from it, the code the last error itself. Construct it on
  // the thread whose call failed, before anything changes its last error.
  win32_error() noexcept;
  // A message without a code of its own: code() is E_FAIL.
  explicit win32_error(const wchar_t* text) noexcept;

  std::int32_t code() const noexcept { return code_; }

 private:
  struct from_text_tag {};
  struct last_error_tag {};
  win32_error(from_text_tag, const std::wstring& message, std::int32_t code) noexcept;
  win32_error(last_error_tag, DWORD last_error) noexcept;

  std::int32_t code_;
};

// Returns hr when it is a success code (zero or positive); throws
// win32_error(hr) when it is negative.
HRESULT check_hresult(HRESULT hr);

// The system's message text for a code, without the line break that ends it,
// or "Unknown error" when the system has none. Never throws.
std::wstring system_error_text(std::int32_t code) noexcept;

// Formats a pattern with the system's message formatter; "%1", "%2", ... take
// the inserts in order. A pattern that the formatter rejects, or that names an
// insert that was not passed, comes back unchanged. Never throws.
std::wstring format_message(const wchar_t* pattern,
                            std::initializer_list<const wchar_t*> inserts = {}) noexcept;

// Removes leading and trailing white space in place; returns the text.
std::wstring& trim_whitespace(std::wstring& text);

}  // namespace qv
