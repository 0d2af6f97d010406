#include "agent/win32/AgentResources.h"

#include "common/respack/LanguageStore.h"

namespace vard::agentwin {
namespace {

bool IsProgramDialog(uint32_t id) { return id == 224 || id == 227 || id == 228 || id == 221; }

}  // namespace

HINSTANCE ProgramModule() { return ::GetModuleHandleW(nullptr); }

std::vector<uint8_t> DialogTemplateBytes(uint32_t id) {
  if (!IsProgramDialog(id)) return LanguageStore::Instance().DialogTemplate(id).value_or(std::vector<uint8_t>());
  HINSTANCE module = ProgramModule();
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
  if (!found) return {};
  HGLOBAL loaded = ::LoadResource(module, found);
  const auto* bytes = loaded ? static_cast<const uint8_t*>(::LockResource(loaded)) : nullptr;
  if (!bytes) return {};
  return std::vector<uint8_t>(bytes, bytes + ::SizeofResource(module, found));
}

HICON AgentIcon(uint32_t id, int size) {
  return static_cast<HICON>(
      ::LoadImageW(ProgramModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_SHARED));
}

std::u16string WindowText(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(hwnd, text.data(), length + 1);
  return std::u16string(reinterpret_cast<const char16_t*>(text.data()), static_cast<size_t>(got > 0 ? got : 0));
}

}  // namespace vard::agentwin
