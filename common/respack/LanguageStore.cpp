#include "LanguageStore.h"

#include <utility>

namespace vard {

LanguageStore& LanguageStore::Instance() {
  static LanguageStore store;
  return store;
}

std::u16string LanguageStore::Text(uint32_t id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = tables_.strings.find(id);
  return it == tables_.strings.end() ? std::u16string() : it->second;
}

std::optional<std::vector<uint8_t>> LanguageStore::Menu(uint32_t id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = tables_.menus.find(id);
  if (it == tables_.menus.end()) return std::nullopt;
  return it->second;
}

std::optional<std::vector<uint8_t>> LanguageStore::DialogTemplate(uint32_t id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = tables_.dialogs.find(id);
  if (it == tables_.dialogs.end()) return std::nullopt;
  return it->second;
}

bool LanguageStore::Empty() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return tables_.strings.empty() && tables_.menus.empty() && tables_.dialogs.empty();
}

void LanguageStore::Replace(LanguageTables tables) {
  std::lock_guard<std::mutex> lock(mutex_);
  tables_ = std::move(tables);
}

void LanguageStore::Clear() { Replace(LanguageTables{}); }

}  // namespace vard
