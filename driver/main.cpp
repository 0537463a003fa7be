// qv_driver: exercises the qv library end to end against the Outlook of the
// user who runs it. It takes no arguments, reads no input and writes no
// file. Three phases print what they find to standard output:
//   1. the item URLs of the items selected in Outlook's active window;
//   2. the paths of all Outlook folders, in case-insensitive order;
//   3. the first selected item, opened by its URL.
// A failure of the library's error model ends the run with a line that names
// its phase, and exit code 1. Any other exception that reaches the entry
// point ends it with one diagnostic line on standard error and exit code 2.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "driver/console_output.h"
#include "errors/compat.h"
#include "errors/com_holders.h"
#include "errors/exceptions.h"
#include "items/message.h"
#include "mapi/mapi.h"
#include "outlook/selection.h"

namespace qv::driver {
namespace {

// Failure formats: how a caught exception's message is printed, by phase.
constexpr wchar_t kGeneralFailure[] = L"General exception occurred: %s\n";
constexpr wchar_t kSelectionFailure[] = L"Retrieving Clipboard Url(s): %s\n";
constexpr wchar_t kMapiFailure[] = L"Exception creating Mapi class: %s\n";
constexpr wchar_t kFolderFailure[] = L"Exception interating over Outlook folders: %s\n";
constexpr wchar_t kItemFailure[] = L"Exception accessing MAPI object: %s\n";

constexpr int kSuccess = 0;
constexpr int kLibraryFailure = 1;
constexpr int kUnexpectedFailure = 2;

// Phase one: prints the URL of every selected item; returns them.
std::vector<std::wstring> run_selection_phase(std::wstring& failure_format) {
  failure_format = kSelectionFailure;
  std::vector<std::wstring> urls = selected_item_urls();
  print(L"EntryID values on clipboard:\n");
  for (const std::wstring& url : urls) {
    print(L"EntryID=%s\n", url);
  }
  return urls;
}

// Phase two: constructs the run's Mapi object and prints every folder path.
void run_folder_phase(std::optional<Mapi>& mapi, std::wstring& failure_format) {
  print(L"\nCreating Mapi class, then listing Outlook folders\n");
  failure_format = kMapiFailure;
  mapi.emplace();
  bool refresh = true;
  failure_format = kFolderFailure;
  for (const auto& folder : mapi->list_folders(refresh)) {
    print(L"  %s\n", folder.first);
  }
}

// Phase three: opens the first selected item by its URL and prints its
// subject. With nothing selected there is no URL, and the message object is
// given no source at all.
void run_item_phase(const std::wstring& first_url, std::wstring& failure_format) {
  failure_format = kItemFailure;
  const MapiMessage message(first_url.empty() ? nullptr : first_url.c_str(), false);
  const std::wstring title = message.field_text(0, L"");
  print(L"\nFirst selected object title = %s\n", title);
}

int run() {
  std::wstring failure_format = kGeneralFailure;
  std::wstring first_url;
  try {
    const std::vector<std::wstring> urls = run_selection_phase(failure_format);
    if (!urls.empty()) {
      first_url = urls.front();
    }
    std::optional<Mapi> mapi;
    run_folder_phase(mapi, failure_format);
    run_item_phase(first_url, failure_format);
  } catch (const texception& failure) {
    print(failure_format, failure.message());
    return kLibraryFailure;
  }
  return kSuccess;
}

std::wstring hex_code(HRESULT hr) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

void report_unexpected(const std::wstring& what) {
  write_error(L"qv_driver: unexpected exception: " + what + L"\n");
}

// "_com_error 0x...", followed by the error object's description when the
// failing object supplied one.
std::wstring com_error_text(const _com_error& error) {
  std::wstring text = L"_com_error " + hex_code(error.Error());
  const auto info = com_ptr<IErrorInfo>::attach(error.ErrorInfo());
  unique_bstr description;
  if (info && SUCCEEDED(info->GetDescription(description.put()))) {
    std::wstring words = description.text();
    trim_whitespace(words);
    if (!words.empty()) {
      text += L": " + words;
    }
  }
  return text;
}

}  // namespace
}  // namespace qv::driver

int wmain(int /*argc*/, wchar_t** /*argv*/) {
  using qv::driver::com_error_text;
  using qv::driver::hex_code;
  using qv::driver::report_unexpected;
  ::CoInitialize(nullptr);
  try {
    return qv::driver::run();
  } catch (const _com_error& e) {
    report_unexpected(com_error_text(e));
  } catch (const CAtlException& e) {
    report_unexpected(L"CAtlException " + hex_code(static_cast<HRESULT>(e)));
  } catch (const std::exception& e) {
    std::wstring what;
    for (const char* c = e.what(); *c != '\0'; ++c) {
      what.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    }
    report_unexpected(L"std::exception " + what);
  } catch (...) {
    report_unexpected(L"of unknown type");
  }
  return qv::driver::kUnexpectedFailure;
}
