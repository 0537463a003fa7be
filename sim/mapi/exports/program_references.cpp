#include "sim/mapi/exports/program_references.h"

#include <atomic>

#include "sim/common/program_imports.h"

namespace qvsim::mapi {
namespace {

using LoadLibraryWFunction = HMODULE(WINAPI*)(LPCWSTR);
using FreeLibraryFunction = BOOL(WINAPI*)(HMODULE);

HMODULE g_self = nullptr;
LoadLibraryWFunction g_load_library = nullptr;
FreeLibraryFunction g_free_library = nullptr;
std::atomic<long> g_references{0};

HMODULE WINAPI counting_load_library(LPCWSTR name) {
  const HMODULE module = g_load_library(name);
  if (module != nullptr && module == g_self) {
    ++g_references;
  }
  return module;
}

BOOL WINAPI counting_free_library(HMODULE module) {
  if (module != nullptr && module == g_self) {
    --g_references;
  }
  return g_free_library(module);
}

}  // namespace

void watch_program_references(HMODULE self) {
  // Only a DLL that the executable imports stays loaded as long as the
  // redirected imports point into it; one loaded at run time may go away
  // while they still do, so it watches nothing.
  if (!program_imports_library("mapi32.dll")) {
    return;
  }
  g_self = self;
  g_load_library = reinterpret_cast<LoadLibraryWFunction>(redirect_program_import(
      "kernel32.dll", "LoadLibraryW", reinterpret_cast<void*>(&counting_load_library)));
  g_free_library = reinterpret_cast<FreeLibraryFunction>(redirect_program_import(
      "kernel32.dll", "FreeLibrary", reinterpret_cast<void*>(&counting_free_library)));
}

long program_references() { return g_references.load(); }

}  // namespace qvsim::mapi
