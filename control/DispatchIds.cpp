#include "DispatchIds.h"

#include <iterator>

#include "common/text/CaseFold.h"

namespace vard::dispid {
namespace {

constexpr Member kMembers[] = {
    {u"Language", kLanguage, MemberKind::kProperty},
    {u"ProgramTitle", kProgramTitle, MemberKind::kProperty},
    {u"ChildMode", kChildMode, MemberKind::kProperty},
    {u"UseUnicode", kUseUnicode, MemberKind::kProperty},
    {u"LimitRate", kLimitRate, MemberKind::kProperty},
    {u"SetFolder", kSetFolder, MemberKind::kProperty},
    {u"SetTempFolder", kSetTempFolder, MemberKind::kProperty},
    {u"FixResume", kFixResume, MemberKind::kProperty},
    {u"UseResume", kUseResume, MemberKind::kProperty},
    {u"UseFullPath", kUseFullPath, MemberKind::kProperty},
    {u"ShowFileOpen", kShowFileOpen, MemberKind::kProperty},
    {u"UseFileSizeQueryString", kUseFileSizeQueryString, MemberKind::kProperty},
    {u"UseURLEncode", kUseURLEncode, MemberKind::kProperty},
    {u"UseBase64Encode", kUseBase64Encode, MemberKind::kProperty},
    {u"UseContextMenu", kUseContextMenu, MemberKind::kProperty},
    {u"UseContextOpen", kUseContextOpen, MemberKind::kProperty},
    {u"UseWriteLog", kUseWriteLog, MemberKind::kProperty},
    {u"UseDragDrop", kUseDragDrop, MemberKind::kProperty},
    {u"FolderType", kFolderType, MemberKind::kProperty},
    {u"ListStyle", kListStyle, MemberKind::kProperty},
    {u"ShowStatus", kShowStatus, MemberKind::kProperty},
    {u"ItemWidth", kItemWidth, MemberKind::kProperty},
    {u"ItemWidth2", kItemWidth2, MemberKind::kProperty},
    {u"ItemWidth3", kItemWidth3, MemberKind::kProperty},
    {u"ItemWidth4", kItemWidth4, MemberKind::kProperty},
    {u"DialogListHeight", kDialogListHeight, MemberKind::kProperty},
    {u"URLDownloadComplete", kURLDownloadComplete, MemberKind::kProperty},
    {u"GetCount", kGetCount, MemberKind::kReadOnly},
    {u"GetFileName", kGetFileName, MemberKind::kReadOnly},
    {u"GetFileURL", kGetFileURL, MemberKind::kReadOnly},
    {u"GetFileSize", kGetFileSize, MemberKind::kReadOnly},
    {u"GetSelectedItems", kGetSelectedItems, MemberKind::kReadOnly},
    {u"SavedFileCount", kSavedFileCount, MemberKind::kReadOnly},
    {u"OpenFileOverwrite", kOpenFileOverwrite, MemberKind::kProperty},
    {u"AppendFile", kAppendFile, MemberKind::kMethod},
    {u"RemoveAllFiles", kRemoveAllFiles, MemberKind::kMethod},
    {u"RemoveSelectedItems", kRemoveSelectedItems, MemberKind::kMethod},
    {u"StartDownload", kStartDownload, MemberKind::kMethod},
    {u"StartSelectDownload", kStartSelectDownload, MemberKind::kMethod},
    {u"DownloadAndOpen", kDownloadAndOpen, MemberKind::kMethod},
    {u"SingleDownload", kSingleDownload, MemberKind::kMethod},
    {u"FolderSelect", kFolderSelect, MemberKind::kMethod},
    {u"StartPlusDownload", kStartPlusDownload, MemberKind::kMethod},
    {u"StartPlusSelectDownload", kStartPlusSelectDownload, MemberKind::kMethod},
    {u"SavedDownload", kSavedDownload, MemberKind::kMethod},
    {u"GetIPCount", kGetIPCount, MemberKind::kMethod},
    {u"GetIP", kGetIP, MemberKind::kMethod},
    {u"GetMACCount", kGetMACCount, MemberKind::kMethod},
    {u"GetMAC", kGetMAC, MemberKind::kMethod},
};

constexpr std::u16string_view kEvents[] = {
    u"", u"OnItemClick", u"OnItemDblClick", u"OnMenuSelectedFileOpen", u"OnMenuStartSelectDownload",
    u"OnMenuStartDownload", u"OnDownloadComplete", u"OnDownloadCancel", u"OnDownloadError",
};

}  // namespace

const Member* FindMember(std::u16string_view name) {
  for (const Member& m : kMembers)
    if (EqualsIgnoreCase(m.name, name)) return &m;
  return nullptr;
}

const Member* FindMember(int32_t id) {
  for (const Member& m : kMembers)
    if (m.id == id) return &m;
  return nullptr;
}

std::u16string_view EventName(int32_t id) {
  return id > 0 && id < static_cast<int32_t>(std::size(kEvents)) ? kEvents[id] : u"";
}

}  // namespace vard::dispid
