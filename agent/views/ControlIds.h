#pragma once
// Control IDs of the transfer views' forms and the strings they show.
#include <cstdint>

namespace vard::view_id {

// Form controls.
constexpr int kCurrentFile = 207;
constexpr int kRate = 208;
constexpr int kSizeText = 211;
constexpr int kTimeLeft = 213;
constexpr int kProgress = 206;
constexpr int kList = 204;
constexpr int kSelectAll = 1000;
constexpr int kRemove = 1001;
constexpr int kMoveUp = 1007;
constexpr int kMoveDown = 1004;
constexpr int kStart = 1002;
constexpr int kPause = 1018;
constexpr int kClose = 1003;
constexpr int kCloseAfter = 1005;
constexpr int kChangeFolder = 1012;
constexpr int kSaveFolder = 1019;
constexpr int kAsk = 1013;
constexpr int kOverwrite = 1014;
constexpr int kResume = 1015;
constexpr int kOpenFolder = 1017;
// Labels the form does not place; kept as texts all the same.
constexpr int kElapsed = 301;
constexpr int kFileCount = 303;

// Templates of the forms.
constexpr uint32_t kUploadForm = 104;
constexpr uint32_t kDownloadForm = 223;

// Strings of the language table.
constexpr uint32_t kRemoveBusyQuestion = 102;
constexpr uint32_t kFolderBusy = 105;
constexpr uint32_t kBrowseTitle = 106;
constexpr uint32_t kUnknownError = 108;
constexpr uint32_t kElapsedLabel = 301;
constexpr uint32_t kTimeLeftLabel = 302;
constexpr uint32_t kFileCountLabel = 303;
constexpr uint32_t kAlertCaption = 501;
constexpr uint32_t kModified = 507;

// Progress bar range.
constexpr int kProgressRange = 1000;

}  // namespace vard::view_id
