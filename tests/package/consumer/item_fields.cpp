// Prints the subject, the sender, the location and the start of one item,
// named by an item URL or the path of a .msg file.
#include <windows.h>
#include <mapitags.h>  // PR_SENDER_NAME_W, PR_SENDER_EMAIL_ADDRESS_W

#include <cstdio>
#include <locale>
#include <sstream>
#include <string>

#include <qv/errors/compat.h>      // qv::to_wide, CAtlException
#include <qv/errors/exceptions.h>  // qv::texception, qv::win32_error
#include <qv/items/message.h>      // qv::MapiMessage, qv::field
#include <qv/mapi/mapi.h>          // qv::shared_mapi

// The text of a time field, an OLE automation date such as "45554.54167",
// as a SYSTEMTIME in UTC; false for the empty text of a missing time.
bool to_system_time(const std::wstring& text, SYSTEMTIME& time) {
  std::wistringstream in(text);
  in.imbue(std::locale::classic());  // the text has a decimal point in every locale
  double date = 0.0;
  return static_cast<bool>(in >> date) && ::VariantTimeToSystemTime(date, &time) != FALSE;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: item_fields ITEM-URL-OR-MSG-FILE\n");
    return 2;
  }
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    return 1;
  }
  int status = 0;
  try {
    const std::wstring source = qv::to_wide(argv[1], -1, CP_ACP);
    const qv::MapiMessage message(source.c_str(), false);  // read-only
    std::printf("Subject: %ls\n", message.field_text(qv::field::subject, L"").c_str());
    // Properties that no field names, by their tags.
    std::printf("Sender: %ls <%ls>\n", message.property_text(PR_SENDER_NAME_W, L"").c_str(),
                message.property_text(PR_SENDER_EMAIL_ADDRESS_W, L"").c_str());
    std::printf("Location: %ls\n", message.field_text(qv::field::location, L"").c_str());
    SYSTEMTIME start{};
    if (to_system_time(message.field_text(qv::field::start, L""), start)) {
      std::printf("Start: %04d-%02d-%02d %02d:%02d UTC\n", start.wYear, start.wMonth, start.wDay,
                  start.wHour, start.wMinute);
    }
  } catch (const qv::win32_error& error) {  // a failed call: its code and the system's text
    std::fprintf(stderr, "qv: 0x%08lX %ls\n", static_cast<unsigned long>(error.code()),
                 error.message().c_str());
    status = 1;
  } catch (const qv::texception& error) {  // the library's own named failures
    std::fprintf(stderr, "qv: %ls\n", error.message().c_str());
    status = 1;
  } catch (const CAtlException& error) {  // a text conversion failed
    std::fprintf(stderr, "text: 0x%08lX\n",
                 static_cast<unsigned long>(static_cast<HRESULT>(error)));
    status = 1;
  }
  qv::shared_mapi(true);  // logs off and ends MAPI while COM is still there
  ::CoUninitialize();
  return status;
}
