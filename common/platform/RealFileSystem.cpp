// The interface over the target's backend (File and the free functions).
#include <utility>

#include "common/platform/IFileSystem.h"

namespace vard::platform {
namespace {

class RealFile final : public IFile {
 public:
  explicit RealFile(File file) : file_(std::move(file)) {}
  bool Read(void* buffer, uint32_t size, uint32_t* bytesRead) override { return file_.Read(buffer, size, bytesRead); }
  bool Write(const void* buffer, uint32_t size, uint32_t* bytesWritten) override {
    return file_.Write(buffer, size, bytesWritten);
  }
  bool Seek(int64_t distance, SeekFrom from, int64_t* newPosition) override {
    return file_.Seek(distance, from, newPosition);
  }
  int64_t Size() override { return file_.Size(); }
  bool SetEndOfFile() override { return file_.SetEndOfFile(); }
  bool Flush() override { return file_.Flush(); }
  bool Close() override { return file_.Close(); }

 private:
  File file_;
};

class Real final : public IFileSystem {
 public:
  std::unique_ptr<IFile> Open(const std::u16string& path, uint32_t desiredAccess, uint32_t shareMode,
                              Disposition disposition, uint32_t attributes) override {
    File f = File::Open(path, desiredAccess, shareMode, disposition, attributes);
    if (!f.IsOpen()) return nullptr;
    return std::make_unique<RealFile>(std::move(f));
  }
  bool MakeDirectory(const std::u16string& path) override { return platform::MakeDirectory(path); }
  std::optional<FileEntry> Find(const std::u16string& path) override {
    FileEntry entry;
    if (!FindFile(path, &entry)) return std::nullopt;
    return entry;
  }
  bool List(const std::u16string& folder, std::vector<std::u16string>* names) override {
    return ListFolder(folder, names);
  }
  uint32_t Attributes(const std::u16string& path) override { return FileAttributes(path); }
  bool SetAttributes(const std::u16string& path, uint32_t attributes) override {
    return platform::SetAttributes(path, attributes);
  }
  bool RemoveFile(const std::u16string& path) override { return platform::RemoveFile(path); }
  bool Rename(const std::u16string& from, const std::u16string& to) override { return RenameFile(from, to); }
  bool WriteOriginMark(const std::u16string& path, const OriginMark& mark) override {
    return WriteFileOriginMark(path, mark);
  }
  std::optional<OriginMark> ReadOriginMark(const std::u16string& path) override { return ReadFileOriginMark(path); }
  std::optional<std::u16string> OriginMarkStream(const std::u16string& path) override {
    return OriginMarkStreamPath(path);
  }
};

}  // namespace

IFileSystem& RealFileSystem() {
  static Real real;
  return real;
}

}  // namespace vard::platform
