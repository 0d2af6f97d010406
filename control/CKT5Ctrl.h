#pragma once
// The download control as the page sees it: settings, the scripting members
// by DISPID, events, persistence and the control window's presenter. Lives
// on the page's thread; COM and window glue call into it.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "control/ControlServices.h"
#include "control/ControlView.h"
#include "control/DownloadDialogState.h"
#include "control/DownloadList.h"
#include "control/KT5Events.h"
#include "control/Variant.h"

namespace vard {

enum class InvokeKind { kGet, kPut, kMethod };

constexpr int32_t kSOk = 0;
constexpr int32_t kDispMemberNotFound = static_cast<int32_t>(0x80020003);
constexpr int32_t kDispBadParamCount = static_cast<int32_t>(0x8002000E);

// Private message of the embedded dialog: its end code as wParam.
constexpr uint32_t kChildDialogEndMessage = 0x0400 + 1;

class CKT5Ctrl {
 public:
  explicit CKT5Ctrl(ControlServices services = ControlServices::Defaults());
  ~CKT5Ctrl();
  CKT5Ctrl(const CKT5Ctrl&) = delete;
  CKT5Ctrl& operator=(const CKT5Ctrl&) = delete;

  // Dispatch: every member by DISPID. Returns kSOk for every member of the
  // interface; `result` is left empty where the member gives nothing.
  int32_t Invoke(int32_t dispid, InvokeKind kind, const std::vector<Variant>& args, Variant* result);

  // Properties (vtable shape: booleans are VARIANT_BOOL, only -1 is true).
  std::u16string get_Language() const { return language_; }
  void put_Language(const std::u16string& v);
  static std::u16string get_ProgramTitle();
  void put_ProgramTitle(const std::u16string& v);
  int16_t get_ChildMode() const { return AsVariantBool(childMode_); }
  void put_ChildMode(int16_t v);
  int16_t get_UseUnicode() const { return AsVariantBool(useUnicode_); }
  void put_UseUnicode(int16_t v);
  uint32_t get_LimitRate() const { return dialog_.limitRate; }
  void put_LimitRate(uint32_t v) { dialog_.limitRate = v; }
  std::u16string get_SetFolder() const { return dialog_.downloadFolder; }
  void put_SetFolder(const std::u16string& v);
  std::u16string get_SetTempFolder() const { return tempFolder_; }
  void put_SetTempFolder(const std::u16string& v);
  int16_t get_FixResume() const { return AsVariantBool(dialog_.fixResume); }
  void put_FixResume(int16_t v) { dialog_.fixResume = v == kVariantTrue; }
  int16_t get_UseResume() const { return AsVariantBool(dialog_.useResume); }
  void put_UseResume(int16_t v) { dialog_.useResume = v == kVariantTrue; }
  int16_t get_UseFullPath() const { return AsVariantBool(dialog_.useFullPath); }
  void put_UseFullPath(int16_t v) { dialog_.useFullPath = v == kVariantTrue; }
  int16_t get_ShowFileOpen() const { return AsVariantBool(showFileOpen_); }
  void put_ShowFileOpen(int16_t v) { showFileOpen_ = v == kVariantTrue; }
  int16_t get_UseFileSizeQueryString() const { return AsVariantBool(dialog_.useFileSizeQueryString); }
  void put_UseFileSizeQueryString(int16_t v) { dialog_.useFileSizeQueryString = v == kVariantTrue; }
  int16_t get_UseURLEncode() const { return AsVariantBool(dialog_.useURLEncode); }
  void put_UseURLEncode(int16_t v) { dialog_.useURLEncode = v == kVariantTrue; }
  int16_t get_UseBase64Encode() const { return AsVariantBool(dialog_.useBase64Encode); }
  void put_UseBase64Encode(int16_t v) { dialog_.useBase64Encode = v == kVariantTrue; }
  int16_t get_UseContextMenu() const { return AsVariantBool(useContextMenu_); }
  void put_UseContextMenu(int16_t v) { useContextMenu_ = v == kVariantTrue; }
  int16_t get_UseContextOpen() const { return AsVariantBool(useContextOpen_); }
  void put_UseContextOpen(int16_t v) { useContextOpen_ = v == kVariantTrue; }
  int16_t get_UseWriteLog() const { return AsVariantBool(dialog_.useWriteLog); }
  void put_UseWriteLog(int16_t v) { dialog_.useWriteLog = v == kVariantTrue; }
  int16_t get_UseDragDrop() const { return AsVariantBool(useDragDrop_); }
  void put_UseDragDrop(int16_t v) { useDragDrop_ = v == kVariantTrue; }
  std::u16string get_FolderType() const;
  void put_FolderType(const std::u16string& v);
  std::u16string get_ListStyle() const { return listStyle_; }
  void put_ListStyle(const std::u16string& v);
  int16_t get_ShowStatus() const { return AsVariantBool(showStatus_); }
  void put_ShowStatus(int16_t v);
  int16_t get_ItemWidth(int column) const { return itemWidths_[column]; }
  void put_ItemWidth(int column, int16_t v);
  int16_t get_DialogListHeight() const { return dialog_.dialogListHeight; }
  void put_DialogListHeight(int16_t v) { dialog_.dialogListHeight = v; }
  std::u16string get_URLDownloadComplete() const { return urlDownloadComplete_; }
  void put_URLDownloadComplete(const std::u16string& v) { urlDownloadComplete_ = v; }
  int16_t get_OpenFileOverwrite() const { return AsVariantBool(openFileOverwrite_); }
  void put_OpenFileOverwrite(int16_t v);

  // Read-only properties; nullopt leaves the script's result unset.
  int32_t get_GetCount() const { return list_.ItemCount(); }
  std::optional<std::u16string> get_GetFileName(uint32_t row) const;
  std::optional<std::u16string> get_GetFileURL(uint32_t row) const;
  std::optional<std::u16string> get_GetFileSize(uint32_t row) const;
  std::vector<int32_t> get_GetSelectedItems();
  uint32_t get_SavedFileCount() const;

  // Methods.
  void AppendFile(const std::u16string& url, const std::optional<std::u16string>& fileName,
                  std::optional<int64_t> fileSize);
  void RemoveAllFiles();
  void RemoveSelectedItems();
  void StartDownload();
  void StartSelectDownload();
  void DownloadAndOpen(const std::u16string& url, const std::optional<std::u16string>& fileName,
                       std::optional<int64_t> fileSize, std::optional<int16_t> overwrite);
  void SingleDownload(const std::u16string& url, const std::optional<std::u16string>& fileName,
                      std::optional<int64_t> fileSize);
  std::optional<std::u16string> FolderSelect();
  void StartPlusDownload();
  void StartPlusSelectDownload();
  void SavedDownload();
  uint32_t GetIPCount();
  std::optional<std::u16string> GetIP(uint32_t where);
  int32_t GetMACCount();
  std::optional<std::u16string> GetMAC(uint32_t item);

  // Events.
  uint32_t Advise(IKT5CtrlEvents* sink);
  void Unadvise(uint32_t cookie);

  // Host and window side.
  void SetPageUrl(const std::u16string& url) { pageUrl_ = url; }
  const std::u16string& PageUrl() const { return pageUrl_; }
  void CreateControlWindow(IControlView* view);
  void DestroyControlWindow();
  bool Created() const { return created_; }
  void Layout();
  void OnSetFocus();
  void OnListClick(int32_t row);
  void OnListDoubleClick(int32_t row);
  void OnBeginDrag();
  void OnContextMenu(int32_t screenX, int32_t screenY);
  void OnCommand(uint16_t command);
  void OnChildDialogEnd(int endCode);
  // The drop of dragged rows into `folder` was detected.
  void DownloadSelectedTo(const std::u16string& folder);

  bool LoadLanguagePack();
  void RefreshStatusTexts();
  void ApplyListStyle();
  static std::u16string MessageCaption();

  const DownloadList& List() const { return list_; }
  const DownloadDialogState& Dialog() const { return dialog_; }
  DownloadDialogState& Dialog() { return dialog_; }
  bool OpenAfterDownload() const { return openAfterDownload_; }
  void SetOpenAfterDownload(bool v) { openAfterDownload_ = v; }
  const std::u16string& TempFolderSetting() const { return tempFolder_; }
  ControlServices& Services() { return services_; }

 private:
  static int16_t AsVariantBool(bool v) { return v ? kVariantTrue : kVariantFalse; }
  std::u16string ResolvePageUrl(const std::u16string& url, bool decode) const;
  void Fire(int32_t dispid, const std::vector<Variant>& args = {});
  void FireForResult(int result);
  void RunListDownload(const std::vector<DownloadItem>& batch, bool ownedByParent);
  void InsertColumns();
  void UpdateCaptionSuffix();
  std::vector<int32_t> SelectedRows();

  ControlServices services_;
  std::u16string language_ = u"ko";
  bool childMode_ = false;
  bool useUnicode_ = false;
  std::u16string tempFolder_;
  bool showFileOpen_ = true;
  bool useContextMenu_ = true;
  bool useContextOpen_ = true;
  bool useDragDrop_ = true;
  FolderLayout folderType_ = FolderLayout::kType0;
  std::u16string listStyle_;
  bool showStatus_ = true;
  int16_t itemWidths_[4] = {-1, -1, -1, -1};
  std::u16string urlDownloadComplete_;
  bool openFileOverwrite_ = true;

  bool created_ = false;
  bool openAfterDownload_ = true;
  std::u16string pageUrl_;
  DownloadDialogState dialog_;
  DownloadList list_;
  IControlView* view_ = nullptr;
  std::map<uint32_t, IKT5CtrlEvents*> sinks_;
  uint32_t nextCookie_ = 1;
};

}  // namespace vard
