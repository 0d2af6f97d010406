// Marks as the "Zone.Identifier" stream of the file.
#include "common/platform/OriginMark.h"

#include <windows.h>

#include "common/platform/FileSystem.h"
#include "common/platform/win32/Wide.h"

namespace vard::platform {
namespace {

// Only a volume that keeps named streams takes the mark: elsewhere (FAT,
// Wine's folders) "a.exe:Zone.Identifier" would be a file of its own.
bool KeepsStreams(const std::u16string& path) {
  wchar_t root[MAX_PATH + 1] = {};
  if (!::GetVolumePathNameW(win32::W(path), root, MAX_PATH)) return false;
  DWORD flags = 0;
  return ::GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
         (flags & FILE_NAMED_STREAMS) != 0;
}

}  // namespace

std::optional<std::u16string> OriginMarkStreamPath(const std::u16string& path) {
  if (!KeepsStreams(path)) return std::nullopt;
  return path + u":" + kOriginMarkStreamName;
}

bool WriteFileOriginMark(const std::u16string& path, const OriginMark& mark) {
  const auto stream = OriginMarkStreamPath(path);
  if (!stream) {
    ::SetLastError(ERROR_NOT_SUPPORTED);
    return false;
  }
  File f = File::Open(*stream, access::kWrite, 0, Disposition::kCreateAlways);
  if (!f.IsOpen()) return false;
  const std::string text = ZoneIdentifierText(mark);
  uint32_t written = 0;
  return f.Write(text.data(), static_cast<uint32_t>(text.size()), &written) && written == text.size() && f.Close();
}

std::optional<OriginMark> ReadFileOriginMark(const std::u16string& path) {
  const auto stream = OriginMarkStreamPath(path);
  if (!stream) return std::nullopt;
  File f = File::Open(*stream, access::kRead, share::kRead, Disposition::kOpenExisting);
  if (!f.IsOpen()) return std::nullopt;
  std::string text;
  char buffer[1024];
  uint32_t got = 0;
  while (text.size() < 65536 && f.Read(buffer, sizeof buffer, &got) && got > 0) text.append(buffer, got);
  return ParseZoneIdentifier(text);
}

}  // namespace vard::platform
