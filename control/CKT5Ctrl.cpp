#include "CKT5Ctrl.h"

#include "common/respack/LanguageStore.h"
#include "common/text/CaseFold.h"
#include "common/text/Printf.h"
#include "common/text/SizeFormat.h"
#include "control/DispatchIds.h"
#include "control/ListStyle.h"

namespace vard {
namespace {

// Process-wide: one title and one message caption for every control.
std::u16string g_programTitle = u"VardKT";
std::u16string g_messageCaption;

constexpr uint32_t kTextCaption = 100;
constexpr uint32_t kTextAllFiles = 110;
constexpr uint32_t kTextSelected = 111;
constexpr uint32_t kDownloadTemplate = 104;

}  // namespace

int32_t EventForDialogResult(int result) {
  switch (result) {
    case 1: return dispid::kOnDownloadComplete;
    case 2: return dispid::kOnDownloadCancel;
    case 7: return dispid::kOnDownloadError;
    default: return 0;
  }
}

CKT5Ctrl::CKT5Ctrl(ControlServices services)
    : services_(std::move(services)),
      list_(DownloadListServices{
          [this](const std::u16string& url, bool utf8) {
            return services_.queryRemoteSize ? services_.queryRemoteSize(url, utf8) : 0;
          },
          [this](const std::u16string& name, bool dir) {
            return services_.iconIndex ? services_.iconIndex(name, dir) : 0;
          },
          [](uint32_t id) { return LanguageStore::Instance().Text(id); }}) {
  g_programTitle = u"VardKT";
  if (services_.initialDownloadFolder) dialog_.downloadFolder = services_.initialDownloadFolder();
  UpdateCaptionSuffix();
}

CKT5Ctrl::~CKT5Ctrl() = default;

// ---- settings ----

void CKT5Ctrl::put_Language(const std::u16string& v) {
  language_ = v.substr(0, 2);
  LoadLanguagePack();
}

std::u16string CKT5Ctrl::get_ProgramTitle() { return g_programTitle; }

void CKT5Ctrl::put_ProgramTitle(const std::u16string& v) {
  g_programTitle = v;
  UpdateCaptionSuffix();
}

void CKT5Ctrl::UpdateCaptionSuffix() {
  dialog_.captionSuffix = g_programTitle.empty() ? std::u16string() : u" - " + g_programTitle;
}

void CKT5Ctrl::put_ChildMode(int16_t v) {
  if (!created_) childMode_ = v == kVariantTrue;
}

void CKT5Ctrl::put_UseUnicode(int16_t v) {
  useUnicode_ = v == kVariantTrue;
  dialog_.useUnicode = useUnicode_;
}

void CKT5Ctrl::put_SetFolder(const std::u16string& v) {
  if (!v.empty()) dialog_.downloadFolder = v;
}

void CKT5Ctrl::put_SetTempFolder(const std::u16string& v) {
  tempFolder_ = services_.prepareTempFolder ? services_.prepareTempFolder(v) : v;
}

std::u16string CKT5Ctrl::get_FolderType() const {
  switch (folderType_) {
    case FolderLayout::kType1: return u"type1";
    case FolderLayout::kType2: return u"type2";
    default: return u"type0";
  }
}

void CKT5Ctrl::put_FolderType(const std::u16string& v) {
  if (created_) return;
  folderType_ = EqualsIgnoreCase(v, u"type1")   ? FolderLayout::kType1
                : EqualsIgnoreCase(v, u"type2") ? FolderLayout::kType2
                                                : FolderLayout::kType0;
  list_.SetLayout(folderType_);
}

void CKT5Ctrl::put_ListStyle(const std::u16string& v) {
  listStyle_ = v;
  ApplyListStyle();
}

void CKT5Ctrl::put_ShowStatus(int16_t v) {
  showStatus_ = v == kVariantTrue;
  Layout();
}

void CKT5Ctrl::put_ItemWidth(int column, int16_t v) {
  if (column < 0 || column > 3) return;
  itemWidths_[column] = v;
  ApplyListStyle();
}

void CKT5Ctrl::put_OpenFileOverwrite(int16_t v) {
  if (!created_) openFileOverwrite_ = v == kVariantTrue;
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
  if (dialog_.useBase64Encode && services_.base64Encode) return services_.base64Encode(item->url);
  return item->url;
}

std::optional<std::u16string> CKT5Ctrl::get_GetFileSize(uint32_t row) const {
  const DownloadItem* item = list_.ItemOfRow(static_cast<int32_t>(row));
  if (!item || row >= static_cast<uint32_t>(list_.RowCount())) return std::nullopt;
  std::u16string digits;
  for (char c : std::to_string(item->fileSize)) digits += static_cast<char16_t>(c);
  return digits;
}

std::vector<int32_t> CKT5Ctrl::get_GetSelectedItems() { return SelectedRows(); }

uint32_t CKT5Ctrl::get_SavedFileCount() const {
  return services_.savedFileCount ? services_.savedFileCount() : 0;
}

std::vector<int32_t> CKT5Ctrl::SelectedRows() {
  return view_ ? view_->SelectedRows() : std::vector<int32_t>();
}

// ---- methods ----

std::u16string CKT5Ctrl::ResolvePageUrl(const std::u16string& url, bool decode) const {
  std::u16string u = url;
  if (dialog_.useBase64Encode && services_.base64Decode) u = services_.base64Decode(u);
  if (services_.combineUrl) u = services_.combineUrl(pageUrl_, u, decode);
  if (u.size() > 2084) u.resize(2084);
  return u;
}

void CKT5Ctrl::AppendFile(const std::u16string& url, const std::optional<std::u16string>& fileName,
                          std::optional<int64_t> fileSize) {
  const std::u16string resolved = url.empty() ? url : ResolvePageUrl(url, false);
  const std::u16string name = fileName.value_or(u"");
  const int64_t size = fileSize.value_or(0);
  list_.AddItem(resolved, name, size, useUnicode_);
  if (view_) view_->SetItemCount(list_.RowCount());
  if (childMode_) dialog_.embeddedItems.push_back(list_.Items().back());
  RefreshStatusTexts();
}

void CKT5Ctrl::RemoveAllFiles() {
  list_.RemoveAll();
  if (view_) view_->SetItemCount(0);
  RefreshStatusTexts();
}

void CKT5Ctrl::RemoveSelectedItems() {
  const std::vector<int32_t> rows = SelectedRows();
  if (view_) view_->SetSelectedRows({});
  list_.RemoveSelected(rows);
  if (view_) view_->SetItemCount(list_.RowCount());
  RefreshStatusTexts();
}

void CKT5Ctrl::RunListDownload(const std::vector<DownloadItem>& batch, bool ownedByParent) {
  LoadLanguagePack();
  if (!services_.runDownloadDialog) return;
  FireForResult(services_.runDownloadDialog(*this, batch, ownedByParent));
}

void CKT5Ctrl::StartDownload() { RunListDownload(list_.Items(), false); }

void CKT5Ctrl::StartSelectDownload() { RunListDownload(list_.ItemsOfRows(SelectedRows()), true); }

void CKT5Ctrl::DownloadAndOpen(const std::u16string& url, const std::optional<std::u16string>& fileName,
                               std::optional<int64_t> fileSize, std::optional<int16_t> /*overwrite*/) {
  // The overwrite argument is accepted and not consulted: OpenFileOverwrite decides.
  if (url.empty()) return;
  const std::u16string resolved = ResolvePageUrl(url, true);
  if (services_.downloadAndOpen) services_.downloadAndOpen(*this, resolved, fileName.value_or(u""), fileSize.value_or(0));
  openAfterDownload_ = true;
}

void CKT5Ctrl::SingleDownload(const std::u16string& url, const std::optional<std::u16string>& fileName,
                              std::optional<int64_t> fileSize) {
  if (url.empty()) return;
  const std::u16string resolved = ResolvePageUrl(url, true);
  const std::u16string shown = LastPathComponent(fileName.value_or(u"").empty() ? resolved : *fileName);
  int64_t size = fileSize.value_or(0);
  if (size == 0 && services_.queryRemoteSize) size = services_.queryRemoteSize(resolved, useUnicode_);
  if (services_.singleDownload) services_.singleDownload(*this, url, resolved, shown, size);
}

std::optional<std::u16string> CKT5Ctrl::FolderSelect() {
  return services_.folderSelect ? services_.folderSelect(*this) : std::nullopt;
}

void CKT5Ctrl::StartPlusDownload() {
  LoadLanguagePack();
  if (services_.plusDownload) services_.plusDownload(*this, list_.Items());
}

void CKT5Ctrl::StartPlusSelectDownload() {
  LoadLanguagePack();
  if (services_.plusDownload) services_.plusDownload(*this, list_.ItemsOfRows(SelectedRows()));
}

void CKT5Ctrl::SavedDownload() {
  LoadLanguagePack();
  if (services_.savedDownload) services_.savedDownload(*this);
}

uint32_t CKT5Ctrl::GetIPCount() {
  return services_.ipAddresses ? static_cast<uint32_t>(services_.ipAddresses().size()) : 0;
}

std::optional<std::u16string> CKT5Ctrl::GetIP(uint32_t where) {
  if (!services_.ipAddresses) return std::nullopt;
  const auto all = services_.ipAddresses();
  if (where >= all.size()) return std::nullopt;
  return all[where];
}

int32_t CKT5Ctrl::GetMACCount() {
  return services_.macAddresses ? static_cast<int32_t>(services_.macAddresses().size()) : 0;
}

std::optional<std::u16string> CKT5Ctrl::GetMAC(uint32_t item) {
  if (!services_.macAddresses) return std::nullopt;
  const auto all = services_.macAddresses();
  if (item >= all.size()) return std::nullopt;
  return all[item];
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
  view_ = view;
  view_->CreateListView(list_);
  list_.SetLayout(folderType_);
  LoadLanguagePack();
  created_ = true;
  InsertColumns();
  view_->CreateStatusBar();
  RefreshStatusTexts();
  if (childMode_) {
    // The download template becomes a visible frameless child.
    auto tpl = LanguageStore::Instance().DialogTemplate(kDownloadTemplate).value_or(std::vector<uint8_t>());
    view_->CreateEmbeddedDialog(tpl);
  }
  UpdateCaptionSuffix();
  Layout();
}

void CKT5Ctrl::DestroyControlWindow() {
  if (!view_) return;
  if (childMode_) view_->DestroyEmbeddedDialog();
  view_ = nullptr;
}

void CKT5Ctrl::InsertColumns() {
  int32_t i = 0;
  for (const ColumnSpec& c : ColumnsOf(folderType_))
    view_->InsertColumn(i++, LanguageStore::Instance().Text(c.titleTextId), c.width, c.rightAligned);
}

void CKT5Ctrl::Layout() {
  if (!view_) return;
  const int32_t W = view_->ClientWidth(), H = view_->ClientHeight();
  if (childMode_) {
    view_->PlaceEmbeddedDialog(W, H);
    return;
  }
  const int32_t S = showStatus_ ? view_->StatusBarHeight() : 0;
  const int32_t listHeight = ListHeightAboveStatus(H, S);
  view_->PlaceListView(0, 0, W, listHeight);
  view_->PlaceStatusBar(0, listHeight, W, S);
  ApplyListStyle();
  view_->SetStatusParts(W / 2, W);
}

void CKT5Ctrl::ApplyListStyle() {
  if (!view_) return;
  const ListViewMode mode = ListViewModeOf(listStyle_);
  view_->SetViewMode(mode);
  if (mode != ListViewMode::kReport) return;
  std::vector<int32_t> current;
  for (int32_t i = 0; i < view_->ColumnCount(); ++i) current.push_back(view_->ColumnWidth(i));
  const auto widths = ComputeColumnWidths(folderType_, view_->ClientWidth(), view_->VerticalScrollBarWidth(),
                                          current, {itemWidths_[0], itemWidths_[1], itemWidths_[2], itemWidths_[3]});
  for (int32_t i = 0; i < view_->ColumnCount() && i < 4; ++i) view_->SetColumnWidth(i, widths[i]);
}

void CKT5Ctrl::RefreshStatusTexts() {
  if (!view_) return;
  const LanguageStore& store = LanguageStore::Instance();
  view_->SetStatusText(0, FormatText(store.Text(kTextAllFiles), {list_.RowCount(), FormatSize(list_.TotalSize())}));
  const std::vector<int32_t> selected = SelectedRows();
  view_->SetStatusText(1, FormatText(store.Text(kTextSelected),
                                     {static_cast<int32_t>(selected.size()), FormatSize(list_.SizeOfRows(selected))}));
}

bool CKT5Ctrl::LoadLanguagePack() {
  if (!services_.loadLanguagePack || !services_.loadLanguagePack(language_)) return false;
  const std::u16string base = LanguageStore::Instance().Text(kTextCaption);
  g_messageCaption = g_programTitle.empty() ? base : base + u" - " + g_programTitle;
  RefreshStatusTexts();
  return true;
}

std::u16string CKT5Ctrl::MessageCaption() { return g_messageCaption; }

void CKT5Ctrl::OnSetFocus() {
  if (!view_ || view_->FocusIsOnChild()) return;
  childMode_ ? view_->FocusEmbeddedDialog() : view_->FocusList();
}

void CKT5Ctrl::OnListClick(int32_t row) {
  if (row < 0 || row >= list_.RowCount()) return;
  RefreshStatusTexts();
  Fire(dispid::kOnItemClick, {Variant::UI4(static_cast<uint32_t>(row))});
}

void CKT5Ctrl::OnListDoubleClick(int32_t row) {
  if (row < 0 || row >= list_.RowCount()) return;
  Fire(dispid::kOnItemDblClick, {Variant::UI4(static_cast<uint32_t>(row))});
}

void CKT5Ctrl::OnBeginDrag() {
  if (useDragDrop_ && services_.beginDrag) services_.beginDrag(*this);
}

void CKT5Ctrl::OnContextMenu(int32_t x, int32_t y) {
  if (!view_ || childMode_ || !useContextMenu_) return;
  const std::vector<int32_t> selected = SelectedRows();
  const bool group = selected.size() == 1 && list_.RowIsGroup(selected[0]);
  std::vector<ContextMenuEntry> popup = DefaultContextPopup();
  if (services_.contextPopupTexts) services_.contextPopupTexts(popup);
  const auto entries = BuildContextMenu(popup, useContextOpen_, static_cast<int>(selected.size()), group);
  if (const uint16_t cmd = view_->TrackPopupMenu(entries, x, y)) OnCommand(cmd);
}

void CKT5Ctrl::OnCommand(uint16_t command) {
  switch (command) {
    case kCmdOpenFile: {
      const std::vector<int32_t> selected = SelectedRows();
      if (selected.size() != 1 || list_.RowItemCount(selected[0]) != 1) return;
      const DownloadItem* item = list_.ItemOfRow(selected[0]);
      if (!item) return;
      std::u16string url = item->url;
      if (dialog_.useBase64Encode && services_.base64Encode) url = services_.base64Encode(url);
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

void CKT5Ctrl::DownloadSelectedTo(const std::u16string& folder) {
  const std::vector<DownloadItem> batch = list_.DropBatch(folder, SelectedRows());
  const bool saved = dialog_.useFullPath;
  dialog_.useFullPath = true;
  RunListDownload(batch, true);
  dialog_.useFullPath = saved;
}

}  // namespace vard
