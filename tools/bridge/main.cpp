// vardkt5-bridge: the native messaging host that serves the download
// control to pages in a browser, one control per page connection.
// `vardkt5-bridge -install` writes the host manifest beside the program and
// names it for the browsers of the current user; `-manifest PATH` prints
// the manifest for a host started as PATH (a launcher, on POSIX), and
// `-manifest-firefox PATH` Firefox's. Otherwise it serves only the browser
// that started it for our extension (the arguments name the caller).
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/platform/Http.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/MessageStreams.h"
#include "common/text/Utf.h"
#include "tools/bridge/BridgeServices.h"
#include "tools/bridge/BridgeSession.h"
#include "tools/bridge/Framing.h"
#include "tools/bridge/HostInstall.h"

namespace {

// The messages the reader thread took from the browser, for main's thread.
class Inbox {
 public:
  struct Message {
    std::string text;
    bool refused = false;  // `text` says why the frame was not read
  };

  explicit Inbox(std::unique_ptr<vard::platform::IByteChannel> browser) : channel(std::move(browser)) {}

  void Put(Message message) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(message));
    ready_.notify_one();
  }
  // The browser closed the connection: the runs up end, and nothing more
  // is taken, not even what came before.
  void Close() {
    std::shared_ptr<vard::IDownloadDialogs> dialogs;
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
      dialogs = dialogs_;
      ready_.notify_one();
    }
    if (dialogs) dialogs->EndRuns();
  }
  // The control's dialogs, once made.
  void SetDialogs(std::shared_ptr<vard::IDownloadDialogs> dialogs) {
    std::lock_guard lock(mutex_);
    dialogs_ = dialogs;
    if (closed_ && dialogs) dialogs->EndRuns();
  }
  // The next message; nothing once the browser went.
  std::optional<Message> Take() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return !queue_.empty() || closed_; });
    if (closed_) return std::nullopt;
    Message message = std::move(queue_.front());
    queue_.pop_front();
    return message;
  }

  const std::unique_ptr<vard::platform::IByteChannel> channel;

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Message> queue_;
  bool closed_ = false;
  std::shared_ptr<vard::IDownloadDialogs> dialogs_;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace vard::bridge;
  if (argc > 1 && (std::strcmp(argv[1], "-install") == 0 || std::strcmp(argv[1], "--install") == 0)) {
    if (!BrowsersReadTheRegistry()) {
      std::fputs("vardkt5-bridge: browsers here read manifest files: use scripts/install-browser-bridge.sh\n", stderr);
      return 2;
    }
    std::string error;
    const std::u16string program = vard::platform::ModulePath();
    if (!InstallForCurrentUser(program, &error)) {
      std::fprintf(stderr, "vardkt5-bridge: %s\n", error.c_str());
      return 1;
    }
    std::printf("installed %s for %s\n", kHostName, vard::Utf16ToUtf8(program).c_str());
    return 0;
  }
  if (argc > 2 && (std::strcmp(argv[1], "-manifest") == 0 || std::strcmp(argv[1], "-manifest-firefox") == 0)) {
    const auto family =
        std::strcmp(argv[1], "-manifest-firefox") == 0 ? BrowserFamily::kFirefox : BrowserFamily::kChromium;
    std::fputs(HostManifest(vard::Utf8ToUtf16(argv[2]), family).c_str(), stdout);
    return 0;
  }
  // Any other arguments are the browser's: it names who asked for the host.
  // The manifest names our extension, but anyone may start the program.
  if (!CalledByOurExtension(std::vector<std::string_view>(argv + 1, argv + argc))) {
    std::fprintf(stderr, "vardkt5-bridge: started by %.200s, not by the vardel extension: refused\n",
                 argc > 1 ? argv[1] : "no browser");
    return 3;
  }
  PrepareProcess();
  // A page's download may be loading the HTTP stack when the browser goes:
  // the host leaves main only once that load is over.
  const vard::platform::HttpLoadScope http(false);
  // Read on a thread of its own, so that the browser closing the connection
  // (the page closed its control, or its tab went) is seen while a run's
  // dialog holds this thread, and ends that run at once. The reader's state
  // is shared: it may still wait on the browser when main returns.
  auto inbox = std::make_shared<Inbox>(vard::platform::TakeStandardStreams());
  std::thread([inbox] {
    FrameReader reader(*inbox->channel);
    std::string body;
    for (;;) {
      const FrameRead read = reader.Read(body);
      if (read == FrameRead::kFrame) {
        inbox->Put({std::move(body), false});
      } else if (read == FrameRead::kTooLong) {
        inbox->Put({"a message of " + std::to_string(reader.RefusedLength()) + " bytes is longer than " +
                        std::to_string(kMaxFrame) + " bytes",
                    true});
      } else {
        break;  // the browser closed the connection (or cut a message short)
      }
      body.clear();
    }
    inbox->Close();
  }).detach();

  FrameWriter writer(*inbox->channel);
  std::atomic<bool> browserGone = false;
  BridgeSession* current = nullptr;
  BridgeSession session(
      [&current, inbox] {
        auto services = BridgeServices([&current](const std::string& line) {
          if (current) current->Progress(line);
        });
        inbox->SetDialogs(services.dialogs);
        return services;
      },
      // Any thread may send: the reader's answers, a download's progress lines.
      [&writer, &browserGone](const std::string& text) {
        if (!writer.Write(text)) browserGone = true;
      });
  current = &session;
  while (!browserGone) {
    auto message = inbox->Take();
    if (!message) break;
    if (message->refused) session.Refuse(message->text);
    else session.Handle(message->text);
  }
  return 0;
}