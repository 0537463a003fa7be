// Usage: qvsim_check_mailbox PATH [NAME]
//
// Reads the mailbox description at PATH (a Windows path) as the simulated
// Outlook and MAPI read it, the .msg files that its items name included.
// Exit code 0 when it reads. Otherwise one line on standard error, "NAME:
// reason" (NAME is the file's name for the user, PATH when not given), and
// exit code 1; 2 for a wrong command line.
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>

#include "sim/common/ledger.h"
#include "sim/common/mailbox.h"
#include "sim/mapi/mailbox/mailbox_messages.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: qvsim_check_mailbox PATH [NAME]\n", stderr);
    return 2;
  }
  const std::wstring path = argv[1];
  const std::string name = qvsim::wide_to_utf8(argc == 3 ? argv[2] : argv[1]);
  qvsim::mapi::register_msg_property_loader();
  try {
    qvsim::Mailbox::load(path);
    return 0;
  } catch (const std::exception& error) {
    // Errors about the file itself begin with its path: say it once, by the
    // name the user knows.
    std::string reason = error.what();
    const std::string prefix = qvsim::wide_to_utf8(path) + ": ";
    if (reason.compare(0, prefix.size(), prefix) == 0) {
      reason.erase(0, prefix.size());
    }
    std::fprintf(stderr, "%s: %s\n", name.c_str(), reason.c_str());
    return 1;
  }
}
