#include "sim/mapi/exports/program_references.h"

#include <atomic>
#include <cstring>

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

template <class T>
T at(BYTE* base, DWORD offset) {
  return reinterpret_cast<T>(base + offset);
}

// Points an import slot at a replacement; returns what it held.
void* replace_slot(ULONG_PTR* slot, void* replacement) {
  DWORD protection = 0;
  if (!::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) {
    return nullptr;
  }
  void* previous = reinterpret_cast<void*>(*slot);
  *slot = reinterpret_cast<ULONG_PTR>(replacement);
  ::VirtualProtect(slot, sizeof *slot, protection, &protection);
  return previous;
}

// The executable's import descriptors; null when it imports nothing.
const IMAGE_IMPORT_DESCRIPTOR* imports_of(BYTE* base) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = at<const IMAGE_NT_HEADERS*>(base, static_cast<DWORD>(dos->e_lfanew));
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  return directory.VirtualAddress == 0
             ? nullptr
             : at<const IMAGE_IMPORT_DESCRIPTOR*>(base, directory.VirtualAddress);
}

bool imports_library(BYTE* base, const char* name) {
  for (auto* import = imports_of(base); import != nullptr && import->Name != 0; ++import) {
    if (_stricmp(at<const char*>(base, import->Name), name) == 0) {
      return true;
    }
  }
  return false;
}

// Redirects the executable's imports of LoadLibraryW and FreeLibrary from
// KERNEL32.dll.
void redirect_imports(BYTE* base) {
  for (auto* import = imports_of(base); import != nullptr && import->Name != 0; ++import) {
    if (_stricmp(at<const char*>(base, import->Name), "kernel32.dll") != 0 ||
        import->OriginalFirstThunk == 0) {
      continue;
    }
    auto* names = at<const IMAGE_THUNK_DATA*>(base, import->OriginalFirstThunk);
    auto* slots = at<ULONG_PTR*>(base, import->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
        continue;
      }
      const char* name =
          at<const IMAGE_IMPORT_BY_NAME*>(base, static_cast<DWORD>(names->u1.AddressOfData))->Name;
      if (std::strcmp(name, "LoadLibraryW") == 0) {
        g_load_library = reinterpret_cast<LoadLibraryWFunction>(
            replace_slot(slots, reinterpret_cast<void*>(&counting_load_library)));
      } else if (std::strcmp(name, "FreeLibrary") == 0) {
        g_free_library = reinterpret_cast<FreeLibraryFunction>(
            replace_slot(slots, reinterpret_cast<void*>(&counting_free_library)));
      }
    }
  }
}

}  // namespace

void watch_program_references(HMODULE self) {
  // Only a DLL that the executable imports stays loaded as long as the
  // redirected imports point into it; one loaded at run time may go away
  // while they still do, so it watches nothing.
  BYTE* program = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
  if (!imports_library(program, "mapi32.dll")) {
    return;
  }
  g_self = self;
  redirect_imports(program);
}

long program_references() { return g_references.load(); }

}  // namespace qvsim::mapi
