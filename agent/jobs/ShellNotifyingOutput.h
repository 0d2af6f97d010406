#pragma once
// An output that tells the shell of what it creates, so that an open folder
// window shows a new folder or file at once: the folder once its folders
// are made, the file each time it is opened for writing. Everything else
// goes to the output it wraps, unchanged. Used on the worker thread.
#include <functional>
#include <string>

#include "agent/jobs/DownloadOutput.h"

namespace vard {

class ShellNotifyingOutput final : public IDownloadOutput {
 public:
  using Notify = std::function<void(const std::u16string& path)>;
  ShellNotifyingOutput(IDownloadOutput& inner, Notify notify) : inner_(inner), notify_(std::move(notify)) {}

  OutputReady Prepare() override { return inner_.Prepare(); }
  void SetOrigin(const platform::OriginMark& mark) override { inner_.SetOrigin(mark); }
  bool MakeFolders(const std::u16string& folder) override;
  ExistingFile Exists(const std::u16string& path) override { return inner_.Exists(path); }
  bool Open(const std::u16string& path, bool append) override;
  int64_t SeekToEnd() override { return inner_.SeekToEnd(); }
  bool SeekTo(int64_t offset) override { return inner_.SeekTo(offset); }
  WriteResult Write(const uint8_t* bytes, uint32_t count) override { return inner_.Write(bytes, count); }
  WriteResult Flush() override { return inner_.Flush(); }
  bool Close() override { return inner_.Close(); }
  void Release() override { inner_.Release(); }
  std::u16string FailureText() const override { return inner_.FailureText(); }

 private:
  IDownloadOutput& inner_;
  Notify notify_;
};

}  // namespace vard
