#pragma once
// The answers to the question about a file that is already there, as both
// engines' dialogs give them and the workers remember them: the numbers of
// the question's buttons.
#include <cstdint>

namespace vard::existing_file {

constexpr int32_t kNone = 0;  // not asked yet
constexpr int32_t kSkip = 2;  // the file is left as it is
constexpr int32_t kOverwrite = 203;
constexpr int32_t kResume = 204;
constexpr int32_t kSaveAs = 205;

}  // namespace vard::existing_file
