#include "tests/support/registry.h"

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace qv::test {
namespace {

constexpr wchar_t kBackupRoot[] = L"Software\\qv-tests\\backup\\";

void check(LSTATUS status, const char* what) {
  if (status != ERROR_SUCCESS) {
    throw std::runtime_error(std::string(what) + " failed, error " + std::to_string(status));
  }
}

class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_ != nullptr) {
      ::RegCloseKey(key_);
    }
  }
  HKEY get() const { return key_; }
  HKEY* put() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

void copy_tree(HKEY from_root, const std::wstring& from, HKEY to_root, const std::wstring& to) {
  Key source, target;
  check(::RegOpenKeyExW(from_root, from.c_str(), 0, KEY_READ, source.put()), "RegOpenKeyExW");
  check(::RegCreateKeyExW(to_root, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, target.put(),
                          nullptr),
        "RegCreateKeyExW");
  check(::RegCopyTreeW(source.get(), nullptr, target.get()), "RegCopyTreeW");
}

}  // namespace

RegistryBackup::RegistryBackup(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
  static std::atomic<unsigned> counter{0};
  backup_path_ =
      kBackupRoot + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(counter++);
  existed_ = registry_key_exists(root_, path_);
  if (existed_) {
    delete_registry_tree(HKEY_CURRENT_USER, backup_path_);
    copy_tree(root_, path_, HKEY_CURRENT_USER, backup_path_);
  }
}

RegistryBackup::~RegistryBackup() {
  try {
    delete_registry_tree(root_, path_);
    if (existed_) {
      copy_tree(HKEY_CURRENT_USER, backup_path_, root_, path_);
      delete_registry_tree(HKEY_CURRENT_USER, backup_path_);
    }
  } catch (...) {
    // A destructor must not throw; the next backup of the key starts from
    // whatever is left.
  }
}

void set_registry_value(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type,
                        const void* data, DWORD size) {
  Key key;
  check(::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                          nullptr),
        "RegCreateKeyExW");
  // RegSetValueExW counts in a terminator that the caller left out when one
  // follows the data in memory (Windows does this, and Wine too): a copy with
  // non-zero bytes after the data stores exactly the bytes given.
  std::vector<BYTE> exact(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
  exact.insert(exact.end(), 4, 0xFF);
  check(::RegSetValueExW(key.get(), name, 0, type, exact.data(), size), "RegSetValueExW");
}

void set_registry_text(HKEY root, const std::wstring& path, const wchar_t* name,
                       const std::wstring& text, DWORD type) {
  set_registry_value(root, path, name, type, text.c_str(),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void set_registry_dword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value) {
  set_registry_value(root, path, name, REG_DWORD, &value, sizeof(value));
}

void delete_registry_tree(HKEY root, const std::wstring& path) {
  const LSTATUS status = ::RegDeleteTreeW(root, path.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    check(status, "RegDeleteTreeW");
  }
  // RegDeleteTreeW leaves the key itself on some systems.
  ::RegDeleteKeyW(root, path.c_str());
}

bool registry_key_exists(HKEY root, const std::wstring& path) {
  Key key;
  return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

}  // namespace qv::test
