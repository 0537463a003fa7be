// The driver's three phases, made with the same library calls in the same
// order as qv_driver.exe but without printing, each timed inside the
// process. driver_bench runs it as a fresh process, as the driver runs, and
// reads one line: the milliseconds of each phase.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "errors/exceptions.h"
#include "items/message.h"
#include "mapi/mapi.h"
#include "outlook/selection.h"

int wmain() {
  using qv::bench::now_seconds;
  const double start = now_seconds();
  ::CoInitialize(nullptr);
  const double com = now_seconds();
  try {
    const std::vector<std::wstring> urls = qv::selected_item_urls();
    const double selection = now_seconds();
    std::optional<qv::Mapi> mapi;
    mapi.emplace();
    bool refresh = true;
    const size_t folders = mapi->list_folders(refresh).size();
    const double listing = now_seconds();
    {
      const qv::MapiMessage message(urls.empty() ? nullptr : urls.front().c_str(), false);
      message.field_text(0, L"");
    }
    const double item = now_seconds();
    qv::shared_mapi(true);
    mapi.reset();
    const double end = now_seconds();
    std::printf("%.3f %.3f %.3f %.3f %.3f %zu\n", (com - start) * 1e3, (selection - com) * 1e3,
                (listing - selection) * 1e3, (item - listing) * 1e3, (end - item) * 1e3, folders);
  } catch (const qv::texception&) {
    return 1;
  }
  return 0;
}
