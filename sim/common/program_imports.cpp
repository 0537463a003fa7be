#include "sim/common/program_imports.h"

#include <cstring>

namespace qvsim {
namespace {

template <class T>
T at(BYTE* base, DWORD offset) {
  return reinterpret_cast<T>(base + offset);
}

BYTE* program_base() { return reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr)); }

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

// Points one import slot at a replacement; returns what it held.
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

}  // namespace

bool program_imports_library(const char* library) {
  BYTE* base = program_base();
  for (auto* import = imports_of(base); import != nullptr && import->Name != 0; ++import) {
    if (_stricmp(at<const char*>(base, import->Name), library) == 0) {
      return true;
    }
  }
  return false;
}

void* redirect_program_import(const char* library, const char* routine, void* replacement) {
  BYTE* base = program_base();
  void* previous = nullptr;
  for (auto* import = imports_of(base); import != nullptr && import->Name != 0; ++import) {
    if (_stricmp(at<const char*>(base, import->Name), library) != 0 ||
        import->OriginalFirstThunk == 0) {
      continue;
    }
    auto* names = at<const IMAGE_THUNK_DATA*>(base, import->OriginalFirstThunk);
    auto* slots = at<ULONG_PTR*>(base, import->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
        continue;
      }
      const auto* by_name =
          at<const IMAGE_IMPORT_BY_NAME*>(base, static_cast<DWORD>(names->u1.AddressOfData));
      if (std::strcmp(by_name->Name, routine) == 0) {
        previous = replace_slot(slots, replacement);
      }
    }
  }
  return previous;
}

}  // namespace qvsim
