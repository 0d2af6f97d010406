#include "control/engine/ConsoleDownloadDialogs.h"

#include "common/log/DiagnosticLog.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/Environment.h"
#include "common/platform/KnownFolders.h"
#include "common/respack/DialogCaption.h"
#include "common/respack/LanguageStore.h"
#include "control/ProgramTitle.h"
#include "control/engine/DialogWiring.h"
#include "control/engine/OpenConsent.h"
#include "control/engine/ProtectedModeTarget.h"
#include "control/engine/RemoteSize.h"
#include "control/engine/SingleFileRun.h"
#include "common/platform/ErrorText.h"
#include "common/platform/FileSystem.h"
#include "common/platform/Shell.h"
#include "common/text/SizeFormat.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

constexpr uint32_t kDownloadTemplate = 104;
constexpr uint32_t kCompactTemplate = 105;

std::u16string TemplateCaption(uint32_t id) {
  const auto dialogTemplate = LanguageStore::Instance().DialogTemplate(id);
  return dialogTemplate ? DialogCaption(*dialogTemplate) : std::u16string();
}

}  // namespace

// The embedded dialog on the console: shown once, its runs started by
// StartEmbeddedRun.
class ConsoleDownloadDialogs::Embedded final : public IEmbeddedDownload {
 public:
  Embedded(ConsoleDownloadDialogs& owner, DownloadDialogConfig config, std::function<void(int)> ended)
      : owner_(owner),
        wired_(owner.folders_, owner.makeOutput_, std::move(config), {}),
        view_(owner.out_, platform::StandardInputIsTerminal() ? &std::cin : nullptr, false, platform::SystemClock(),
              owner.answers_, TemplateCaption(kDownloadTemplate)) {
    view_.ShowEmbedded(wired_.Dialog(), std::move(ended));
    owner_.embedded_ = this;
    running_.emplace(owner.running_, view_, wired_.Dialog());
  }
  ~Embedded() override {
    running_.reset();
    owner_.embedded_ = nullptr;
    wired_.Dialog().OnClose(false);
  }
  void AddItem(const DownloadItem& item) override { wired_.Dialog().AddItem(item); }
  void Place(int32_t, int32_t) override {}
  void Focus() override {}
  void SetListHeight(int32_t) override {}
  bool StartRun() { return view_.RunEmbedded(); }

 private:
  ConsoleDownloadDialogs& owner_;
  WiredDownloadDialog wired_;
  ConsoleDownloadDialogView view_;
  std::optional<RunningDialogs::Entry> running_;
};

ConsoleDownloadDialogs::ConsoleDownloadDialogs(std::shared_ptr<IDownloadDialogs> fallback, std::ostream& out,
                                               OutputFactory makeOutput)
    : fallback_(std::move(fallback)), out_(out), makeOutput_(std::move(makeOutput)), folders_(platform::SystemRegistry()) {}

ConsoleDownloadDialogs::~ConsoleDownloadDialogs() = default;

int ConsoleDownloadDialogs::RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch,
                                            DialogOwner) {
  DownloadDialogConfig config = ListDialogConfig(state);
  // Nobody presses Start on a console: the run starts by itself.
  config.autoStart = true;
  WiredDownloadDialog wired(folders_, makeOutput_, config, batch);
  ConsoleDownloadDialogView view(out_, platform::StandardInputIsTerminal() ? &std::cin : nullptr,
                                 platform::StandardOutputIsTerminal(), platform::SystemClock(), answers_,
                                 TemplateCaption(kDownloadTemplate));
  const RunningDialogs::Entry running(running_, view, wired.Dialog());
  const int code = view.RunModal(wired.Dialog());
  state.downloadFolder = wired.Dialog().Folder();
  return code;
}

std::unique_ptr<IEmbeddedDownload> ConsoleDownloadDialogs::EmbedListDownload(DownloadDialogState& state,
                                                                             std::function<void(int)> ended) {
  DownloadDialogConfig config = ListDialogConfig(state);
  config.child = true;
  config.autoStart = false;  // the user starts each run
  return std::make_unique<Embedded>(*this, std::move(config), std::move(ended));
}

bool ConsoleDownloadDialogs::StartEmbeddedRun() { return embedded_ && embedded_->StartRun(); }

void ConsoleDownloadDialogs::RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& page) {
  ConsoleDownloadDialogView view(out_, platform::StandardInputIsTerminal() ? &std::cin : nullptr,
                                 platform::StandardOutputIsTerminal(), platform::SystemClock(), answers_,
                                 TemplateCaption(kCompactTemplate));
  SingleFile file = page;
  SingleFileSteps steps = SystemSingleFileSteps();
  steps.askDuplicate = [&view](const DuplicatePrompt& prompt) { return view.AskDuplicate(prompt); };
  const auto target = SingleFileTarget(settings, file, steps);
  if (!target) return;

  DownloadDialogConfig config = SingleFileDialogConfig(settings, ProgramTitle::Process().Title(), *target);
  config.messageCaption = ProgramTitle::Process().MessageCaption();
  WiredDownloadDialog wired(folders_, makeOutput_, config, {SingleFileItem(file, *target)});
  std::optional<RunningDialogs::Entry> running(std::in_place, running_, view, wired.Dialog());
  if (view.RunModal(wired.Dialog()) != endcode::kCompleted || !settings.openAfterDownload) return;
  running.reset();
  OpenSteps open;
  open.ask = [&view](const std::u16string& question) { return view.AskOpen(question); };
  open.tell = [&](const std::u16string& text) { view.MessageBox(text, config.messageCaption); };
  open.open = OpenWithShell;
  OpenAfterDownload(settings.dialog, *target, open);
}

std::optional<OpenOrSaveAnswer> ConsoleDownloadDialogs::AskOpenOrSave(const std::u16string& shownName,
                                                                     int64_t fileSize) {
  ConsoleDownloadDialogView view(out_, platform::StandardInputIsTerminal() ? &std::cin : nullptr, false,
                                 platform::SystemClock(), answers_, u"");
  return view.AskOpenOrSave(shownName, fileSize);
}

}  // namespace vard
