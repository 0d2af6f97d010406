#pragma once
// Stand-ins for the services a program does not have (yet). Every call
// writes one debug line naming the service, why it is missing and the call
// it dropped, and answers failure: no size, no end code, no folder, no pack,
// no count. The composition root wires them for work that is still to be
// built; the control wires them for seams its creator left null.
#include <memory>
#include <string>

#include "control/ControlServices.h"

namespace vard {

inline constexpr char16_t kSeamNotWired[] = u"not wired";
inline constexpr char16_t kSeamNotAvailableYet[] = u"not available yet";

// The line a missing service writes for one dropped call.
std::u16string MissingSeamLine(std::u16string_view service, std::u16string_view reason, std::u16string_view call);

std::shared_ptr<IControlNetwork> MissingNetwork(std::u16string_view reason, DebugSink debug);
std::shared_ptr<IDownloadDialogs> MissingDialogs(std::u16string_view reason, DebugSink debug);
std::shared_ptr<IControlFolders> MissingFolders(std::u16string_view reason, DebugSink debug);
std::shared_ptr<IAgentHandOff> MissingHandOff(std::u16string_view reason, DebugSink debug);
std::shared_ptr<ISavedDownloads> MissingSavedDownloads(std::u16string_view reason, DebugSink debug);
std::shared_ptr<IControlShell> MissingShell(std::u16string_view reason, DebugSink debug);
std::shared_ptr<platform::IHostInfo> MissingHostInfo(std::u16string_view reason, DebugSink debug);
std::shared_ptr<IControlLanguage> MissingLanguage(std::u16string_view reason, DebugSink debug);
// No site lock, and every URL in the Internet zone: no page is trusted.
std::shared_ptr<IPageZones> MissingZones(std::u16string_view reason, DebugSink debug);

}  // namespace vard
