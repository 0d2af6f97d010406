// Times RemoveSelected on big lists: 10,000 rows selected out of 10,000 and
// out of 20,000, in the item layout and the grouped one. Not a test: prints
// milliseconds for a person to compare.
//   list_bench [rounds]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/platform/Clock.h"
#include "control/DownloadList.h"

namespace {

// Plain files and files in a handful of folders, as a page appends them.
vard::DownloadList MakeList(vard::FolderLayout layout, int items) {
  vard::DownloadList list;
  list.SetLayout(layout);
  for (int i = 0; i < items; ++i) {
    std::u16string name;
    if (i % 3 == 0) name = u"folder" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) + u"/";
    for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
    list.AddItem(u"http://host/" + name, name, 1000 + i, false);
  }
  return list;
}

double RemoveMilliseconds(vard::FolderLayout layout, int items, int selected) {
  vard::DownloadList list = MakeList(layout, items);
  // Every other row while there are enough, the selection spread over the list.
  std::vector<int32_t> rows;
  const int32_t count = list.RowCount();
  const int32_t step = count >= 2 * selected ? 2 : 1;
  for (int32_t r = 0; r < count && static_cast<int>(rows.size()) < selected; r += step) rows.push_back(r);
  vard::platform::IClock& clock = vard::platform::SystemClock();
  const int64_t start = clock.PerfCounter();
  list.RemoveSelected(rows);
  const int64_t ticks = clock.PerfCounter() - start;
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(clock.PerfFrequency());
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  struct Case {
    const char* name;
    vard::FolderLayout layout;
    int items;
  } cases[] = {{"type0, 10,000 of 10,000", vard::FolderLayout::kType0, 10000},
               {"type0, 10,000 of 20,000", vard::FolderLayout::kType0, 20000},
               {"type2, all rows of 10,000 items", vard::FolderLayout::kType2, 10000},
               {"type2, 10,000 rows of 20,000 items", vard::FolderLayout::kType2, 20000}};
  for (const Case& c : cases) {
    double best = 0;
    for (int i = 0; i < rounds; ++i) {
      const double ms = RemoveMilliseconds(c.layout, c.items, 10000);
      if (i == 0 || ms < best) best = ms;
    }
    std::printf("remove %-36s %9.2f ms (best of %d)\n", c.name, best, rounds);
  }
  return 0;
}
