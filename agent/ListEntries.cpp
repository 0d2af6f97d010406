#include "agent/ListEntries.h"

#include <cstring>

#include "common/platform/PathText.h"
#include "common/respack/LanguageStore.h"
#include "common/text/CaseFold.h"
#include "common/text/Printf.h"
#include "common/text/SizeFormat.h"
#include "common/transfer/SafeName.h"

namespace vard {
namespace {

constexpr uint32_t kStatusTextBase = 502;

FILE_INFO DownloadFileInfo(const DOWNLOAD_INFO& r) {
  FILE_INFO f;
  std::memset(&f, 0, sizeof f);
  f.is_folder = r.is_folder;
  f.file_size = r.file_size;
  // Kept folder: 260 units, "/" separated.
  std::u16string folder = ReadField(r.folder).substr(0, 260);
  for (auto& ch : folder)
    if (ch == u'\\') ch = u'/';
  StoreField(f.folder, folder);
  return f;
}

}  // namespace


UPLOAD_INFO::UPLOAD_INFO(const FILE_INFO& info) : FILE_INFO(info) {
  // Whatever the writer left, our copies end inside their fields.
  StoreField(path, ReadField(info.path));
  // The folder is a name for the other side only: cleaned here, once.
  StoreField(folder, transfer::WithoutBidiControls(ReadField(info.folder)));
}

std::u16string UPLOAD_INFO::ShownName() const { return platform::LastPathComponent(ShownPath()); }

std::u16string UPLOAD_INFO::ShownPath() const { return transfer::WithoutBidiControls(ReadField(path)); }

std::u16string UPLOAD_INFO::Text(int column) const {
  switch (column) {
    case 0:
      return ShownName();
    case 1: {
      std::u16string f = ReadField(folder);
      for (auto& ch : f)
        if (ch == u'/') ch = u'\\';
      return f;
    }
    case 2:
      return IsFolderEntry() ? std::u16string() : FormatSize(file_size);
    case 3:
      if (status < 0) return FormatText(u"%d%%", {Percent(3)});
      return LanguageStore::Instance().Text(kStatusTextBase + static_cast<uint32_t>(status));
    case 4:
      return ReadField(remaining_time);
    case 5:
      return ReadField(save_folder);
    default:
      return {};
  }
}

int UPLOAD_INFO::Percent(int column) const {
  if (column != 3) return 0;
  if (file_size > 0) return static_cast<int>(bytes_done * 100 / file_size);
  return status == entry_status::kDone ? 100 : 0;
}

CDownloadFile::CDownloadFile(const DOWNLOAD_INFO& record, const COOKIE_INFO& cookieInfo,
                             const std::u16string& displayName, int iconIndex)
    : UPLOAD_INFO(DownloadFileInfo(record)) {
  StoreField(path, displayName);
  icon_index = iconIndex;
  url = FieldCut(ReadField(record.url), kUrlCapacity);
  cookie = FieldCut(ReadField(cookieInfo.cookie), kCookieCapacity);
  speed_limit_kb = record.speed_limit_kb;
  resume_by_query = cookieInfo.resume_by_query == 1 ? 1 : 0;
}

bool CDownloadFile::IsFolderMarker() const { return url == kFolderMarkerUrl; }

bool CDownloadFile::KeepsLocalPath(const std::u16string& saveFolder) const {
  const auto trimmed = [](std::u16string_view f) {
    while (!f.empty() && (f.back() == u'\\' || f.back() == u'/')) f.remove_suffix(1);
    return f;
  };
  return !local_path.empty() && (bytes_done > 0 || EqualsIgnoreCase(trimmed(local_folder), trimmed(saveFolder)));
}

std::u16string CDownloadFile::TargetFolder(const std::u16string& saveFolder) const {
  return KeepsLocalPath(saveFolder) ? local_folder : saveFolder;
}

void CDownloadFile::Open(IShellOpen& shell) {
  if (!local_path.empty()) shell.OpenFile(local_path);
}

CUploadFile::CUploadFile(const FILE_INFO& record, const ACTION_INFO& action, const POST_DATAS* postData,
                         int iconIndex)
    : UPLOAD_INFO(record), ACTION_INFO(action) {
  icon_index = iconIndex;
  StoreField(server_name, ShownName());
  StoreField(action_url, ReadField(action.action_url));
  StoreField(ACTION_INFO::cookie, ReadField(action.cookie));
  POST_DATAS& mine = *this;
  std::memset(&mine, 0, sizeof mine);
  if (!postData) return;
  for (int k = 0; k < kPostPairs; ++k) {
    const std::u16string name = ReadField(postData->pairs[k].name);
    if (name.empty()) break;
    StoreField(pairs[k].name, name);
    StoreField(pairs[k].value, ReadField(postData->pairs[k].value));
  }
}

int CUploadFile::PostPairCount() const {
  int k = 0;
  while (k < kPostPairs && pairs[k].name[0]) ++k;
  return k;
}

}  // namespace vard
