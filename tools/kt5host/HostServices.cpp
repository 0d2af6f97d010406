#include "HostServices.h"

#include <memory>

#include "common/text/Utf.h"
#include "control/ControlComposition.h"

namespace vard {
namespace {

// With a "dialogresult" line the script plays the user of the list download
// dialog: it prints the batch and ends with that result. Without one the
// host's dialog downloads for real. The other dialogs stay the host's.
class ScriptedDialogs final : public IDownloadDialogs {
 public:
  ScriptedDialogs(std::shared_ptr<IDownloadDialogs> host, std::ostream& out, std::function<int()> result)
      : host_(std::move(host)), out_(out), result_(std::move(result)) {}
  int RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch, DialogOwner owner) override {
    const int result = result_();
    if (result == 0) return host_->RunListDownload(state, batch, owner);
    out_ << "  download dialog: " << batch.size() << " item(s)";
    for (const DownloadItem& item : batch) out_ << " [" << Utf16ToUtf8(item.fileName) << "]";
    out_ << ", ends with " << result << "\n";
    return result;
  }
  void RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) override {
    host_->RunDownloadAndOpen(settings, file);
  }
  std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string& name, int64_t size) override {
    return host_->AskOpenOrSave(name, size);
  }
  void EndRuns() override { host_->EndRuns(); }
  std::unique_ptr<IEmbeddedDownload> EmbedListDownload(DownloadDialogState& state,
                                                       std::function<void(int)> ended) override {
    return host_->EmbedListDownload(state, std::move(ended));
  }

 private:
  std::shared_ptr<IDownloadDialogs> host_;
  std::ostream& out_;
  std::function<int()> result_;
};

// Batches handed to the agent are printed, then handed over for real.
class ScriptedHandOff final : public IAgentHandOff {
 public:
  ScriptedHandOff(std::shared_ptr<IAgentHandOff> host, std::ostream& out) : host_(std::move(host)), out_(out) {}
  void HandOff(const AgentHandOffRequest& request) override {
    if (request.batch)
      out_ << "  hand-off to the agent: " << request.batch->size() << " item(s)\n";
    else
      out_ << "  hand-off to the agent: the saved downloads\n";
    out_.flush();
    host_->HandOff(request);
  }

 private:
  std::shared_ptr<IAgentHandOff> host_;
  std::ostream& out_;
};

}  // namespace

ControlServices ScriptedServices(ControlServices services, std::ostream& out, std::function<int()> dialogResult) {
  ControlServices s = WithMissingSeamsMarked(std::move(services));
  s.dialogs = std::make_shared<ScriptedDialogs>(s.dialogs, out, std::move(dialogResult));
  s.handOff = std::make_shared<ScriptedHandOff>(s.handOff, out);
  return s;
}

ControlServices HostServices() { return ComposeControlServices(); }

}  // namespace vard
