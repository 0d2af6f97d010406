#pragma once
// The answers to the question about a file that is already there, as both
// engines' dialogs give them and the workers remember them. The numbers are
// the question's buttons: dialogs and records carry them as plain numbers,
// and the engines read them as the typed answer.
#include <cstdint>

namespace vard {

enum class ExistingFileAnswer : int32_t {
  kNone = 0,  // not asked yet, or a number that is no answer
  kSkip = 2,  // the file is left as it is
  kOverwrite = 203,
  kResume = 204,
  kSaveAs = 205,
};

constexpr int32_t Code(ExistingFileAnswer a) { return static_cast<int32_t>(a); }

// The answer a number stands for; kNone for any other number.
constexpr ExistingFileAnswer ExistingFileAnswerOf(int32_t code) {
  switch (code) {
    case Code(ExistingFileAnswer::kSkip): return ExistingFileAnswer::kSkip;
    case Code(ExistingFileAnswer::kOverwrite): return ExistingFileAnswer::kOverwrite;
    case Code(ExistingFileAnswer::kResume): return ExistingFileAnswer::kResume;
    case Code(ExistingFileAnswer::kSaveAs): return ExistingFileAnswer::kSaveAs;
    default: return ExistingFileAnswer::kNone;
  }
}

// The numbers, for the dialogs and records that carry them.
namespace existing_file {
constexpr int32_t kNone = Code(ExistingFileAnswer::kNone);
constexpr int32_t kSkip = Code(ExistingFileAnswer::kSkip);
constexpr int32_t kOverwrite = Code(ExistingFileAnswer::kOverwrite);
constexpr int32_t kResume = Code(ExistingFileAnswer::kResume);
constexpr int32_t kSaveAs = Code(ExistingFileAnswer::kSaveAs);
}  // namespace existing_file

}  // namespace vard
