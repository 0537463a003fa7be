// Prints the item URL and the subject of each item selected in Outlook.
#include <windows.h>

#include <cstdio>
#include <string>

#include <qv/errors/compat.h>      // _com_error, CAtlException
#include <qv/errors/exceptions.h>  // qv::texception, qv::win32_error
#include <qv/items/message.h>      // qv::MapiMessage
#include <qv/mapi/mapi.h>          // qv::shared_mapi
#include <qv/outlook/selection.h>  // qv::selected_item_urls

int main() {
  // qv reaches Outlook and MAPI through COM: the thread joins an apartment
  // before its first call to qv.
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    return 1;
  }
  int status = 0;
  try {
    for (const std::wstring& url : qv::selected_item_urls()) {
      const qv::MapiMessage message(url.c_str(), false);  // read-only
      const std::wstring subject = message.field_text(0, L"(no subject)");
      std::printf("%ls\t%ls\n", url.c_str(), subject.c_str());
    }
  } catch (const qv::win32_error& error) {  // a failed call: its code and the system's text
    std::fprintf(stderr, "qv: 0x%08lX %ls\n", static_cast<unsigned long>(error.code()),
                 error.message().c_str());
    status = 1;
  } catch (const qv::texception& error) {  // the library's own named failures
    std::fprintf(stderr, "qv: %ls\n", error.message().c_str());
    status = 1;
  } catch (const _com_error& error) {  // a member of Outlook's objects failed
    std::fprintf(stderr, "Outlook: 0x%08lX\n", static_cast<unsigned long>(error.Error()));
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
