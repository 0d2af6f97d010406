#include "DragOutData.h"

#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"

namespace vard {

std::vector<uint8_t> ServerListData() {
  std::vector<uint8_t> data;
  for (char c : std::string("SERVER_DROP")) {
    data.push_back(static_cast<uint8_t>(c));
    data.push_back(0);
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

std::vector<uint8_t> FileDropBlock(const std::string& ansiPath) {
  constexpr size_t kHeader = 20;
  if (ansiPath.empty() || ansiPath.size() + 2 > kFileDropBlockSize - kHeader) return {};
  std::vector<uint8_t> block(kFileDropBlockSize, 0);
  block[0] = static_cast<uint8_t>(kHeader);  // pFiles, little-endian DWORD
  // pt.x, pt.y, fNC and fWide stay zero.
  for (size_t i = 0; i < ansiPath.size(); ++i) block[kHeader + i] = static_cast<uint8_t>(ansiPath[i]);
  return block;
}

std::u16string CreateDropMarker() {
  std::u16string path = platform::TempFolder();
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  path += kDropMarkerName;
  platform::SetAttributes(path, platform::attribute::kNormal);  // a hidden leftover refuses CREATE_ALWAYS
  platform::File f = platform::File::Open(path, platform::access::kWrite, 0, platform::Disposition::kCreateAlways,
                                          platform::attribute::kHidden);
  return f.IsOpen() ? path : std::u16string();
}

}  // namespace vard
