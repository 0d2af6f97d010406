#pragma once
// The page's progress on Windows: while a download dialog of the control
// runs on this thread, its shown texts (counter, current file, percent,
// rate, time left) are read every tick and each changed line goes to the
// page, so a page can show what the person sees in the dialog.
#include <functional>
#include <memory>
#include <string>

#include "control/services/DownloadDialogs.h"

namespace vard::bridge {

// `dialogs` are the control's real dialogs; `progress` hears the lines.
std::shared_ptr<IDownloadDialogs> WithDialogProgress(std::shared_ptr<IDownloadDialogs> dialogs,
                                                     std::function<void(const std::string& line)> progress);

}  // namespace vard::bridge
