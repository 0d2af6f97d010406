// Seeds of the hand-off reader and saved-downloads fuzz targets, made with
// the writers the programs use.
//   handoff_fuzz_seeds DIR          writes DIR/reader/* and DIR/saved/*
//   handoff_fuzz_seeds --check DIR  fails when DIR's seeds are not what the
//                                   writers make now (a layout changed)
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "agent/ListEntries.h"
#include "agent/fuzz/HandOffFuzzInput.h"
#include "common/handoff/HandOffWriter.h"
#include "common/handoff/SavedDownloads.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"

namespace vard {
namespace {

using Bytes = std::vector<uint8_t>;

// Regions in memory that keep what a writer put there.
class CaptureRegions : public IRegionSource {
 public:
  std::unique_ptr<IRegionMapping> Open(const std::u16string& name, size_t size) override {
    Bytes& b = buffers_[name];
    b.resize(size);
    return std::make_unique<Mapping>(b);
  }
  Bytes& operator[](const std::u16string& name) { return buffers_[name]; }
  template <typename Layout>
  Layout& As(const char16_t* name) {
    Bytes& b = buffers_[name];
    b.resize(sizeof(Layout));
    return *reinterpret_cast<Layout*>(b.data());
  }
  Bytes Input(uint8_t mode, const std::vector<fuzz::RegionSpec>& specs) {
    std::vector<Bytes> regions;
    for (const auto& spec : specs) regions.push_back(buffers_[spec.name]);
    return fuzz::Serialize(mode, regions);
  }

 private:
  class Mapping : public IRegionMapping {
   public:
    explicit Mapping(Bytes& b) : b_(b) {}
    uint8_t* Data() override { return b_.data(); }
    void ZeroFill() override { std::memset(b_.data(), 0, b_.size()); }

   private:
    Bytes& b_;
  };
  std::map<std::u16string, Bytes> buffers_;
};

Bytes Download(const DownloadHandOff& batch, uint8_t mode = 0) {
  CaptureRegions regions;
  DownloadHandOffWriter writer(regions);  // its regions are zeroed when it goes
  writer.Write(batch);
  return regions.Input(mode, fuzz::DownloadRegions());
}

DOWNLOAD_INFO Record(std::u16string_view name, std::u16string_view url, int64_t size) {
  return MakeDownloadRecord(url, u"C:\\Downloads\\set", name, size, 0);
}

// The upload side has no writer of its own here: the records as a page
// component fills them.
struct UploadFile {
  std::u16string path;
  bool folder = false;
  int64_t size = 0;
};
Bytes Upload(const std::vector<UploadFile>& files, int pairs, bool actionPresent = true, uint8_t mode = 0) {
  CaptureRegions regions;
  StoreField(regions.As<TextRegion>(region_name::kUploadUrlNoti).text, u"http://h/upload/done");
  StoreField(regions.As<TextRegion>(region_name::kUploadTitle).text, u"Upload");
  auto& action = regions.As<ActionRegion>(region_name::kUploadAction);
  action.present = actionPresent ? 1 : 0;
  action.info.part_size = 1 << 20;
  StoreField(action.info.action_url, u"http://h/upload/put?id=7");
  StoreField(action.info.cookie, u"sid=42; lang=ko");
  // Only the blocks of the records: the whole region is 253 MB.
  Bytes& post = regions[region_name::kUploadPostData];
  post.assign(offsetof(PostDataRegion, blocks) + files.size() * sizeof(POST_DATAS), 0);
  auto& records = regions.As<UploadRecordRegion>(region_name::kUpload);
  records.count = static_cast<int32_t>(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    FILE_INFO& f = records.records[i];
    f.utf8_names = 1;
    f.is_folder = files[i].folder ? 1 : 0;
    f.file_size = files[i].size;
    StoreField(f.path, files[i].path);
    StoreField(f.folder, u"C:\\Users\\me");
    auto* block = reinterpret_cast<POST_DATAS*>(post.data() + offsetof(PostDataRegion, blocks)) + i;
    // Fields on the first record only: a seed stays small when the rest of
    // the region is zeros.
    for (int k = 0; k < (i == 0 ? pairs : 0); ++k) {
      StoreField(block->pairs[k].name, u"field" + std::u16string(1, static_cast<char16_t>(u'a' + k)));
      StoreField(block->pairs[k].value, u"value " + std::u16string(1, static_cast<char16_t>(u'0' + i)));
    }
  }
  return regions.Input(mode | fuzz::kUploadBit, fuzz::UploadRegions());
}

std::map<std::string, Bytes> ReaderSeeds() {
  DownloadHandOff batch;
  batch.title = u"Downloads";
  batch.notification_url = u"http://h/notify?job=1";
  batch.cookie = u"sid=9; path=/";
  batch.resume_by_query = true;
  batch.records = {Record(u"one.bin", u"http://h/files/one.bin", 1000),
                   Record(u"set", kFolderMarkerUrl, 0),
                   Record(u"set\\two.bin", u"http://h/files/two.bin?x=1&y=2", 5'000'000'000)};
  std::map<std::string, Bytes> seeds;
  seeds["download-three"] = Download(batch);

  DownloadHandOff same;
  same.cookie = u"a=1";
  same.records = {Record(u"same.txt", u"http://h/1", 1), Record(u"same.txt", u"http://h/2", 2),
                  Record(u"same (1).txt", u"http://h/3", 3)};
  seeds["download-duplicates"] = Download(same);

  DownloadHandOff empty;
  empty.title = u"Nothing";
  seeds["download-empty"] = Download(empty);
  // The record region fails to open: the error path.
  seeds["download-failing-records"] = Download(batch, fuzz::kFailBit | (3 << 2));

  seeds["upload-two"] = Upload({{u"C:\\Users\\me\\a.txt", false, 10}, {u"C:\\Users\\me\\photos", true, 0}}, 3);
  seeds["upload-no-action"] = Upload({{u"C:\\b.bin", false, 1}}, 0, false);
  seeds["upload-failing-fields"] = Upload({{u"C:\\b.bin", false, 1}}, 1, true, fuzz::kFailBit | (3 << 2));
  return seeds;
}

Bytes SavedFile(const std::vector<DOWNLOAD_INFO>& records, size_t extra) {
  const std::u16string path = platform::TempFolder() + u"vard_seed_kt_save.dat";
  platform::RemoveFile(path);
  {
    SavedDownloadsAppender saved(path);
    for (const auto& r : records) saved.Append(r);
  }
  Bytes bytes(static_cast<size_t>(std::max<int64_t>(platform::FileSizeOf(path), 0)));
  auto f = platform::File::Open(path, platform::access::kRead, 0, platform::Disposition::kOpenExisting);
  uint32_t got = 0;
  if (!bytes.empty()) f.Read(bytes.data(), static_cast<uint32_t>(bytes.size()), &got);
  f.Close();
  platform::RemoveFile(path);
  bytes.resize(got + extra, 0x5A);  // a torn last record
  return bytes;
}

std::map<std::string, Bytes> SavedSeeds() {
  DOWNLOAD_INFO done = Record(u"done.bin", u"http://h/done", 5);
  done.state = kSavedDone;
  std::map<std::string, Bytes> seeds;
  seeds["saved-one"] = SavedFile({Record(u"a.bin", u"http://h/a", 10)}, 0);
  seeds["saved-mixed"] = SavedFile({done, Record(u"b.bin", u"http://h/b", 20), Record(u"b.bin", u"http://h/b", 20)}, 0);
  seeds["saved-torn"] = SavedFile({Record(u"c.bin", u"http://h/c", 30)}, 100);
  return seeds;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace
}  // namespace vard

int main(int argc, char** argv) {
  using namespace vard;
  const bool check = argc == 3 && std::string(argv[1]) == "--check";
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: %s [--check] DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[argc - 1];
  int stale = 0;
  for (const auto& [folder, seeds] : {std::pair{"reader", ReaderSeeds()}, std::pair{"saved", SavedSeeds()}}) {
    for (const auto& [name, bytes] : seeds) {
      const std::string path = dir + "/" + folder + "/" + name;
      if (check) {
        if (ReadFile(path) != bytes) {
          std::printf("stale or missing seed: %s\n", path.c_str());
          ++stale;
        }
        continue;
      }
      std::filesystem::create_directories(dir + "/" + folder);
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
    }
  }
  if (stale) std::printf("regenerate with: handoff_fuzz_seeds %s\n", dir.c_str());
  return stale ? 1 : 0;
}
