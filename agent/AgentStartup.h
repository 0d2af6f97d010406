#pragma once
// The agent's start-up sequence: command line, mode, language table,
// per-mode instance mutex, main window, message loop. Its result is the
// process's exit code.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "agent/views/MainFrame.h"
#include "common/platform/Clock.h"
#include "common/respack/LanguagePack.h"

namespace vard {

// Exit codes besides the loop's own (kMainWindowQuitCode).
inline constexpr int kExitNoMode = 0;
inline constexpr int kExitAlreadyRunning = -1;

struct AgentServices {
  platform::IClock* clock = &platform::SystemClock();
  PackImageSource images;
  HandOffReaderSetup reader;  // saved_downloads_path: the file a download start resets
  std::function<int(const std::u16string&, uint32_t)> iconIndex;
  // The existing file's time in the download question.
  CAskSaveAsDownloadDlg::FileTime fileTime;
  CMainFrame::MessageSink messages;
  // The system's own windows (Windows); none: the console view.
  FrameWindowFactories windows;
};

int RunAgent(std::u16string_view commandLine, AgentServices& services);

}  // namespace vard
