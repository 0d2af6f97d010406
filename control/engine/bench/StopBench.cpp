// Not a test: how long a person waits for the control's download dialog to
// answer Cancel (the stop question answered yes) and the embedded dialog's
// going away, while its run waits on a server that accepted and says
// nothing, with the default timeouts in force.
//
//   control_stop_bench URL FOLDER
//
// URL is a silent server's (the hostile server's /silent); FOLDER takes the
// files. Prints one line per action with the milliseconds it took.
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <sstream>
#include <thread>

#include "common/platform/Clock.h"
#include "common/platform/Registry.h"
#include "common/text/Utf.h"
#include "control/engine/ConsoleDownloadDialogView.h"
#include "control/engine/DialogWiring.h"

namespace {

using namespace vard;
using Clock = std::chrono::steady_clock;

// Time for the run to be inside its request before the person acts.
constexpr auto kSettle = std::chrono::seconds(1);

long Millis(Clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

DownloadDialogConfig Config(const std::u16string& folder, bool child) {
  DownloadDialogConfig config;
  config.child = child;
  config.autoStart = !child;
  config.options.downloadFolder = folder;
  return config;
}

std::vector<DownloadItem> SilentItem(const std::u16string& url, const char16_t* name) {
  DownloadItem item;
  item.url = url;
  item.fileName = item.displayName = name;
  item.fileSize = 1000;
  return {item};
}

// Cancel pressed in the modal dialog; the stop question is answered yes.
long CancelModal(FolderSettings& folders, const std::u16string& url, const std::u16string& folder) {
  WiredDownloadDialog wired(folders, SystemOutputFactory(), Config(folder, false), SilentItem(url, u"cancel.bin"));
  ConsoleAnswers answers;
  answers.stops.push_back(true);
  std::ostringstream out;
  ConsoleDownloadDialogView view(out, nullptr, false, platform::SystemClock(), answers, u"");
  Clock::time_point pressed;
  std::thread person([&] {
    std::this_thread::sleep_for(kSettle);
    pressed = Clock::now();
    view.Post([&] { wired.Dialog().OnClose(true); });
  });
  view.RunModal(wired.Dialog());
  const long ms = Millis(pressed);
  person.join();
  return ms;
}

// The page goes away under an embedded dialog whose run waits.
long CloseChild(FolderSettings& folders, const std::u16string& url, const std::u16string& folder) {
  auto wired = std::make_unique<WiredDownloadDialog>(folders, SystemOutputFactory(), Config(folder, true),
                                                     std::vector<DownloadItem>{});
  ConsoleAnswers answers;
  std::ostringstream out;
  ConsoleDownloadDialogView view(out, nullptr, false, platform::SystemClock(), answers, u"");
  view.ShowEmbedded(wired->Dialog(), [](int) {});
  wired->Dialog().AddItem(SilentItem(url, u"child.bin").front());
  wired->Dialog().OnStart();
  std::this_thread::sleep_for(kSettle);
  const Clock::time_point closed = Clock::now();
  wired->Dialog().OnClose(false);
  wired.reset();
  return Millis(closed);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: control_stop_bench URL FOLDER\n");
    return 2;
  }
  const std::u16string url = Utf8ToUtf16(argv[1]);
  const std::u16string folder = Utf8ToUtf16(argv[2]);
  FolderSettings folders(platform::SystemRegistry());
  std::printf("control Cancel during a silent transfer answered in %ld ms\n", CancelModal(folders, url, folder));
  std::printf("control child-mode close during a silent transfer answered in %ld ms\n",
              CloseChild(folders, url, folder));
  return 0;
}
