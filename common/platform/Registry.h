#pragma once
// Per-user and machine settings and file-type facts. Win32: the Reg* API
// under HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT. POSIX:
// one text file in .reg syntax per key below
// ${XDG_CONFIG_HOME:-~/.config}/vardel/registry/HKCU, and for the machine
// below ${VARDEL_MACHINE_REGISTRY:-/etc/vardel/registry}/HKLM (each key-path
// component a folder, the last one "<name>.reg"), replaced atomically under
// a lock; HKCR "\.ext" "Content Type" from /etc/mime.types.
// Failures leave a Win32 error number in LastError().
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vard::platform {

enum class RegistryRoot { kCurrentUser, kClassesRoot, kLocalMachine };

class IRegistry {
 public:
  virtual ~IRegistry() = default;

  virtual bool KeyExists(RegistryRoot root, const std::u16string& key) = 0;
  // Creates the key and any missing parents; true when it exists afterwards.
  virtual bool CreateKey(RegistryRoot root, const std::u16string& key) = 0;
  // Removes the key with its values and sub-keys.
  virtual bool DeleteKey(RegistryRoot root, const std::u16string& key) = 0;

  // A string value. `capacity` is the caller's buffer in UTF-16 units with
  // room for the terminator, as RegQueryValueExW sees it: a longer value is
  // not read (kMoreData). Missing key, missing value or another type: none.
  virtual std::optional<std::u16string> ReadString(RegistryRoot root, const std::u16string& key,
                                                   const std::u16string& name, size_t capacity = SIZE_MAX) = 0;
  virtual std::optional<uint32_t> ReadDword(RegistryRoot root, const std::u16string& key,
                                            const std::u16string& name) = 0;
  // Writers create the key when it is missing.
  virtual bool WriteString(RegistryRoot root, const std::u16string& key, const std::u16string& name,
                           const std::u16string& value) = 0;
  virtual bool WriteDword(RegistryRoot root, const std::u16string& key, const std::u16string& name,
                          uint32_t value) = 0;
  virtual bool DeleteValue(RegistryRoot root, const std::u16string& key, const std::u16string& name) = 0;
};

// The registry of the running system (POSIX: the folder is looked up on
// every call, so a changed XDG_CONFIG_HOME takes effect at once).
IRegistry& SystemRegistry();

}  // namespace vard::platform
