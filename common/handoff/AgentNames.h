#pragma once
// The names by which launchers find the transfer agent: its per-mode
// instance mutex, its windows' classes, the message that makes it read the
// regions again, and its program file.
#include <array>

namespace vard {

inline constexpr char16_t kAgentProgramName[] = u"MWKTPlusProc";
inline constexpr char16_t kInsertQueueMessage[] = u"vardel_MWKTPlusProc_insert_queue";

// The registered messages a page's control sends to the agent's windows.
// Only these pass the message filter of an agent that runs above the page's
// integrity: such a page reaches nothing else of the agent.
inline constexpr std::array<const char16_t*, 1> kMessagesFromPages = {kInsertQueueMessage};

inline constexpr char16_t kUploadAgentMutex[] = u"vardel_MWKTPlus_Control_Upload";
inline constexpr char16_t kDownloadAgentMutex[] = u"vardel_MWKTPlus_Control_Download";
inline constexpr char16_t kUploadMainClass[] = u"vardel_MWKTPlusProc_Upload_MainFrm_Class";
inline constexpr char16_t kDownloadMainClass[] = u"vardel_MWKTPlusProc_Download_MainFrm_Class";
inline constexpr char16_t kUploadViewClass[] = u"vardel_MWKTPlusProc_Upload_view_Class";
inline constexpr char16_t kDownloadViewClass[] = u"vardel_MWKTPlusProc_Download_view_Class";

// Held by a launcher from the zero-fill of the download regions until the
// agent has read them, so that two pages handing off at once never write
// over each other's batch.
inline constexpr char16_t kDownloadHandOffLock[] = u"vardel_MWKTPlus_HandOff_Download";

}  // namespace vard
