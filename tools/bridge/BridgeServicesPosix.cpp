#include <ostream>
#include <streambuf>

#include "control/ControlComposition.h"
#include "control/engine/ConsoleDownloadDialogs.h"
#include "control/services/MissingServices.h"
#include "tools/bridge/BridgeServices.h"

namespace vard::bridge {
namespace {

// An output stream whose complete lines go to a function.
class LineBuffer final : public std::streambuf {
 public:
  explicit LineBuffer(std::function<void(const std::string&)> line) : line_(std::move(line)) {}

 protected:
  int_type overflow(int_type c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    if (c == '\n' || c == '\r') {
      if (!pending_.empty()) line_(pending_);
      pending_.clear();
    } else {
      pending_ += static_cast<char>(c);
    }
    return c;
  }

 private:
  std::function<void(const std::string&)> line_;
  std::string pending_;
};

// The console's dialogs printing into the page's progress events.
class ProgressDialogs final : public IDownloadDialogs {
 public:
  ProgressDialogs(std::shared_ptr<IDownloadDialogs> fallback, std::function<void(const std::string&)> progress)
      : buffer_(std::move(progress)), out_(&buffer_), console_(std::move(fallback), out_) {}
  int RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch, DialogOwner owner) override {
    return console_.RunListDownload(state, batch, owner);
  }
  void RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) override {
    console_.RunDownloadAndOpen(settings, file);
  }
  std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string& name, int64_t size) override {
    return console_.AskOpenOrSave(name, size);
  }
  void EndRuns() override { console_.EndRuns(); }
  std::unique_ptr<IEmbeddedDownload> EmbedListDownload(DownloadDialogState& state,
                                                       std::function<void(int)> ended) override {
    return console_.EmbedListDownload(state, std::move(ended));
  }

 private:
  LineBuffer buffer_;
  std::ostream out_;
  ConsoleDownloadDialogs console_;
};

}  // namespace

void PrepareProcess() {}

bool BrowsersReadTheRegistry() { return false; }

ControlServices BridgeServices(std::function<void(const std::string& line)> progress) {
  ControlServices s = ComposeControlServices();
  s.dialogs = std::make_shared<ProgressDialogs>(MissingDialogs(kSeamNotAvailableYet, s.debug), std::move(progress));
  return s;
}

}  // namespace vard::bridge
