#pragma once
// The process-wide store of interface texts, menus and dialog templates,
// filled from a language pack and looked up by numeric ID. Empty until a
// pack is accepted; accepting a pack replaces the whole store. Thread-safe.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vard {

// What one pack yields: raw RT_MENU and RT_DIALOG resource bytes by ID.
struct LanguageTables {
  std::map<uint32_t, std::u16string> strings;
  std::map<uint32_t, std::vector<uint8_t>> menus;
  std::map<uint32_t, std::vector<uint8_t>> dialogs;
};

class LanguageStore {
 public:
  static LanguageStore& Instance();

  std::u16string Text(uint32_t id) const;  // empty when absent
  std::optional<std::vector<uint8_t>> Menu(uint32_t id) const;
  // A copy: the caller may change style bits before creating the dialog.
  std::optional<std::vector<uint8_t>> DialogTemplate(uint32_t id) const;
  bool Empty() const;

  void Replace(LanguageTables tables);
  void Clear();

 private:
  mutable std::mutex mutex_;
  LanguageTables tables_;
};

}  // namespace vard
