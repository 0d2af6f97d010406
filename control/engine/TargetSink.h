#pragma once
// The control's output as the transfer's file sink: its targets count the
// bytes a write took and need no broker to be prepared or released. Used on
// the run's worker thread, for one item.
#include <utility>

#include "common/transfer/FileSink.h"
#include "control/engine/DownloadTarget.h"

namespace vard {

class TargetSink final : public transfer::IFileSink {
 public:
  explicit TargetSink(IDownloadTarget& target) : target_(target) {}

  transfer::OutputReady Prepare() override { return transfer::OutputReady::kReady; }
  bool MakeFolders(const std::u16string& folder) override {
    target_.MakeFolders(folder);
    return true;
  }
  transfer::ExistingFile Exists(const std::u16string& path) override {
    return target_.Exists(path) ? transfer::ExistingFile::kExists : transfer::ExistingFile::kMissing;
  }
  bool Open(const std::u16string& path, bool append) override { return target_.Open(path, append); }
  int64_t SeekToEnd() override { return target_.Size(); }
  bool SeekTo(int64_t offset) override { return target_.CutAt(offset); }
  transfer::WriteResult Write(const uint8_t* bytes, uint32_t count) override {
    written_ = target_.Write(bytes, count);
    return written_ == count ? transfer::WriteResult::kWritten : transfer::WriteResult::kFailed;
  }
  transfer::WriteResult Flush() override { return transfer::WriteResult::kWritten; }
  bool Close() override {
    target_.Close();
    return true;
  }
  void Release() override {}
  std::u16string FailureText() const override { return {}; }

  // What the last write put into the file, also when it failed part way;
  // 0 once taken.
  uint32_t TakeWritten() { return std::exchange(written_, 0); }

 private:
  IDownloadTarget& target_;
  uint32_t written_ = 0;
};

}  // namespace vard
