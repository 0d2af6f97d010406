#include "control/ControlPresenter.h"

#include "common/respack/MenuResource.h"
#include "common/text/Printf.h"
#include "common/text/SizeFormat.h"
#include "control/ListStyle.h"

namespace vard {
namespace {

constexpr uint32_t kTextAllFiles = 110;
constexpr uint32_t kTextSelected = 111;

}  // namespace

ControlPresenter::ControlPresenter(const ControlSettings& settings, const DownloadList& list,
                                   IControlLanguage& language)
    : settings_(settings), list_(list), language_(language) {}

void ControlPresenter::Attach(IControlView* view) {
  view_ = view;
  view_->CreateListView(list_);
}

void ControlPresenter::Build() {
  InsertColumns();
  view_->CreateStatusBar();
  RefreshStatusTexts();
}

void ControlPresenter::Detach() {
  view_ = nullptr;
  embedded_ = nullptr;
}

void ControlPresenter::InsertColumns() {
  int32_t i = 0;
  for (const ColumnSpec& c : ColumnsOf(settings_.folderType))
    view_->InsertColumn(i++, language_.Texts().Text(c.titleTextId), c.width, c.rightAligned);
}

void ControlPresenter::Layout() {
  if (!view_) return;
  const int32_t W = view_->ClientWidth(), H = view_->ClientHeight();
  if (settings_.childMode) {
    if (embedded_) embedded_->Place(W, H);
    return;
  }
  const int32_t S = settings_.showStatus ? view_->StatusBarHeight() : 0;
  const int32_t listHeight = ListHeightAboveStatus(H, S);
  view_->PlaceListView(0, 0, W, listHeight);
  view_->PlaceStatusBar(0, listHeight, W, S);
  ApplyListStyle();
  view_->SetStatusParts(W / 2, W);
}

void ControlPresenter::ApplyListStyle() {
  if (!view_) return;
  const ListViewMode mode = ListViewModeOf(settings_.listStyle);
  view_->SetViewMode(mode);
  if (mode != ListViewMode::kReport) return;
  std::vector<int32_t> current;
  for (int32_t i = 0; i < view_->ColumnCount(); ++i) current.push_back(view_->ColumnWidth(i));
  const int16_t* w = settings_.itemWidths;
  const auto widths = ComputeColumnWidths(settings_.folderType, view_->ClientWidth(), view_->VerticalScrollBarWidth(),
                                          current, {w[0], w[1], w[2], w[3]});
  for (int32_t i = 0; i < view_->ColumnCount() && i < 4; ++i) view_->SetColumnWidth(i, widths[i]);
}

void ControlPresenter::RefreshStatusTexts() {
  if (!view_) return;
  const LanguageStore& texts = language_.Texts();
  view_->SetStatusText(0, FormatText(texts.Text(kTextAllFiles), {list_.RowCount(), FormatSize(list_.TotalSize())}));
  const std::vector<int32_t> selected = SelectedRows();
  view_->SetStatusText(1, FormatText(texts.Text(kTextSelected),
                                     {static_cast<int32_t>(selected.size()), FormatSize(list_.SizeOfRows(selected))}));
}

void ControlPresenter::ShowRowCount() {
  if (view_) view_->SetItemCount(list_.RowCount());
}

void ControlPresenter::ClearSelection() {
  if (view_) view_->SetSelectedRows({});
}

std::vector<int32_t> ControlPresenter::SelectedRows() {
  return view_ ? view_->SelectedRows() : std::vector<int32_t>();
}

void ControlPresenter::OnSetFocus() {
  if (!view_ || view_->FocusIsOnChild()) return;
  if (!settings_.childMode) view_->FocusList();
  else if (embedded_) embedded_->Focus();
}

std::vector<ContextMenuEntry> ControlPresenter::PackPopup() {
  const auto menu = language_.Texts().Menu(kContextMenuId);
  const std::vector<MenuEntry> items = menu ? FirstPopupItems(*menu) : std::vector<MenuEntry>();
  if (items.empty()) return DefaultContextPopup();
  std::vector<ContextMenuEntry> popup;
  for (const MenuEntry& item : items)
    popup.push_back({static_cast<uint16_t>(item.id), item.separator, false, item.text});
  return popup;
}

uint16_t ControlPresenter::TrackContextMenu(int32_t x, int32_t y) {
  if (!view_ || settings_.childMode || !settings_.useContextMenu) return 0;
  const std::vector<int32_t> selected = SelectedRows();
  const bool group = selected.size() == 1 && list_.RowIsGroup(selected[0]);
  const auto entries = BuildContextMenu(PackPopup(), settings_.useContextOpen, static_cast<int>(selected.size()), group);
  return view_->TrackPopupMenu(entries, x, y);
}

}  // namespace vard
