#include "agent/views/DownloadView.h"

#include "agent/jobs/KTHTTPThread.h"
#include "agent/views/ControlIds.h"
#include "common/handoff/SavedDownloads.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/Shell.h"
#include "common/respack/LanguageStore.h"

namespace vard {
namespace {

namespace id = view_id;

std::u16string Text(uint32_t stringId) { return LanguageStore::Instance().Text(stringId); }

constexpr int kRadios[] = {id::kAsk, id::kOverwrite, id::kResume};

}  // namespace

CDownloadView::CDownloadView(IViewFrame& frame, IUiThread& ui, MainViewSetup setup)
    : CMainView(frame, ui, std::move(setup), id::kDownloadForm, 500) {
  auto status = [this](VARD_THREAD_STATUS s) { OnThreadStatus(s); };
  if (Setup().makeWorker) {
    SetWorker(Setup().makeWorker(MutableEntries(), WorkerDialogs(), status, Ui().Clock()));
  } else {
    SetWorker(std::make_unique<CKTHTTPThread>(MutableEntries(), WorkerDialogs(), status, Ui().Clock()));
  }
}

CDownloadView::~CDownloadView() { StopWorkerForGood(); }

int CDownloadView::ReadHandOff() {
  return DownloadHandOffReader(*this, MutableEntries(), Setup().reader).ReadHandOff();
}

void CDownloadView::PrepareWorker() {
  if (auto* worker = dynamic_cast<CKTHTTPThread*>(&Worker())) {
    worker->save_folder = saveFolder_;
    worker->notify_url = NotificationUrl();
  }
}

void CDownloadView::BuildModeForm(uint32_t sendAfter) {
  const std::u16string documents = Setup().documentsFolder ? Setup().documentsFolder() : platform::DocumentsFolder();
  saveFolder_ = Settings().SaveFolder(documents);
  SetText(id::kSaveFolder, saveFolder_);
  SetChecked(id::kOpenFolder, (sendAfter & kSendAfterOpenFolder) != 0);
  ShowExistingFileChoice(ExistingFileOption::kAsk);
  WorkerDialogs().ChoiceClicked(ExistingFileOption::kAsk);
}

uint32_t CDownloadView::SendAfterBits() {
  return CMainView::SendAfterBits() | (Form().Checked(id::kOpenFolder) ? kSendAfterOpenFolder : 0);
}

void CDownloadView::ShowExistingFileChoice(ExistingFileOption option) {
  const int chosen = kRadios[static_cast<int>(option)];
  for (int r : kRadios) SetChecked(r, r == chosen);
}

void CDownloadView::OnCompleteFinish() {
  if (!Form().Checked(id::kOpenFolder)) return;
  const auto open = Setup().shellOpen ? Setup().shellOpen : platform::ShellOpen;
  open(saveFolder_);
}

void CDownloadView::OnModeCommand(int controlId) {
  switch (controlId) {
    case id::kChangeFolder:
      ChangeFolder();
      break;
    case id::kOpenFolder:
      SetChecked(controlId, !Form().Checked(controlId));
      break;
    case id::kAsk:
    case id::kOverwrite:
    case id::kResume: {
      const auto option = controlId == id::kAsk         ? ExistingFileOption::kAsk
                          : controlId == id::kOverwrite ? ExistingFileOption::kOverwrite
                                                        : ExistingFileOption::kResume;
      ShowExistingFileChoice(option);
      WorkerDialogs().ChoiceClicked(option);
      break;
    }
    default:
      break;
  }
}

void CDownloadView::OnRemoving(const std::vector<size_t>& rows) {
  std::vector<std::u16string> urls;
  for (size_t row : rows)
    if (auto* entry = dynamic_cast<const CDownloadFile*>(Entries()[row].get())) urls.push_back(entry->url);
  if (!Setup().reader.saved_downloads_path.empty())
    MarkSavedDownloadsDone(Setup().reader.saved_downloads_path, urls);
}

void CDownloadView::ChangeFolder() {
  if (Worker().IsRunning()) {
    Window().ShowMessage(Text(id::kFolderBusy), Text(id::kAlertCaption));
    return;
  }
  const auto isFolder = Setup().isFolder ? Setup().isFolder : platform::IsDirectory;
  std::optional<std::u16string> chosen;
  for (;;) {
    chosen = Window().BrowseFolder(Text(id::kBrowseTitle), saveFolder_);
    if (!chosen) return;
    if (isFolder(*chosen)) break;
    Window().ShowMessage(u"저장 할 수 없는 디렉토리 입니다.\n다른 폴더를 선택해주십시오.", u"알림");
  }
  saveFolder_ = *chosen;
  Settings().SetSaveFolder(saveFolder_);
  SetText(id::kSaveFolder, saveFolder_);
  {
    CInternetThreadBase::TransferGuard lock(Worker().TransferLock());
    const auto& entries = Entries();
    // A partial file is resumed where it is: its row goes on showing that folder.
    for (size_t i = Worker().index < 0 ? 0 : static_cast<size_t>(Worker().index); i < entries.size(); ++i) {
      if (entries[i]->status == entry_status::kDone) continue;
      const auto* file = dynamic_cast<const CDownloadFile*>(entries[i].get());
      StoreField(entries[i]->save_folder, file ? file->TargetFolder(saveFolder_) : saveFolder_);
    }
  }
  Window().RedrawAll();
}

}  // namespace vard
