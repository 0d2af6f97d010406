// The registry through the Reg* API.
#include "common/platform/Registry.h"

#include <windows.h>

#include <vector>

#include "common/platform/FileSystem.h"
#include "common/platform/win32/Wide.h"

namespace vard::platform {
namespace {

using win32::W;

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
    default: return HKEY_CURRENT_USER;
  }
}

bool Fail(LONG status) {
  ::SetLastError(static_cast<DWORD>(status));
  return false;
}

class Key {
 public:
  explicit Key(HKEY key = nullptr) : key_(key) {}
  ~Key() {
    if (key_) ::RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_;
};

LONG Open(RegistryRoot root, const std::u16string& key, REGSAM access, Key& out) {
  return ::RegOpenKeyExW(RootKey(root), W(key), 0, access, out.Out());
}

LONG Create(RegistryRoot root, const std::u16string& key, Key& out) {
  return ::RegCreateKeyExW(RootKey(root), W(key), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                           out.Out(), nullptr);
}

// RegDeleteTreeW is not on every system the programs support: sub-keys first.
LONG DeleteTree(HKEY parent, const std::u16string& name) {
  Key key;
  LONG status = ::RegOpenKeyExW(parent, W(name), 0, KEY_READ | KEY_WRITE, key.Out());
  if (status != ERROR_SUCCESS) return status;
  for (;;) {
    wchar_t child[256];
    DWORD length = 256;
    status = ::RegEnumKeyExW(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return status;
    status = DeleteTree(key.Get(), win32::U(child, length));
    if (status != ERROR_SUCCESS) return status;
  }
  return ::RegDeleteKeyW(parent, W(name));
}

class Win32Registry final : public IRegistry {
 public:
  bool KeyExists(RegistryRoot root, const std::u16string& key) override {
    Key k;
    const LONG status = Open(root, key, KEY_READ, k);
    return status == ERROR_SUCCESS || Fail(status);
  }

  bool CreateKey(RegistryRoot root, const std::u16string& key) override {
    Key k;
    const LONG status = Create(root, key, k);
    return status == ERROR_SUCCESS || Fail(status);
  }

  bool DeleteKey(RegistryRoot root, const std::u16string& key) override {
    const LONG status = DeleteTree(RootKey(root), key);
    return status == ERROR_SUCCESS || Fail(status);
  }

  std::optional<std::u16string> ReadString(RegistryRoot root, const std::u16string& key, const std::u16string& name,
                                           size_t capacity) override {
    Key k;
    LONG status = Open(root, key, KEY_READ, k);
    if (status != ERROR_SUCCESS) return Nothing<std::u16string>(status);
    DWORD type = 0, bytes = 0;
    status = ::RegQueryValueExW(k.Get(), W(name), nullptr, &type, nullptr, &bytes);
    if (status != ERROR_SUCCESS) return Nothing<std::u16string>(status);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return Nothing<std::u16string>(ERROR_INVALID_PARAMETER);
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    status = ::RegQueryValueExW(k.Get(), W(name), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (status != ERROR_SUCCESS) return Nothing<std::u16string>(status);
    // The stored text may or may not carry its terminator.
    std::u16string text = win32::U(buffer.data());
    if (text.size() >= capacity) return Nothing<std::u16string>(ERROR_MORE_DATA);
    return text;
  }

  std::optional<uint32_t> ReadDword(RegistryRoot root, const std::u16string& key,
                                    const std::u16string& name) override {
    Key k;
    LONG status = Open(root, key, KEY_READ, k);
    if (status != ERROR_SUCCESS) return Nothing<uint32_t>(status);
    DWORD type = 0, value = 0, bytes = sizeof value;
    status = ::RegQueryValueExW(k.Get(), W(name), nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes);
    if (status != ERROR_SUCCESS) return Nothing<uint32_t>(status);
    if (type != REG_DWORD || bytes != sizeof value) return Nothing<uint32_t>(ERROR_INVALID_PARAMETER);
    return value;
  }

  bool WriteString(RegistryRoot root, const std::u16string& key, const std::u16string& name,
                   const std::u16string& value) override {
    Key k;
    LONG status = Create(root, key, k);
    if (status != ERROR_SUCCESS) return Fail(status);
    status = ::RegSetValueExW(k.Get(), W(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
    return status == ERROR_SUCCESS || Fail(status);
  }

  bool WriteDword(RegistryRoot root, const std::u16string& key, const std::u16string& name,
                  uint32_t value) override {
    Key k;
    LONG status = Create(root, key, k);
    if (status != ERROR_SUCCESS) return Fail(status);
    const DWORD v = value;
    status = ::RegSetValueExW(k.Get(), W(name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    return status == ERROR_SUCCESS || Fail(status);
  }

  bool DeleteValue(RegistryRoot root, const std::u16string& key, const std::u16string& name) override {
    Key k;
    LONG status = Open(root, key, KEY_WRITE, k);
    if (status == ERROR_SUCCESS) status = ::RegDeleteValueW(k.Get(), W(name));
    return status == ERROR_SUCCESS || Fail(status);
  }

 private:
  template <typename T>
  static std::optional<T> Nothing(LONG status) {
    Fail(status);
    return std::nullopt;
  }
};

}  // namespace

IRegistry& SystemRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace vard::platform
