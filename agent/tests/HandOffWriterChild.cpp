// Test program: writes one hand-off batch into the named regions, says
// "ready", and keeps the regions mapped until the test sets the done flag
// (regions vanish with their last handle on Windows). Never waits forever.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/handoff/HandOffWriter.h"
#include "common/platform/Clock.h"
#include "common/text/Utf.h"

using namespace vard;

namespace {

void WriteUpload(const HandOffNames& names, Region<ActionRegion>& action, Region<PostDataRegion>& post,
                 Region<UploadRecordRegion>& up, Region<TextRegion>& title, bool present) {
  IRegionSource& src = NamedRegions();
  if (!action.Open(src, names(region_name::kUploadAction)) || !post.Open(src, names(region_name::kUploadPostData)) ||
      !up.Open(src, names(region_name::kUpload)) || !title.Open(src, names(region_name::kUploadTitle)))
    return;
  StoreField(title->text, u"업로드");
  action->present = present ? 1 : 0;
  action->info.part_size = 65536;
  StoreField(action->info.action_url, u"http://127.0.0.1/upload");
  StoreField(action->info.cookie, u"u=1");
  up->count = 3;
  for (int i = 0; i < 3; ++i) {
    StoreField(up->records[i].path, u"C:\\data\\file" + AsciiToUtf16(std::to_string(i)) + u".dat");
    up->records[i].file_size = 1000 + i;
  }
  up->records[2].is_folder = 1;
  for (int k = 0; k < kPostPairs; ++k) {
    StoreField(post->blocks[0].pairs[k].name, u"field" + AsciiToUtf16(std::to_string(k)));
    StoreField(post->blocks[0].pairs[k].value, u"v");
  }
  // Would be a 100th pair of block 0 if a reader ran past its 99.
  StoreField(post->blocks[1].pairs[0].name, u"field99");
  StoreField(post->blocks[1].pairs[1].name, u"second");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const HandOffNames names{AsciiToUtf16(argv[1])};
  const std::string scenario = argv[2];

  Region<TextRegion> done;
  if (!done.Open(NamedRegions(), names(u"vard_test_done"))) return 3;

  DownloadHandOffWriter writer(NamedRegions(), names);
  Region<ActionRegion> action;
  Region<PostDataRegion> post;
  Region<UploadRecordRegion> up;
  Region<TextRegion> upTitle;
  if (scenario == "download" || scenario == "nocookie") {
    if (!writer.AllOpen()) return 4;
    DownloadHandOff b;
    b.title = u"제목 Title";
    b.notification_url = u"http://127.0.0.1/noti";
    b.cookie = u"sid=abc";
    b.resume_by_query = true;
    const int items = scenario == "download" ? 1000 : 1;
    for (int i = 0; i < items; ++i) {
      const std::u16string n = AsciiToUtf16(std::to_string(i));
      if (i < 3)
        b.records.push_back(MakeDownloadRecord(u"http://127.0.0.1/a" + n, u"x\\y", u"a.txt", 10, 0));
      else if (i == 3)
        b.records.push_back(MakeDownloadRecord(u"this_is_folder", u"x\\y", u"dir", 0, 0));
      else
        b.records.push_back(MakeDownloadRecord(u"http://127.0.0.1/f" + n, u"", u"f" + n + u".bin", 1, 8));
    }
    writer.Write(b);
    if (scenario == "nocookie") {
      Region<CookieRegion> cookie;
      cookie.Open(NamedRegions(), names(region_name::kDownloadCookie));
      std::memset(&*cookie, 0, sizeof(CookieRegion));
    }
  } else if (scenario == "upload" || scenario == "upload-absent") {
    WriteUpload(names, action, post, up, upTitle, scenario == "upload");
  } else {
    return 5;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  platform::SystemClock().WaitUntil([&] { return done->reserved != 0; }, 30000, 50);
  // Leave the reader's zero-filled regions as they are.
  return 0;
}
