#include "common/transfer/DangerousTypes.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace vard::transfer {
namespace {

// Sorted, lower case, without the dot.
constexpr std::u16string_view kDangerous[] = {
    u"ade", u"adp", u"apk", u"app", u"appimage", u"application", u"appref-ms", u"bas", u"bat", u"chm", u"cmd",
    u"com", u"command", u"cpl", u"crt", u"csh", u"deb", u"desktop", u"dll", u"dmg", u"exe", u"gadget", u"hlp",
    u"hta", u"htm", u"html", u"inf", u"ins", u"isp", u"jar", u"jnlp", u"js", u"jse", u"ksh", u"lnk", u"mht",
    u"mhtml", u"msc", u"msh", u"msi", u"msix", u"msp", u"mst", u"msu", u"ocx", u"pif", u"pkg", u"pl", u"ps1",
    u"psc1", u"psd1", u"psm1", u"py", u"pyw", u"rb", u"reg", u"rpm", u"run", u"scf", u"scr", u"sct",
    u"settingcontent-ms", u"sh", u"shtml", u"svg", u"svgz", u"sys", u"url", u"vb", u"vbe", u"vbs", u"ws",
    u"wsc", u"wsf", u"wsh", u"xht", u"xhtml",
};

}  // namespace

bool IsDangerousType(std::u16string_view name) {
  while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.remove_suffix(1);
  const size_t cut = name.find_last_of(u"\\/");
  if (cut != std::u16string_view::npos) name.remove_prefix(cut + 1);
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return false;
  std::u16string ext(name.substr(dot + 1));
  for (char16_t& c : ext)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return std::binary_search(std::begin(kDangerous), std::end(kDangerous), std::u16string_view(ext));
}

}  // namespace vard::transfer
