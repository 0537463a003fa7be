#include "tests/support/import_redirect.h"

#include <stdexcept>
#include <string>

#include "sim/common/program_imports.h"

namespace qv::test {

ImportRedirect::ImportRedirect(const char* library, const char* routine, void* replacement)
    : library_(library),
      routine_(routine),
      original_(qvsim::redirect_program_import(library, routine, replacement)) {
  if (original_ == nullptr) {
    throw std::runtime_error(std::string("the test program does not import ") + routine);
  }
}

ImportRedirect::~ImportRedirect() { qvsim::redirect_program_import(library_, routine_, original_); }

}  // namespace qv::test
