#include "ControlServices.h"

#include "common/platform/HostInfo.h"
#include "common/platform/Http.h"
#include "common/platform/KnownFolders.h"
#include "common/respack/LanguagePack.h"
#include "common/respack/MenuResource.h"
#include "common/text/Base64.h"
#include "resources/PackImages.h"

namespace vard {
ControlServices ControlServices::Defaults() {
  ControlServices s;
  s.combineUrl = [](const std::u16string& base, const std::u16string& rel, bool decode) {
    namespace c = platform::combine;
    const uint32_t flags = c::kBrowserMode | c::kNoEncode | (decode ? c::kDecode | c::kNoMeta : 0);
    std::u16string out;
    // Without a usable page URL the given URL stands as it is.
    return platform::CombineUrl(base, rel, out, flags) ? out : rel;
  };
  s.initialDownloadFolder = [] { return platform::DocumentsFolder(); };
  s.loadLanguagePack = [](const std::u16string& language) { return SelectAndValidatePack(language, PackImage); };
  s.base64Encode = [](const std::u16string& text) { return Base64EncodeText(text); };
  s.base64Decode = [](const std::u16string& text) { return Base64DecodeText(text); };
  s.ipAddresses = [] { return IpAddressTable(platform::SystemHostInfo()); };
  s.macAddresses = [] {
    std::vector<std::u16string> texts;
    for (const auto& address : platform::SystemHostInfo().AdapterAddresses())
      texts.push_back(FormatHardwareAddress(address));
    return texts;
  };
  s.contextPopupTexts = [](std::vector<ContextMenuEntry>& popup) {
    const auto menu = LanguageStore::Instance().Menu(kContextMenuId);
    if (!menu) return;
    const std::vector<MenuEntry> items = FirstPopupItems(*menu);
    if (items.empty()) return;
    popup.clear();
    for (const MenuEntry& item : items)
      popup.push_back({static_cast<uint16_t>(item.id), item.separator, false, item.text});
  };
  return s;
}

}  // namespace vard
