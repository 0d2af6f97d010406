#pragma once
// The program title and the message caption. Every control of a process
// shares one pair: a page renaming the program renames it for all of them,
// and a new control starts again from the default title.
#include <mutex>
#include <string>

namespace vard {

class ProgramTitle {
 public:
  static constexpr char16_t kDefault[] = u"VardKT";

  // The process's pair, handed to each control by its composition.
  static ProgramTitle& Process();

  std::u16string Title() const;
  void SetTitle(std::u16string title);
  // " - " + title, or nothing when the title is empty.
  std::u16string CaptionSuffix() const;

  // Message boxes' caption: the pack's caption text and the suffix, taken
  // when a pack is applied.
  std::u16string MessageCaption() const;
  void TakeMessageCaption(const std::u16string& packCaption);

  // Default title, no caption: as a fresh process has them.
  void Reset();

 private:
  mutable std::mutex mutex_;
  std::u16string title_ = kDefault;
  std::u16string messageCaption_;
};

}  // namespace vard
