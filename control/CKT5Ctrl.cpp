#include "CKT5Ctrl.h"

#include "common/text/Base64.h"
#include "common/text/CaseFold.h"
#include "control/DispatchIds.h"
#include "control/PageUrl.h"

namespace vard {
namespace {

constexpr uint32_t kTextCaption = 100;

}  // namespace

// Marks a run's dialog as up for its scope.
class CKT5Ctrl::RunUp {
 public:
  explicit RunUp(int& runs) : runs_(runs) { ++runs_; }
  ~RunUp() { --runs_; }
  RunUp(const RunUp&) = delete;
  RunUp& operator=(const RunUp&) = delete;

 private:
  int& runs_;
};

int32_t EventForDialogResult(int result) {
  switch (result) {
    case 1: return dispid::kOnDownloadComplete;
    case 2: return dispid::kOnDownloadCancel;
    case 7: return dispid::kOnDownloadError;
    default: return 0;
  }
}

CKT5Ctrl::CKT5Ctrl(ControlServices services)
    : services_(WithMissingSeamsMarked(std::move(services))),
      trust_(services_.zones->ReadSiteLock(), *services_.zones),
      list_(DownloadListServices{
          [this](const std::u16string& url, bool utf8) { return services_.network->QueryRemoteSize(url, utf8); },
          [this](const std::u16string& name, bool dir) { return services_.shell->IconIndex(name, dir); },
          [this](uint32_t id) { return services_.language->Texts().Text(id); }}),
      presenter_(settings_, list_, *services_.language),
      downloads_(settings_, *services_.dialogs, *services_.network),
      plus_(settings_, *services_.title, *services_.handOff, *services_.savedDownloads, services_.debug) {
  // The title is shared by the process, and every new control resets it.
  services_.title->SetTitle(ProgramTitle::kDefault);
  folders_.stored = services_.folders->InitialDownloadFolder();
  folders_.downloads = services_.folders->PersonDownloadsFolder();
  settings_.dialog.downloadFolder = FolderForTrust(trust_.Trusted(), folders_.stored, folders_);
  settings_.dialog.pageTrusted = trust_.Trusted();
  UpdateCaptionSuffix();
}

CKT5Ctrl::~CKT5Ctrl() = default;

// ---- settings ----

void CKT5Ctrl::put_Language(const std::u16string& v) {
  settings_.language = v.substr(0, 2);
  LoadLanguagePack();
}

void CKT5Ctrl::put_ProgramTitle(const std::u16string& v) {
  services_.title->SetTitle(v);
  UpdateCaptionSuffix();
}

void CKT5Ctrl::UpdateCaptionSuffix() { settings_.dialog.captionSuffix = services_.title->CaptionSuffix(); }

void CKT5Ctrl::put_ChildMode(int16_t v) {
  if (!created_) settings_.childMode = v == kVariantTrue;
}

void CKT5Ctrl::put_UseUnicode(int16_t v) {
  settings_.useUnicode = v == kVariantTrue;
  settings_.dialog.useUnicode = settings_.useUnicode;
}

bool CKT5Ctrl::RefusedToPage(std::u16string_view member) {
  if (trust_.Trusted()) return false;
  std::u16string line = u"VardKT5: ";
  line.append(member).append(u" refused to the page of ").append(trust_.OriginText());
  services_.debug(line);
  return true;
}

void CKT5Ctrl::SetPageUrl(const std::u16string& url) {
  trust_.SetPage(url);
  PageJudged(url);
}

void CKT5Ctrl::SetPageUrl(const std::u16string& url, const std::u16string& vouchedOrigin) {
  trust_.SetPage(url, vouchedOrigin);
  PageJudged(url);
}

void CKT5Ctrl::PageJudged(const std::u16string& url) {
  settings_.pageUrl = url;
  settings_.dialog.pageOriginApart = trust_.OriginApartFromUrl() ? trust_.OriginText() : u"";
  settings_.dialog.pageTrusted = trust_.Trusted();
  settings_.dialog.pageUrl = url;
  settings_.dialog.pageZone = trust_.Zone();
  if (trust_.Trusted()) {
    // Made before the page was known, under a lock: the untrusted start
    // gives way to the folder kept for this person.
    if (!folderFromPage_) settings_.dialog.downloadFolder = folders_.stored;
    return;
  }
  // Set before the page was known: what only a trusted page may set goes.
  settings_.dialog.downloadFolder = FolderForTrust(false, settings_.dialog.downloadFolder, folders_);
  settings_.tempFolder.clear();
}

void CKT5Ctrl::put_SetFolder(const std::u16string& v) {
  if (v.empty()) return;
  if (const auto folder = FolderPageMaySet(trust_.Trusted(), v, folders_)) {
    settings_.dialog.downloadFolder = *folder;
    folderFromPage_ = true;
  } else {
    RefusedToPage(u"SetFolder");
  }
}

void CKT5Ctrl::put_SetTempFolder(const std::u16string& v) {
  if (RefusedToPage(u"SetTempFolder")) return;
  settings_.tempFolder = services_.folders->PrepareTempFolder(v);
}

// Kept as the page set them; the downloads leave them out for an
// untrusted page (DownloadDialogState::pageTrusted).
void CKT5Ctrl::put_FixResume(int16_t v) {
  settings_.dialog.fixResume = v == kVariantTrue;
  if (settings_.dialog.fixResume) RefusedToPage(u"FixResume");
}

void CKT5Ctrl::put_UseFullPath(int16_t v) {
  settings_.dialog.useFullPath = v == kVariantTrue;
  if (settings_.dialog.useFullPath) RefusedToPage(u"UseFullPath");
}

std::u16string CKT5Ctrl::get_FolderType() const {
  switch (settings_.folderType) {
    case FolderLayout::kType1: return u"type1";
    case FolderLayout::kType2: return u"type2";
    default: return u"type0";
  }
}

void CKT5Ctrl::put_FolderType(const std::u16string& v) {
  if (created_) return;
  settings_.folderType = EqualsIgnoreCase(v, u"type1")   ? FolderLayout::kType1
                         : EqualsIgnoreCase(v, u"type2") ? FolderLayout::kType2
                                                         : FolderLayout::kType0;
  list_.SetLayout(settings_.folderType);
}

void CKT5Ctrl::put_ListStyle(const std::u16string& v) {
  settings_.listStyle = v;
  presenter_.ApplyListStyle();
}

void CKT5Ctrl::put_ShowStatus(int16_t v) {
  settings_.showStatus = v == kVariantTrue;
  presenter_.Layout();
}

void CKT5Ctrl::put_ItemWidth(int column, int16_t v) {
  if (column < 0 || column > 3) return;
  settings_.itemWidths[column] = v;
  presenter_.ApplyListStyle();
}

void CKT5Ctrl::put_DialogListHeight(int16_t v) {
  settings_.dialog.dialogListHeight = v;
  // The dialogs made later take it when they are made.
  if (embedded_ && v >= 0) embedded_->SetListHeight(v);
}

void CKT5Ctrl::put_OpenFileOverwrite(int16_t v) {
  if (created_) return;
  settings_.openFileOverwrite = v == kVariantTrue;
  if (settings_.openFileOverwrite) RefusedToPage(u"OpenFileOverwrite");
}

bool CKT5Ctrl::LoadLanguagePack() {
  if (!services_.language->LoadPack(settings_.language)) return false;
  services_.title->TakeMessageCaption(services_.language->Texts().Text(kTextCaption));
  presenter_.RefreshStatusTexts();
  return true;
}

// ---- list accessors ----

std::optional<std::u16string> CKT5Ctrl::get_GetFileName(uint32_t row) const {
  const DownloadItem* item = list_.ItemOfRow(static_cast<int32_t>(row));
  if (!item || row >= static_cast<uint32_t>(list_.RowCount())) return std::nullopt;
  return item->fileName;
}

std::optional<std::u16string> CKT5Ctrl::get_GetFileURL(uint32_t row) const {
  const DownloadItem* item = list_.ItemOfRow(static_cast<int32_t>(row));
  if (!item || row >= static_cast<uint32_t>(list_.RowCount())) return std::nullopt;
  if (settings_.dialog.useBase64Encode) return Base64EncodeText(item->url);
  return item->url;
}

std::optional<std::u16string> CKT5Ctrl::get_GetFileSize(uint32_t row) const {
  const DownloadItem* item = list_.ItemOfRow(static_cast<int32_t>(row));
  if (!item || row >= static_cast<uint32_t>(list_.RowCount())) return std::nullopt;
  std::u16string digits;
  for (char c : std::to_string(trust_.Trusted() ? item->fileSize : item->pageSize)) digits += static_cast<char16_t>(c);
  return digits;
}

std::vector<int32_t> CKT5Ctrl::get_GetSelectedItems() { return presenter_.SelectedRows(); }

std::optional<uint32_t> CKT5Ctrl::get_SavedFileCount() { return plus_.SavedFileCount(); }

// ---- list methods ----

void CKT5Ctrl::AppendFile(const std::u16string& url, const std::optional<std::u16string>& fileName,
                          std::optional<int64_t> fileSize) {
  const std::u16string resolved =
      url.empty() ? url : ResolvePageUrl(url, settings_.pageUrl, settings_.dialog.useBase64Encode, false);
  list_.AddItem(resolved, fileName.value_or(u""), fileSize.value_or(0), settings_.useUnicode);
  presenter_.ShowRowCount();
  // The embedded dialog keeps its own copy: removing rows leaves it.
  if (embedded_) embedded_->AddItem(list_.Items().back());
  presenter_.RefreshStatusTexts();
}

void CKT5Ctrl::RemoveAllFiles() {
  list_.RemoveAll();
  presenter_.ShowRowCount();
  presenter_.RefreshStatusTexts();
}

void CKT5Ctrl::RemoveSelectedItems() {
  const std::vector<int32_t> rows = presenter_.SelectedRows();
  presenter_.ClearSelection();
  list_.RemoveSelected(rows);
  presenter_.ShowRowCount();
  presenter_.RefreshStatusTexts();
}

// ---- downloads in the control's dialogs ----

void CKT5Ctrl::RunListDownload(const std::vector<DownloadItem>& batch, DialogOwner owner) {
  LoadLanguagePack();
  int result = 0;
  {
    RunUp up(runsUp_);
    result = downloads_.RunList(batch, owner);
  }
  FireForResult(result);
}

void CKT5Ctrl::StartDownload() { RunListDownload(list_.Items(), DialogOwner::kControlWindow); }

void CKT5Ctrl::StartSelectDownload() {
  RunListDownload(list_.ItemsOfRows(presenter_.SelectedRows()), DialogOwner::kParentWindow);
}

void CKT5Ctrl::DownloadSelectedTo(const std::u16string& folder) {
  const std::vector<DownloadItem> batch = list_.DropBatch(
      folder, presenter_.SelectedRows(),
      trust_.Trusted() ? transfer::NameSource::kTrusted : transfer::NameSource::kUntrustedPage);
  LoadLanguagePack();
  int result = 0;
  {
    RunUp up(runsUp_);
    result = downloads_.RunDropped(batch, folder);
  }
  FireForResult(result);
}

void CKT5Ctrl::DownloadAndOpen(const std::u16string& url, const std::optional<std::u16string>& fileName,
                               std::optional<int64_t> fileSize, std::optional<int16_t> /*overwrite*/) {
  // The overwrite argument is accepted and not consulted: OpenFileOverwrite decides.
  RunUp up(runsUp_);
  downloads_.DownloadAndOpen(url, fileName.value_or(u""), fileSize.value_or(0));
}

void CKT5Ctrl::SingleDownload(const std::u16string& url, const std::optional<std::u16string>& fileName,
                              std::optional<int64_t> fileSize) {
  RunUp up(runsUp_);
  downloads_.SingleDownload(url, fileName.value_or(u""), fileSize.value_or(0));
}

std::optional<std::u16string> CKT5Ctrl::FolderSelect() {
  auto chosen = services_.folders->SelectFolder();
  if (chosen && *chosen != u"VardKT_FolderSelect_Error") folders_.personChosen = *chosen;
  return chosen;
}

// ---- hand-off to the agent ----

void CKT5Ctrl::StartPlusDownload() {
  LoadLanguagePack();
  plus_.HandOffBatch(list_.Items());
}

void CKT5Ctrl::StartPlusSelectDownload() {
  const std::vector<DownloadItem> batch = list_.ItemsOfRows(presenter_.SelectedRows());
  LoadLanguagePack();
  plus_.HandOffBatch(batch);
}

// Unlike the other hand-offs, the saved records go without reloading the pack.
void CKT5Ctrl::SavedDownload() { plus_.HandOffSaved(); }

// ---- host facts ----

// An untrusted page is answered as a machine without addresses would be.
uint32_t CKT5Ctrl::GetIPCount() {
  if (RefusedToPage(u"GetIPCount")) return 0;
  return static_cast<uint32_t>(IpAddressTable(*services_.hostInfo).size());
}

std::u16string CKT5Ctrl::GetIP(uint32_t where) {
  if (RefusedToPage(u"GetIP")) return {};
  const auto table = IpAddressTable(*services_.hostInfo);
  // Past the end the page reads an empty address, not an unset result.
  return where < table.size() ? table[where] : std::u16string();
}

int32_t CKT5Ctrl::GetMACCount() {
  if (RefusedToPage(u"GetMACCount")) return 0;
  return static_cast<int32_t>(services_.hostInfo->AdapterAddresses().size());
}

std::optional<std::u16string> CKT5Ctrl::GetMAC(uint32_t item) {
  if (RefusedToPage(u"GetMAC")) return std::nullopt;
  const auto adapters = services_.hostInfo->AdapterAddresses();
  if (item >= adapters.size()) return std::nullopt;
  return FormatHardwareAddress(adapters[item]);
}

// ---- events ----

uint32_t CKT5Ctrl::Advise(IKT5CtrlEvents* sink) {
  if (!sink) return 0;
  sinks_[nextCookie_] = sink;
  return nextCookie_++;
}

void CKT5Ctrl::Unadvise(uint32_t cookie) { sinks_.erase(cookie); }

void CKT5Ctrl::Fire(int32_t id, const std::vector<Variant>& args) {
  const auto sinks = sinks_;  // a sink may unadvise while handling
  for (const auto& [cookie, sink] : sinks) sink->Invoke(id, args);
}

void CKT5Ctrl::FireForResult(int result) {
  if (const int32_t id = EventForDialogResult(result)) Fire(id);
}

// ---- window ----

void CKT5Ctrl::CreateControlWindow(IControlView* view) {
  presenter_.Attach(view);
  list_.SetLayout(settings_.folderType);
  LoadLanguagePack();
  created_ = true;
  presenter_.Build();
  if (settings_.childMode) {
    embedded_ = services_.dialogs->EmbedListDownload(settings_.dialog, [this](int code) { OnChildDialogEnd(code); });
    presenter_.SetEmbedded(embedded_.get());
  }
  UpdateCaptionSuffix();
  presenter_.Layout();
}

void CKT5Ctrl::DestroyControlWindow() {
  presenter_.Detach();
  embedded_.reset();  // stops its run without a question
}

void CKT5Ctrl::OnListClick(int32_t row) {
  if (row < 0 || row >= list_.RowCount()) return;
  presenter_.RefreshStatusTexts();
  Fire(dispid::kOnItemClick, {Variant::UI4(static_cast<uint32_t>(row))});
}

void CKT5Ctrl::OnListDoubleClick(int32_t row) {
  if (row < 0 || row >= list_.RowCount()) return;
  Fire(dispid::kOnItemDblClick, {Variant::UI4(static_cast<uint32_t>(row))});
}

void CKT5Ctrl::OnBeginDrag() {
  if (!settings_.useDragDrop) return;
  services_.shell->DragOut([this](const std::u16string& folder) { DownloadSelectedTo(folder); });
}

void CKT5Ctrl::OnContextMenu(int32_t x, int32_t y) {
  if (const uint16_t command = presenter_.TrackContextMenu(x, y)) OnCommand(command);
}

void CKT5Ctrl::OnCommand(uint16_t command) {
  switch (command) {
    case kCmdOpenFile: {
      const std::vector<int32_t> selected = presenter_.SelectedRows();
      if (selected.size() != 1 || list_.RowItemCount(selected[0]) != 1) return;
      const DownloadItem* item = list_.ItemOfRow(selected[0]);
      if (!item) return;
      // The item's URL as the page would pass it back.
      const std::u16string url = settings_.dialog.useBase64Encode ? Base64EncodeText(item->url) : item->url;
      DownloadAndOpen(url, item->fileName, item->fileSize, kVariantTrue);
      break;
    }
    case kCmdDownloadSelected: StartPlusSelectDownload(); break;
    case kCmdDownloadAll: StartPlusDownload(); break;
    default: break;
  }
}

void CKT5Ctrl::OnChildDialogEnd(int endCode) {
  // A failed embedded run reports like a failed modal run.
  FireForResult(endCode);
}

}  // namespace vard
