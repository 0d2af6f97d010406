#include "agent/views/AskSaveAsDlgs.h"

#include <algorithm>

#include "agent/views/DialogTexts.h"
#include "agent/views/UploadRename.h"
#include "common/platform/FileSystem.h"
#include "common/platform/LocalTimeText.h"
#include "common/respack/DialogCaption.h"
#include "common/respack/LanguageStore.h"
#include "common/text/Printf.h"
#include "common/text/SizeFormat.h"

namespace vard {
namespace {

std::u16string TemplateCaption(uint32_t id) {
  return DialogCaption(LanguageStore::Instance().DialogTemplate(id).value_or(std::vector<uint8_t>()));
}

}  // namespace

std::u16string ModifiedTimeText(const platform::UtcTime& t) { return platform::LongDateAndTime(t); }

std::optional<platform::UtcTime> LocalFileWriteTime(const std::u16string& path) {
  const int64_t seconds = platform::FileWriteTime(path);
  if (seconds < 0) return std::nullopt;
  return platform::LocalCalendarTime(seconds);
}

CAskSaveAsBase::CAskSaveAsBase(uint32_t templateId, const std::u16string& path, int64_t newSize,
                               int64_t existingSize, const std::u16string& timeText, bool resumeAllowed)
    : CDialogPresenter(templateId, TemplateCaption(templateId)), filePath_(path) {
  ControlState& c = Mutable();
  for (const auto& [id, text] : LanguageDialogTexts(templateId)) c.SetText(id, text);
  c.SetText(kName, FormatText(c.Text(kName), {platform::LastPathComponent(path)}));
  c.SetText(kExistingSize, FormatSize(existingSize));
  c.SetText(kNewSize, FormatText(c.Text(kNewSize), {FormatSize(newSize)}));
  c.SetText(kExistingTime, timeText);
  AddButton(kOverwrite);
  if (resumeAllowed) {
    AddButton(kResume);
  } else {
    c.SetVisible(kResume, false);
  }
  AddButton(kSaveAs);
  AddButton(kIdCancel);
}

bool CAskSaveAsBase::Common(int id) {
  switch (id) {
    case kApplyAll:
      Mutable().SetChecked(kApplyAll, !Controls().Checked(kApplyAll));
      return true;
    case kResume:
      if (!Controls().Visible(kResume)) return true;
      End(id);
      return true;
    case kOverwrite:
    case kIdCancel:
      End(id);
      return true;
    default:
      return id != kSaveAs;
  }
}

CAskSaveAsDownloadDlg::CAskSaveAsDownloadDlg(const DownloadExistsQuestion& q, AskPath askPath,
                                             const FileTime& fileTime)
    : CAskSaveAsBase(222, q.targetPath, q.newSize, std::max<int64_t>(0, platform::FileSizeOf(q.targetPath)) & 0xFFFFFFFF,
                     ModifiedTimeText(fileTime ? fileTime(q.targetPath).value_or(platform::UtcTime{})
                                               : platform::UtcTime{}) +
                         u" 수정됨",
                     q.resumeAllowed),
      target_(q.targetPath),
      askPath_(std::move(askPath)) {}

void CAskSaveAsDownloadDlg::OnCommand(int id) {
  if (Common(id)) return;
  // Save as: a cancelled path question leaves this question open.
  if (!askPath_) return;
  if (auto chosen = askPath_(target_)) {
    savePath_ = *chosen;
    End(kSaveAs);
  }
}

DownloadExistsAnswer CAskSaveAsDownloadDlg::Answer() const {
  DownloadExistsAnswer a;
  a.action = HasEnded() ? EndCode() : existing_file::kSkip;
  a.applyToAll = ApplyToAll();
  if (a.action == existing_file::kSaveAs) a.savePath = savePath_;
  return a;
}

CAskSaveAsDlg::CAskSaveAsDlg(const UploadExistsQuestion& q, OpenRename openRename)
    : CAskSaveAsBase(205, q.filePath, q.newSize, q.existingSize,
                     ModifiedTimeText(q.existingTime) + u" " + LanguageStore::Instance().Text(507),
                     q.resumeAllowed),
      path_(q.filePath),
      openRename_(std::move(openRename)) {}

void CAskSaveAsDlg::OnCommand(int id) {
  if (Common(id) || !openRename_) return;
  auto rename = std::make_shared<CUploadRename>(platform::LastPathComponent(path_));
  openRename_(rename, [this, r = rename.get()](int code) {
    if (code != kIdOk) return;  // the question stays open
    rename_ = r->Answer();
    End(kSaveAs);
  });
}

UploadExistsAnswer CAskSaveAsDlg::Answer() const {
  UploadExistsAnswer a;
  a.action = HasEnded() ? EndCode() : existing_file::kSkip;
  a.applyToAll = ApplyToAll();
  if (a.action == existing_file::kSaveAs) a.rename = rename_;
  return a;
}

}  // namespace vard
