#include "control/DownloadList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "common/text/SizeFormat.h"

namespace vard {
namespace {

class DownloadListTest : public ::testing::Test {
 protected:
  DownloadList MakeList(FolderLayout layout) {
    DownloadList list(DownloadListServices{
        [this](const std::u16string&, bool) {
          ++sizeQueries;
          return int64_t{777};
        },
        [](const std::u16string&, bool dir) { return dir ? 3 : 1; },
        [](uint32_t id) { return id == 118 ? std::u16string(u"%d개") : std::u16string(); }});
    list.SetLayout(layout);
    return list;
  }
  int sizeQueries = 0;
};

// A name that would show reversed ("\u202Egnp.exe" reads "exe.png") is
// kept and shown without the trick, from the page's name or the URL's.
TEST_F(DownloadListTest, BidiControlsInNamesBecomeUnderscores) {
  DownloadList list = MakeList(FolderLayout::kType2);
  list.AddItem(u"http://h/a", u"d\u2067ir/\u202Egnp.exe", 5, false);
  list.AddItem(u"http://h/\u202Etxt.scr", u"", 5, false);
  ASSERT_EQ(list.Items().size(), 2u);
  EXPECT_EQ(list.Items()[0].fileName, u"d_ir/_gnp.exe");
  EXPECT_EQ(list.Items()[0].displayName, u"_gnp.exe");
  EXPECT_EQ(list.Items()[0].subFolder, u"d_ir");
  EXPECT_EQ(list.Items()[1].displayName, u"_txt.scr");
}

// A size of 0 from the page is asked from the server; when the server names
// none either, the item says its size is unknown rather than zero.
TEST(DownloadListSizes, UnknownIsNotZero) {
  std::optional<int64_t> answer;
  DownloadList list(DownloadListServices{[&](const std::u16string&, bool) { return answer; }, {}, {}});
  list.AddItem(u"http://h/a", u"a", 0, false);
  answer = 0;
  list.AddItem(u"http://h/b", u"b", 0, false);
  answer = 5;
  list.AddItem(u"http://h/c", u"c", 0, false);
  ASSERT_EQ(list.Items().size(), 3u);
  EXPECT_TRUE(list.Items()[0].sizeUnknown);
  EXPECT_EQ(list.Items()[0].fileSize, 0);
  EXPECT_FALSE(list.Items()[1].sizeUnknown);
  EXPECT_FALSE(list.Items()[2].sizeUnknown);
  EXPECT_EQ(list.Items()[2].fileSize, 5);
}

TEST_F(DownloadListTest, GroupsByTopFolderIgnoringCase) {
  DownloadList list = MakeList(FolderLayout::kType2);
  list.AddItem(u"http://h/r.pdf", u"docs/2010/r.pdf", 100, false);
  list.AddItem(u"http://h/x.pdf", u"DOCS/x.pdf", 50, false);
  ASSERT_EQ(list.RowCount(), 1);
  const DownloadRow& row = list.Rows()[0];
  EXPECT_EQ(row.rowName, u"docs");
  EXPECT_EQ(row.fileCount, 2);
  EXPECT_EQ(row.totalSize, 150);
  EXPECT_EQ(list.CellText(0, 1), u"0.14KB");
  EXPECT_EQ(row.subFolders, std::set<std::u16string>{u"2010"});
  EXPECT_EQ(list.CellText(0, 2), u"2개");
  EXPECT_EQ(list.CellText(0, 3), u"1개");
  EXPECT_EQ(list.RowIcon(0), 3);
  EXPECT_EQ(list.Items()[0].subFolder, u"docs/2010");
  EXPECT_EQ(list.Items()[0].displayName, u"r.pdf");
  EXPECT_EQ(sizeQueries, 0);
}

TEST_F(DownloadListTest, NamesFromUrlFolderEntriesAndDuplicates) {
  DownloadList list = MakeList(FolderLayout::kType2);
  list.AddItem(u"http://h/a/b/c.txt?x=1", u"", 5, false);  // no name: last URL component, ungrouped
  EXPECT_EQ(list.Items()[0].displayName, u"c.txt?x=1");
  EXPECT_FALSE(list.Rows()[0].isGroup);
  EXPECT_EQ(list.CellText(0, 2), u"");

  list.AddItem(u"http://h/d", u"docs/", 0, false);  // folder entry: no size query
  EXPECT_EQ(sizeQueries, 0);
  EXPECT_EQ(list.Items()[1].displayName, u"docs");
  EXPECT_EQ(list.Items()[1].subFolder, u"docs/");
  EXPECT_EQ(list.Rows()[1].fileCount, 0);
  EXPECT_TRUE(list.Rows()[1].isGroup);

  list.AddItem(u"http://h/s", u"nosize.bin", 0, false);  // size asked from the server
  EXPECT_EQ(sizeQueries, 1);
  EXPECT_EQ(list.Items()[2].fileSize, 777);

  list.AddItem(u"http://h/s", u"nosize.bin", 1, false);
  EXPECT_EQ(list.ItemCount(), 4);  // no duplicate check
}

TEST_F(DownloadListTest, FiveFilesInTwoGroups) {
  DownloadList list = MakeList(FolderLayout::kType2);
  for (auto n : {u"a/1", u"a/2", u"b/1", u"A/3", u"b/c/d/2"}) list.AddItem(u"u", n, 1, false);
  EXPECT_EQ(list.ItemCount(), 5);
  EXPECT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.ItemOfRow(1)->fileName, u"b/1");  // a group reports its first item
  EXPECT_EQ(list.ItemOfRow(2), nullptr);
  EXPECT_EQ(list.Rows()[1].subFolders, (std::set<std::u16string>{u"c", u"c/d"}));
  EXPECT_EQ(list.ItemsOfRows({1}).size(), 2u);
}

TEST_F(DownloadListTest, RemoveSelectedKeepsRowsPointingAtTheirItems) {
  DownloadList list = MakeList(FolderLayout::kType0);
  for (auto n : {u"g/0", u"1", u"g/2", u"3", u"4"}) list.AddItem(u"u", n, 10, false);
  list.RemoveSelected({3, 1});  // unsorted on purpose: removes 3, then 1
  ASSERT_EQ(list.ItemCount(), 3);
  EXPECT_EQ(list.Items()[0].fileName, u"g/0");
  EXPECT_EQ(list.Items()[1].fileName, u"g/2");
  EXPECT_EQ(list.Items()[2].fileName, u"4");
  // Every row still names the items it had, renumbered.
  for (const DownloadRow& row : list.Rows())
    for (int32_t i : row.itemIndexes) ASSERT_LT(i, list.ItemCount());
  EXPECT_EQ(list.Rows()[0].itemIndexes, (std::set<int32_t>{0, 1}));
  EXPECT_EQ(list.Rows()[1].itemIndexes, (std::set<int32_t>{2}));

  list.RemoveSelected({0});  // an item of a group: the group shrinks
  EXPECT_EQ(list.Rows()[0].totalSize, 10);
  EXPECT_EQ(list.Rows()[0].itemIndexes, (std::set<int32_t>{0}));
  EXPECT_EQ(list.Items()[0].fileName, u"g/2");
}

TEST_F(DownloadListTest, RemoveSelectedGroupsInGroupedLayout) {
  DownloadList list = MakeList(FolderLayout::kType2);
  for (auto n : {u"a/1", u"b/1", u"a/2", u"c", u"b/2"}) list.AddItem(u"u", n, 1, false);
  list.RemoveSelected({0, 2});  // group a and the plain item c
  ASSERT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.Rows()[0].rowName, u"b");
  ASSERT_EQ(list.ItemCount(), 2);
  EXPECT_EQ(list.ItemsOfRows({0})[1].fileName, u"b/2");
  list.RemoveSelected({5});  // out of range: nothing
  EXPECT_EQ(list.RowCount(), 1);
}

TEST_F(DownloadListTest, DropBatchMakesFullPaths) {
  DownloadList list = MakeList(FolderLayout::kType2);
  list.AddItem(u"u1", u"docs/2010/r.pdf", 1, false);
  list.AddItem(u"u2", u"x.txt", 1, false);
  auto batch = list.DropBatch(u"D:\\drop", {0, 1});
  ASSERT_EQ(batch.size(), 2u);
  EXPECT_EQ(batch[0].fileName, u"D:\\drop\\docs/2010\\r.pdf");
  EXPECT_EQ(batch[1].fileName, u"D:\\drop\\\\x.txt");
  list.SetLayout(FolderLayout::kType0);
  EXPECT_EQ(list.DropBatch(u"D:\\drop\\", {0})[0].fileName, u"D:\\drop\\r.pdf");
}

TEST_F(DownloadListTest, DropBatchRefusesNamesThatLeaveTheDropFolderOrCannotFitIt) {
  DownloadList list = MakeList(FolderLayout::kType2);
  std::u16string deep = u"g/";
  for (int i = 0; i < 3000; ++i) deep += u"a/";
  for (const std::u16string& name :
       {std::u16string(u"g/ok/fine.bin"), std::u16string(u"g/../../up.bin"), std::u16string(u"g/x/..\\..\\..\\up.bin"),
        std::u16string(u"g/sub/CON"), std::u16string(u"g/") + std::u16string(245, u'n') + u"/long.bin", deep + u"deep.bin"})
    list.AddItem(u"u", name, 1, false);
  const auto batch = list.DropBatch(u"D:\\drop", {0});
  ASSERT_EQ(batch.size(), 6u);
  EXPECT_EQ(batch[0].fileName, u"D:\\drop\\g/ok\\fine.bin");
  EXPECT_FALSE(batch[0].refusedName);
  for (size_t i = 1; i < batch.size(); ++i) EXPECT_TRUE(batch[i].refusedName) << i;

  // A plain row's name is only its last component, and checked all the same.
  list.SetLayout(FolderLayout::kType0);
  list.AddItem(u"u", u"x/nul.txt", 1, false);
  EXPECT_TRUE(list.DropBatch(u"D:\\drop", {6})[0].refusedName);
  EXPECT_FALSE(list.DropBatch(u"D:\\drop", {1})[0].refusedName);  // "up.bin" alone stays inside
}

TEST_F(DownloadListTest, LongNamesAreCutToFieldCapacity) {
  DownloadList list = MakeList(FolderLayout::kType1);
  list.AddItem(u"u", std::u16string(400, u'n'), 1, false);
  EXPECT_EQ(list.Items()[0].displayName.size(), kDisplayNameCapacity - 1);
  EXPECT_EQ(list.Items()[0].fileName.size(), 400u);  // the name itself is kept whole
}

TEST_F(DownloadListTest, SizeSumsSaturateInsteadOfOverflowing) {
  DownloadList list = MakeList(FolderLayout::kType2);
  list.AddItem(u"u", u"g/a", INT64_MAX, false);
  list.AddItem(u"u", u"g/b", INT64_MAX, false);
  list.AddItem(u"u", u"plain", INT64_MAX, false);
  EXPECT_EQ(list.Rows()[0].totalSize, INT64_MAX);
  EXPECT_EQ(list.CellText(0, 1), u"8,589,934,591.99GB");
  EXPECT_EQ(list.TotalSize(), INT64_MAX);
  EXPECT_EQ(list.SizeOfRows({0, 1, 0}), INT64_MAX);

  // The sum is exact underneath: what is left after a removal is right again.
  list.AddItem(u"u", u"g/c", INT64_MIN, false);
  EXPECT_EQ(list.Rows()[0].totalSize, INT64_MAX - 1);
  list.SetLayout(FolderLayout::kType0);
  list.RemoveSelected({1});
  EXPECT_EQ(list.Rows()[0].totalSize, -1);
  list.SetLayout(FolderLayout::kType2);
  EXPECT_EQ(list.CellText(0, 1), u"-0.00KB");
  EXPECT_EQ(list.TotalSize(), INT64_MAX - 1);

  DownloadList low = MakeList(FolderLayout::kType0);
  low.AddItem(u"u", u"g/a", INT64_MIN, false);
  low.AddItem(u"u", u"g/b", -1, false);
  low.AddItem(u"u", u"h", INT64_MIN, false);
  EXPECT_EQ(low.Rows()[0].totalSize, INT64_MIN);
  EXPECT_EQ(low.TotalSize(), INT64_MIN);
  EXPECT_EQ(low.SizeOfRows({0, 1, 2, 7, -1}), INT64_MIN);
}

TEST(SizeTotal, ExactUnderneathClampedAtBothEnds) {
  SizeTotal t;
  t.Subtract(INT64_MIN);  // 2^63: one past the top
  EXPECT_EQ(t.Clamped(), INT64_MAX);
  t.Add(INT64_MIN);
  EXPECT_EQ(t.Clamped(), 0);
  t.Add(-1);
  t.Subtract(INT64_MAX);
  EXPECT_EQ(t.Clamped(), INT64_MIN);
  t.Add(-1);
  EXPECT_EQ(t.Clamped(), INT64_MIN);
  for (int i = 0; i < 4; ++i) t.Add(INT64_MAX);  // far above, through zero
  EXPECT_EQ(t.Clamped(), INT64_MAX);
  for (int i = 0; i < 3; ++i) t.Subtract(INT64_MAX);
  EXPECT_EQ(t.Clamped(), -2);  // and exactly back
}

// A list of plain and grouped items whose names say where they came from.
DownloadList MixedList(FolderLayout layout, int items, std::mt19937& random) {
  DownloadList list;
  list.SetLayout(layout);
  std::uniform_int_distribution<int> kind(0, 4), size(1, 1000);
  for (int i = 0; i < items; ++i) {
    const int k = kind(random);
    std::u16string tag;
    for (char c : std::to_string(i)) tag += static_cast<char16_t>(c);
    std::u16string name = k == 0 ? tag : (k == 1 ? u"A/" : k == 2 ? u"b/sub/" : u"c/") + tag;
    if (k == 4) name = u"D/" + tag + u"/";  // a folder entry
    list.AddItem(u"http://h/" + tag, name, size(random), false);
  }
  return list;
}

// Names of every row's items, row by row.
std::vector<std::set<std::u16string>> RowContents(const DownloadList& list) {
  std::vector<std::set<std::u16string>> out;
  for (const DownloadRow& row : list.Rows()) {
    std::set<std::u16string> names;
    for (int32_t i : row.itemIndexes) names.insert(list.Items().at(i).fileName);
    out.push_back(names);
  }
  return out;
}

TEST_F(DownloadListTest, RemovingManyRowsAtOnceEqualsRemovingThemOneByOne) {
  std::mt19937 random(7);
  for (FolderLayout layout : {FolderLayout::kType0, FolderLayout::kType1, FolderLayout::kType2}) {
    for (int round = 0; round < 20; ++round) {
      DownloadList all = MixedList(layout, 60, random);
      DownloadList single = all;
      // Mixed order, duplicates and rows that do not exist.
      std::vector<int32_t> selected;
      const int32_t rowsBefore = all.RowCount();
      std::uniform_int_distribution<int32_t> row(-3, rowsBefore + 3);
      for (int n = round % 7 * 10; n > 0; --n) selected.push_back(row(random));

      all.RemoveSelected(selected);
      std::set<int32_t> sorted(selected.begin(), selected.end());
      for (auto r = sorted.rbegin(); r != sorted.rend(); ++r) single.RemoveSelected({*r});

      ASSERT_EQ(all.ItemCount(), single.ItemCount());
      for (int32_t i = 0; i < all.ItemCount(); ++i) ASSERT_EQ(all.Items()[i].fileName, single.Items()[i].fileName);
      ASSERT_EQ(RowContents(all), RowContents(single));
      for (size_t r = 0; r < all.Rows().size(); ++r) {
        const DownloadRow& row = all.Rows()[r];
        int64_t sum = 0;
        for (int32_t i : row.itemIndexes) sum += all.Items()[i].fileSize;
        ASSERT_EQ(row.totalSize, sum);
        ASSERT_EQ(row.rowSizeText, FormatSize(sum));
        ASSERT_EQ(row.fileCount, single.Rows()[r].fileCount);
      }
      // Every selected row went away, and nothing else.
      int32_t removedRows = 0;
      for (int32_t r : sorted) removedRows += r >= 0 && r < rowsBefore;
      EXPECT_EQ(all.RowCount(), rowsBefore - removedRows);
    }
  }
}

TEST_F(DownloadListTest, RemovingEveryItemOfAGroupKeepsItsRowInTheItemLayouts) {
  DownloadList list = MakeList(FolderLayout::kType1);
  for (auto n : {u"g/1", u"x", u"G/2"}) list.AddItem(u"u", n, 5, false);
  list.RemoveSelected({2, 0, 2});
  ASSERT_EQ(list.ItemCount(), 1);
  ASSERT_EQ(list.Rows().size(), 2u);
  EXPECT_TRUE(list.Rows()[0].itemIndexes.empty());
  EXPECT_EQ(list.Rows()[0].totalSize, 0);
  EXPECT_EQ(list.Rows()[0].rowSizeText, u"0.00KB");
  EXPECT_EQ(list.Rows()[1].itemIndexes, (std::set<int32_t>{0}));
}

}  // namespace
}  // namespace vard
