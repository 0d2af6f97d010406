#include "ControlServices.h"

#include "common/platform/HostInfo.h"
#include "common/platform/KnownFolders.h"
#include "common/respack/LanguagePack.h"
#include "common/respack/MenuResource.h"
#include "common/text/Base64.h"
#include "resources/PackImages.h"

namespace vard {
namespace {

// Resolution of a page-relative URL until the HTTP layer's combination is
// wired in: absolute URLs pass, "/x" keeps the page's origin, anything else
// replaces the page's last path component.
std::u16string CombineRelative(const std::u16string& base, const std::u16string& rel) {
  if (rel.find(u"://") != std::u16string::npos || base.empty()) return rel;
  const size_t scheme = base.find(u"://");
  const size_t pathStart = scheme == std::u16string::npos ? 0 : base.find(u'/', scheme + 3);
  const std::u16string origin = pathStart == std::u16string::npos ? base : base.substr(0, pathStart);
  if (!rel.empty() && rel[0] == u'/') return origin + rel;
  std::u16string dir = base.substr(0, base.find_first_of(u"?#"));
  const size_t slash = dir.rfind(u'/');
  dir = (slash == std::u16string::npos || slash < origin.size()) ? origin + u"/" : dir.substr(0, slash + 1);
  return dir + rel;
}

}  // namespace

ControlServices ControlServices::Defaults() {
  ControlServices s;
  s.combineUrl = [](const std::u16string& base, const std::u16string& rel, bool) {
    return CombineRelative(base, rel);
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
