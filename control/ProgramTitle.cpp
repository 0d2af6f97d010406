#include "control/ProgramTitle.h"

namespace vard {

ProgramTitle& ProgramTitle::Process() {
  static ProgramTitle process;
  return process;
}

std::u16string ProgramTitle::Title() const {
  std::lock_guard lock(mutex_);
  return title_;
}

void ProgramTitle::SetTitle(std::u16string title) {
  std::lock_guard lock(mutex_);
  title_ = std::move(title);
}

std::u16string ProgramTitle::CaptionSuffix() const {
  std::lock_guard lock(mutex_);
  return title_.empty() ? std::u16string() : u" - " + title_;
}

std::u16string ProgramTitle::MessageCaption() const {
  std::lock_guard lock(mutex_);
  return messageCaption_;
}

void ProgramTitle::TakeMessageCaption(const std::u16string& packCaption) {
  std::lock_guard lock(mutex_);
  messageCaption_ = title_.empty() ? packCaption : packCaption + u" - " + title_;
}

void ProgramTitle::Reset() {
  std::lock_guard lock(mutex_);
  title_ = kDefault;
  messageCaption_.clear();
}

}  // namespace vard
