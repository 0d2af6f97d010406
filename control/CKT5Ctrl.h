#pragma once
// The download control as the page sees it: the scripting members by
// DISPID, the properties and their setter rules, events, and the window's
// notifications. The work lives in rooms of its own: the settings, the
// window presenter, the control's downloads and the Plus hand-off, which
// reach the rest of the system through the services handed in. Lives on the
// page's thread; COM and window glue call into it.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "control/ControlDownloads.h"
#include "control/ControlPresenter.h"
#include "control/ControlServices.h"
#include "control/ControlSettings.h"
#include "control/ControlView.h"
#include "control/DownloadList.h"
#include "control/KT5Events.h"
#include "control/PageTrust.h"
#include "control/PlusHandOff.h"
#include "control/Variant.h"

namespace vard {

enum class InvokeKind { kGet, kPut, kMethod };

constexpr int32_t kSOk = 0;
constexpr int32_t kDispMemberNotFound = static_cast<int32_t>(0x80020003);
constexpr int32_t kDispBadParamCount = static_cast<int32_t>(0x8002000E);
// RPC_E_CALL_REJECTED: a page's call while one of the control's runs has
// its dialog up (page script runs again in the dialog's message loop).
constexpr int32_t kCallRejected = static_cast<int32_t>(0x80010001);

// Private message of the embedded dialog: its end code as wParam.
constexpr uint32_t kChildDialogEndMessage = 0x0400 + 1;

class CKT5Ctrl {
 public:
  // Seams left null are reported on the debug output (ControlServices.h).
  explicit CKT5Ctrl(ControlServices services);
  ~CKT5Ctrl();
  CKT5Ctrl(const CKT5Ctrl&) = delete;
  CKT5Ctrl& operator=(const CKT5Ctrl&) = delete;

  // Dispatch: every member by DISPID. Returns kSOk for every member of the
  // interface; `result` is left empty where the member gives nothing.
  int32_t Invoke(int32_t dispid, InvokeKind kind, const std::vector<Variant>& args, Variant* result);

  // Properties (vtable shape: booleans are VARIANT_BOOL, only -1 is true).
  std::u16string get_Language() const { return settings_.language; }
  void put_Language(const std::u16string& v);
  std::u16string get_ProgramTitle() const { return services_.title->Title(); }
  void put_ProgramTitle(const std::u16string& v);
  int16_t get_ChildMode() const { return AsVariantBool(settings_.childMode); }
  void put_ChildMode(int16_t v);
  int16_t get_UseUnicode() const { return AsVariantBool(settings_.useUnicode); }
  void put_UseUnicode(int16_t v);
  uint32_t get_LimitRate() const { return settings_.dialog.limitRate; }
  void put_LimitRate(uint32_t v) { settings_.dialog.limitRate = v; }
  std::u16string get_SetFolder() const { return settings_.dialog.downloadFolder; }
  void put_SetFolder(const std::u16string& v);
  std::u16string get_SetTempFolder() const { return settings_.tempFolder; }
  void put_SetTempFolder(const std::u16string& v);
  int16_t get_FixResume() const { return AsVariantBool(settings_.dialog.fixResume); }
  void put_FixResume(int16_t v);
  int16_t get_UseResume() const { return AsVariantBool(settings_.dialog.useResume); }
  void put_UseResume(int16_t v) { settings_.dialog.useResume = v == kVariantTrue; }
  int16_t get_UseFullPath() const { return AsVariantBool(settings_.dialog.useFullPath); }
  void put_UseFullPath(int16_t v);
  int16_t get_ShowFileOpen() const { return AsVariantBool(settings_.showFileOpen); }
  void put_ShowFileOpen(int16_t v) { settings_.showFileOpen = v == kVariantTrue; }
  int16_t get_UseFileSizeQueryString() const { return AsVariantBool(settings_.dialog.useFileSizeQueryString); }
  void put_UseFileSizeQueryString(int16_t v) { settings_.dialog.useFileSizeQueryString = v == kVariantTrue; }
  int16_t get_UseURLEncode() const { return AsVariantBool(settings_.dialog.useURLEncode); }
  void put_UseURLEncode(int16_t v) { settings_.dialog.useURLEncode = v == kVariantTrue; }
  int16_t get_UseBase64Encode() const { return AsVariantBool(settings_.dialog.useBase64Encode); }
  void put_UseBase64Encode(int16_t v) { settings_.dialog.useBase64Encode = v == kVariantTrue; }
  int16_t get_UseContextMenu() const { return AsVariantBool(settings_.useContextMenu); }
  void put_UseContextMenu(int16_t v) { settings_.useContextMenu = v == kVariantTrue; }
  int16_t get_UseContextOpen() const { return AsVariantBool(settings_.useContextOpen); }
  void put_UseContextOpen(int16_t v) { settings_.useContextOpen = v == kVariantTrue; }
  int16_t get_UseWriteLog() const { return AsVariantBool(settings_.dialog.useWriteLog); }
  void put_UseWriteLog(int16_t v) { settings_.dialog.useWriteLog = v == kVariantTrue; }
  int16_t get_UseDragDrop() const { return AsVariantBool(settings_.useDragDrop); }
  void put_UseDragDrop(int16_t v) { settings_.useDragDrop = v == kVariantTrue; }
  std::u16string get_FolderType() const;
  void put_FolderType(const std::u16string& v);
  std::u16string get_ListStyle() const { return settings_.listStyle; }
  void put_ListStyle(const std::u16string& v);
  int16_t get_ShowStatus() const { return AsVariantBool(settings_.showStatus); }
  void put_ShowStatus(int16_t v);
  int16_t get_ItemWidth(int column) const { return settings_.itemWidths[column]; }
  void put_ItemWidth(int column, int16_t v);
  int16_t get_DialogListHeight() const { return settings_.dialog.dialogListHeight; }
  void put_DialogListHeight(int16_t v);
  std::u16string get_URLDownloadComplete() const { return settings_.urlDownloadComplete; }
  void put_URLDownloadComplete(const std::u16string& v) { settings_.urlDownloadComplete = v; }
  int16_t get_OpenFileOverwrite() const { return AsVariantBool(settings_.openFileOverwrite); }
  void put_OpenFileOverwrite(int16_t v);

  // Read-only properties; nullopt leaves the script's result unset.
  int32_t get_GetCount() const { return list_.ItemCount(); }
  std::optional<std::u16string> get_GetFileName(uint32_t row) const;
  std::optional<std::u16string> get_GetFileURL(uint32_t row) const;
  std::optional<std::u16string> get_GetFileSize(uint32_t row) const;
  std::vector<int32_t> get_GetSelectedItems();
  // Nothing when the saved downloads cannot be consulted.
  std::optional<uint32_t> get_SavedFileCount();

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
  std::u16string GetIP(uint32_t where);
  int32_t GetMACCount();
  std::optional<std::u16string> GetMAC(uint32_t item);

  // Events.
  uint32_t Advise(IKT5CtrlEvents* sink);
  void Unadvise(uint32_t cookie);

  // Host and window side.
  // Decides how far the page is trusted; a page that is not takes back
  // what it could not have set (the folders).
  void SetPageUrl(const std::u16string& url);
  // The same for a page whose origin a browser vouched for: trust follows
  // the origin ("null" is never trusted); links and marks keep the URL.
  void SetPageUrl(const std::u16string& url, const std::u16string& vouchedOrigin);
  bool PageTrusted() const { return trust_.Trusted(); }
  // The page leaves the control (its site goes, or it is closed); any
  // thread: a size query it waits on ends now.
  void PageGoingAway() { services_.network->PageGoingAway(); }
  const std::u16string& PageUrl() const { return settings_.pageUrl; }
  void CreateControlWindow(IControlView* view);
  void DestroyControlWindow();
  bool Created() const { return created_; }
  void Layout() { presenter_.Layout(); }
  void OnSetFocus() { presenter_.OnSetFocus(); }
  void OnListClick(int32_t row);
  void OnListDoubleClick(int32_t row);
  void OnBeginDrag();
  void OnContextMenu(int32_t screenX, int32_t screenY);
  void OnCommand(uint16_t command);
  void OnChildDialogEnd(int endCode);
  // The drop of dragged rows into `folder` was detected.
  void DownloadSelectedTo(const std::u16string& folder);

  bool LoadLanguagePack();
  std::u16string MessageCaption() const { return services_.title->MessageCaption(); }

  const DownloadList& List() const { return list_; }
  const ControlSettings& Settings() const { return settings_; }
  const DownloadDialogState& Dialog() const { return settings_.dialog; }

 private:
  static int16_t AsVariantBool(bool v) { return v ? kVariantTrue : kVariantFalse; }
  void Fire(int32_t dispid, const std::vector<Variant>& args = {});
  void FireForResult(int result);
  void RunListDownload(const std::vector<DownloadItem>& batch, DialogOwner owner);
  void UpdateCaptionSuffix();
  // True, with one debug line naming the member and the page, when the page
  // may not use `member` beyond the download folder.
  bool RefusedToPage(std::u16string_view member);
  // Takes `url` as the page once trust_ has judged it.
  void PageJudged(const std::u16string& url);

  // Declaration order is construction order: the rooms hold references to
  // the services, the settings and the list.
  ControlServices services_;
  ControlSettings settings_;
  PageTrust trust_;
  // Read when the control was made; the folder the person last chose in
  // the folder question, which a page may make the download folder,
  // trusted or not.
  PageFolders folders_;
  // The page (a PARAM or SetFolder) chose the download folder.
  bool folderFromPage_ = false;
  DownloadList list_;
  ControlPresenter presenter_;
  ControlDownloads downloads_;
  PlusHandOff plus_;
  // Child mode: the download dialog inside the window, while it exists.
  std::unique_ptr<IEmbeddedDownload> embedded_;
  bool created_ = false;
  // Runs whose dialog is up: the page's calls wait for none of them.
  int runsUp_ = 0;
  class RunUp;
  std::map<uint32_t, IKT5CtrlEvents*> sinks_;
  uint32_t nextCookie_ = 1;
};

}  // namespace vard
