// A platform routine that the test program itself calls, pointed elsewhere
// while an object lives: for the platform's failures that no simulator
// serves (GlobalAlloc, CreateILockBytesOnHGlobal), so that a test makes the
// library, compiled into the test program, meet them. It redirects the
// executable's imports, as the simulated MAPI does for the program it serves
// (sim/common/program_imports.h).
#pragma once

namespace qv::test {

class ImportRedirect {
 public:
  // Points the executable's imports of routine from library at replacement.
  // Throws std::runtime_error when the executable does not import it.
  ImportRedirect(const char* library, const char* routine, void* replacement);
  ImportRedirect(const ImportRedirect&) = delete;
  ImportRedirect& operator=(const ImportRedirect&) = delete;
  // Points them back at the routine.
  ~ImportRedirect();

  // The routine itself, for a replacement that passes a call on.
  template <class Function>
  Function original() const {
    return reinterpret_cast<Function>(original_);
  }

 private:
  const char* library_;
  const char* routine_;
  void* original_;
};

}  // namespace qv::test
