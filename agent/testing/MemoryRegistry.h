#pragma once
// A registry in memory for tests, with values of any type (so that wrong
// types and sizes can be planted) and a switch that makes writes fail.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "common/platform/Registry.h"

namespace vard::testing {

class MemoryRegistry final : public platform::IRegistry {
 public:
  using Value = std::variant<std::u16string, uint32_t, std::string /* binary */>;

  bool KeyExists(platform::RegistryRoot, const std::u16string& key) override { return keys_.count(key) != 0; }
  bool CreateKey(platform::RegistryRoot, const std::u16string& key) override {
    if (failWrites) return false;
    keys_[key];
    return true;
  }
  bool DeleteKey(platform::RegistryRoot, const std::u16string& key) override { return keys_.erase(key) != 0; }
  std::optional<std::u16string> ReadString(platform::RegistryRoot, const std::u16string& key,
                                           const std::u16string& name, size_t capacity = SIZE_MAX) override {
    const Value* v = Find(key, name);
    if (!v || !std::holds_alternative<std::u16string>(*v)) return std::nullopt;
    const auto& s = std::get<std::u16string>(*v);
    if (s.size() + 1 > capacity) return std::nullopt;
    return s;
  }
  std::optional<uint32_t> ReadDword(platform::RegistryRoot, const std::u16string& key,
                                    const std::u16string& name) override {
    const Value* v = Find(key, name);
    if (!v || !std::holds_alternative<uint32_t>(*v)) return std::nullopt;
    return std::get<uint32_t>(*v);
  }
  bool WriteString(platform::RegistryRoot, const std::u16string& key, const std::u16string& name,
                   const std::u16string& value) override {
    return Put(key, name, value);
  }
  bool WriteDword(platform::RegistryRoot, const std::u16string& key, const std::u16string& name,
                  uint32_t value) override {
    return Put(key, name, value);
  }
  bool DeleteValue(platform::RegistryRoot, const std::u16string& key, const std::u16string& name) override {
    auto k = keys_.find(key);
    return k != keys_.end() && k->second.erase(name) != 0;
  }

  // Plants a value of any type, bypassing failWrites.
  void Plant(const std::u16string& key, const std::u16string& name, Value value) {
    keys_[key][name] = std::move(value);
  }
  const Value* Find(const std::u16string& key, const std::u16string& name) const {
    auto k = keys_.find(key);
    if (k == keys_.end()) return nullptr;
    auto v = k->second.find(name);
    return v == k->second.end() ? nullptr : &v->second;
  }

  bool failWrites = false;
  int writes = 0;

 private:
  bool Put(const std::u16string& key, const std::u16string& name, Value value) {
    if (failWrites) return false;
    ++writes;
    keys_[key][name] = std::move(value);
    return true;
  }
  std::map<std::u16string, std::map<std::u16string, Value>> keys_;
};

}  // namespace vard::testing
