#pragma once
// A dialog's output that writes straight to disk and counts what the
// dialogs did with it: how many were made, runs begun and ended, files opened.
#include <atomic>
#include <memory>

#include "control/engine/DialogWiring.h"
#include "control/engine/DirectTarget.h"

namespace vard::testing {

struct OutputCounts {
  std::atomic<int> made{0}, begun{0}, ended{0}, opened{0};
};

class RecordingOutput final : public IDownloadTarget {
 public:
  explicit RecordingOutput(std::shared_ptr<OutputCounts> counts) : counts_(std::move(counts)) { ++counts_->made; }
  void BeginRun() override { ++counts_->begun; }
  void EndRun() override { ++counts_->ended; }
  void MakeFolders(const std::u16string& path) override { disk_.MakeFolders(path); }
  bool Exists(const std::u16string& path) override { return disk_.Exists(path); }
  bool Open(const std::u16string& path, bool resume) override {
    ++counts_->opened;
    return disk_.Open(path, resume);
  }
  uint32_t Write(const void* data, uint32_t size) override { return disk_.Write(data, size); }
  int64_t Size() override { return disk_.Size(); }
  bool CutAt(int64_t size) override { return disk_.CutAt(size); }
  void Close() override { disk_.Close(); }

 private:
  std::shared_ptr<OutputCounts> counts_;
  DirectTarget disk_;
};

inline OutputFactory RecordingOutputs(std::shared_ptr<OutputCounts> counts) {
  return [counts]() -> std::unique_ptr<IDownloadTarget> { return std::make_unique<RecordingOutput>(counts); };
}

}  // namespace vard::testing
