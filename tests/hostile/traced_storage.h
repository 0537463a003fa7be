// A storage that writes each call it passes on to standard error before and
// after the call ("> IStorage::OpenStream __properties_version1.0", "< ...
// 0x00000000"), and wraps the streams and storages it opens alike. When the
// platform's compound-file code never returns, the last line shows where.
#pragma once

#include <windows.h>
#include <objidl.h>

namespace qv::test {

// A new reference to a traced view of storage (which it holds).
IStorage* traced_storage(IStorage* storage);

// Writes one line to standard error at once.
void trace_line(const char* format, ...);

}  // namespace qv::test
