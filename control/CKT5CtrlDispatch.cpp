// The dispatch side of the control: every member by DISPID, with arguments
// converted as the automation layer converts them.
#include "control/CKT5Ctrl.h"
#include "control/DispatchIds.h"

namespace vard {
namespace {

const Variant* Arg(const std::vector<Variant>& args, size_t i) {
  return i < args.size() && !args[i].IsEmpty() ? &args[i] : nullptr;
}

std::u16string TextArg(const std::vector<Variant>& args, size_t i) {
  const Variant* v = Arg(args, i);
  return v ? v->ToText() : std::u16string();
}

std::optional<std::u16string> OptionalText(const std::vector<Variant>& args, size_t i) {
  const Variant* v = Arg(args, i);
  if (!v) return std::nullopt;
  return v->ToText();
}

std::optional<int64_t> OptionalInteger(const std::vector<Variant>& args, size_t i) {
  const Variant* v = Arg(args, i);
  if (!v) return std::nullopt;
  return v->ToInteger();
}

int16_t BoolArg(const std::vector<Variant>& args, size_t i) {
  const Variant* v = Arg(args, i);
  return v ? v->ToVariantBool().value_or(kVariantFalse) : kVariantFalse;
}

int64_t IntArg(const std::vector<Variant>& args, size_t i) {
  const Variant* v = Arg(args, i);
  return v ? v->ToInteger().value_or(0) : 0;
}

void SetText(Variant* result, const std::optional<std::u16string>& v) {
  if (result && v) *result = Variant::String(*v);
}

}  // namespace

int32_t CKT5Ctrl::Invoke(int32_t id, InvokeKind kind, const std::vector<Variant>& args, Variant* result) {
  const dispid::Member* member = dispid::FindMember(id);
  if (!member) return kDispMemberNotFound;
  if (runsUp_ > 0) return kCallRejected;
  const bool put = kind == InvokeKind::kPut;
  if (put && member->kind != dispid::MemberKind::kProperty) return kDispMemberNotFound;
  if (put && args.empty()) return kDispBadParamCount;
  Variant ignored;
  Variant& out = result ? *result : ignored;

  switch (id) {
    case dispid::kLanguage: put ? put_Language(TextArg(args, 0)) : void(out = Variant::String(get_Language())); break;
    case dispid::kProgramTitle: put ? put_ProgramTitle(TextArg(args, 0)) : void(out = Variant::String(get_ProgramTitle())); break;
    case dispid::kChildMode: put ? put_ChildMode(BoolArg(args, 0)) : void(out = Variant::Bool(get_ChildMode())); break;
    case dispid::kUseUnicode: put ? put_UseUnicode(BoolArg(args, 0)) : void(out = Variant::Bool(get_UseUnicode())); break;
    case dispid::kLimitRate: put ? put_LimitRate(static_cast<uint32_t>(IntArg(args, 0))) : void(out = Variant::UI4(get_LimitRate())); break;
    case dispid::kSetFolder: put ? put_SetFolder(TextArg(args, 0)) : void(out = Variant::String(get_SetFolder())); break;
    case dispid::kSetTempFolder: put ? put_SetTempFolder(TextArg(args, 0)) : void(out = Variant::String(get_SetTempFolder())); break;
    case dispid::kFixResume: put ? put_FixResume(BoolArg(args, 0)) : void(out = Variant::Bool(get_FixResume())); break;
    case dispid::kUseResume: put ? put_UseResume(BoolArg(args, 0)) : void(out = Variant::Bool(get_UseResume())); break;
    case dispid::kUseFullPath: put ? put_UseFullPath(BoolArg(args, 0)) : void(out = Variant::Bool(get_UseFullPath())); break;
    case dispid::kShowFileOpen: put ? put_ShowFileOpen(BoolArg(args, 0)) : void(out = Variant::Bool(get_ShowFileOpen())); break;
    case dispid::kUseFileSizeQueryString: put ? put_UseFileSizeQueryString(BoolArg(args, 0)) : void(out = Variant::Bool(get_UseFileSizeQueryString())); break;
    case dispid::kUseURLEncode: put ? put_UseURLEncode(BoolArg(args, 0)) : void(out = Variant::Bool(get_UseURLEncode())); break;
    case dispid::kUseBase64Encode: put ? put_UseBase64Encode(BoolArg(args, 0)) : void(out = Variant::Bool(get_UseBase64Encode())); break;
    case dispid::kUseContextMenu: put ? put_UseContextMenu(BoolArg(args, 0)) : void(out = Variant::Bool(get_UseContextMenu())); break;
    case dispid::kUseContextOpen: put ? put_UseContextOpen(BoolArg(args, 0)) : void(out = Variant::Bool(get_UseContextOpen())); break;
    case dispid::kUseWriteLog: put ? put_UseWriteLog(BoolArg(args, 0)) : void(out = Variant::Bool(get_UseWriteLog())); break;
    case dispid::kUseDragDrop: put ? put_UseDragDrop(BoolArg(args, 0)) : void(out = Variant::Bool(get_UseDragDrop())); break;
    case dispid::kFolderType: put ? put_FolderType(TextArg(args, 0)) : void(out = Variant::String(get_FolderType())); break;
    case dispid::kListStyle: put ? put_ListStyle(TextArg(args, 0)) : void(out = Variant::String(get_ListStyle())); break;
    case dispid::kShowStatus: put ? put_ShowStatus(BoolArg(args, 0)) : void(out = Variant::Bool(get_ShowStatus())); break;
    case dispid::kItemWidth:
    case dispid::kItemWidth2:
    case dispid::kItemWidth3:
    case dispid::kItemWidth4: {
      const int column = id - dispid::kItemWidth;
      put ? put_ItemWidth(column, static_cast<int16_t>(IntArg(args, 0))) : void(out = Variant::I2(get_ItemWidth(column)));
      break;
    }
    case dispid::kDialogListHeight: put ? put_DialogListHeight(static_cast<int16_t>(IntArg(args, 0))) : void(out = Variant::I2(get_DialogListHeight())); break;
    case dispid::kURLDownloadComplete: put ? put_URLDownloadComplete(TextArg(args, 0)) : void(out = Variant::String(get_URLDownloadComplete())); break;
    case dispid::kOpenFileOverwrite: put ? put_OpenFileOverwrite(BoolArg(args, 0)) : void(out = Variant::Bool(get_OpenFileOverwrite())); break;

    case dispid::kGetCount: out = Variant::I4(get_GetCount()); break;
    case dispid::kGetFileName: SetText(result, get_GetFileName(static_cast<uint32_t>(IntArg(args, 0)))); break;
    case dispid::kGetFileURL: SetText(result, get_GetFileURL(static_cast<uint32_t>(IntArg(args, 0)))); break;
    case dispid::kGetFileSize: SetText(result, get_GetFileSize(static_cast<uint32_t>(IntArg(args, 0)))); break;
    case dispid::kGetSelectedItems: out = Variant::ArrayI4(get_GetSelectedItems()); break;
    case dispid::kSavedFileCount:
      if (const auto count = get_SavedFileCount()) out = Variant::UI4(*count);
      break;

    case dispid::kAppendFile: AppendFile(TextArg(args, 0), OptionalText(args, 1), OptionalInteger(args, 2)); break;
    case dispid::kRemoveAllFiles: RemoveAllFiles(); break;
    case dispid::kRemoveSelectedItems: RemoveSelectedItems(); break;
    case dispid::kStartDownload: StartDownload(); break;
    case dispid::kStartSelectDownload: StartSelectDownload(); break;
    case dispid::kDownloadAndOpen: {
      const Variant* overwrite = Arg(args, 3);
      std::optional<int16_t> ow;
      if (overwrite) ow = overwrite->ToVariantBool();
      DownloadAndOpen(TextArg(args, 0), OptionalText(args, 1), OptionalInteger(args, 2), ow);
      break;
    }
    case dispid::kSingleDownload: SingleDownload(TextArg(args, 0), OptionalText(args, 1), OptionalInteger(args, 2)); break;
    case dispid::kFolderSelect: SetText(result, FolderSelect()); break;
    case dispid::kStartPlusDownload: StartPlusDownload(); break;
    case dispid::kStartPlusSelectDownload: StartPlusSelectDownload(); break;
    case dispid::kSavedDownload: SavedDownload(); break;
    case dispid::kGetIPCount: out = Variant::UI4(GetIPCount()); break;
    case dispid::kGetIP: SetText(result, GetIP(static_cast<uint32_t>(IntArg(args, 0)))); break;
    case dispid::kGetMACCount: out = Variant::I4(GetMACCount()); break;
    case dispid::kGetMAC: SetText(result, GetMAC(static_cast<uint32_t>(IntArg(args, 0)))); break;
    default: return kDispMemberNotFound;
  }
  return kSOk;
}

}  // namespace vard
