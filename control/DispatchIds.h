#pragma once
// DISPIDs of the control's scripting interface and its events, and the
// member table that name lookup (GetIDsOfNames) and the host use.
#include <cstdint>
#include <string_view>

namespace vard::dispid {

enum : int32_t {
  kLanguage = 3, kProgramTitle = 4, kChildMode = 5,
  kUseUnicode = 101, kLimitRate = 102, kSetFolder = 103, kSetTempFolder = 104, kFixResume = 105,
  kUseResume = 106, kUseFullPath = 107, kShowFileOpen = 108, kUseFileSizeQueryString = 109,
  kUseURLEncode = 110, kUseBase64Encode = 111, kUseContextMenu = 112, kUseContextOpen = 113,
  kUseWriteLog = 114, kUseDragDrop = 115,
  kFolderType = 201, kListStyle = 202, kShowStatus = 203, kItemWidth = 205, kItemWidth2 = 206,
  kItemWidth3 = 207, kItemWidth4 = 208, kDialogListHeight = 209, kURLDownloadComplete = 210,
  kGetCount = 401, kGetFileName = 402, kGetFileURL = 403, kGetFileSize = 404, kGetSelectedItems = 406,
  kSavedFileCount = 407, kOpenFileOverwrite = 408,
  kAppendFile = 501, kRemoveAllFiles = 502, kRemoveSelectedItems = 503,
  kStartDownload = 601, kStartSelectDownload = 602, kDownloadAndOpen = 603, kSingleDownload = 604,
  kFolderSelect = 605,
  kStartPlusDownload = 701, kStartPlusSelectDownload = 702, kSavedDownload = 703,
  kGetIPCount = 801, kGetIP = 802, kGetMACCount = 803, kGetMAC = 804,
};

// Events of the outgoing interface.
enum : int32_t {
  kOnItemClick = 1, kOnItemDblClick = 2, kOnMenuSelectedFileOpen = 3, kOnMenuStartSelectDownload = 4,
  kOnMenuStartDownload = 5, kOnDownloadComplete = 6, kOnDownloadCancel = 7, kOnDownloadError = 8,
};

enum class MemberKind { kProperty, kReadOnly, kMethod };

struct Member {
  std::u16string_view name;
  int32_t id;
  MemberKind kind;
};

// Looks a member up by name, ignoring case as GetIDsOfNames does.
const Member* FindMember(std::u16string_view name);
const Member* FindMember(int32_t id);
std::u16string_view EventName(int32_t id);

}  // namespace vard::dispid
