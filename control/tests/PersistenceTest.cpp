#include "control/ControlPersistence.h"

#include <gtest/gtest.h>

#include <map>

#include "control/CKT5Ctrl.h"
#include "control/tests/FakeControlServices.h"

namespace vard {
namespace {

struct MapBag final : IPropertyBag {
  std::optional<Variant> Read(const std::u16string& name) override {
    reads.push_back(name);
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  void Write(const std::u16string& name, const Variant& v) override {
    writes.push_back(name);
    values[name] = v;
  }
  std::map<std::u16string, Variant> values;
  std::vector<std::u16string> reads, writes;
};

// Fakes whose folders service starts at C:\Docs.
ControlServices Quiet() { return fakes::FakeControlServices().Wire(); }

TEST(Persistence, ParamsGoThroughTheSettersInOrder) {
  CKT5Ctrl c(Quiet());
  MapBag bag;
  bag.values[u"FolderType"] = Variant::String(u"TYPE2");
  bag.values[u"UseResume"] = Variant::String(u"0");
  bag.values[u"UseUnicode"] = Variant::String(u"1");  // a PARAM text converts like a script value
  bag.values[u"SetFolder"] = Variant::String(u"");    // ignored by its setter
  bag.values[u"ItemWidth3"] = Variant::String(u"90");
  bag.values[u"_cx"] = Variant::String(u"640");
  ControlExtent extent;
  LoadFromPropertyBag(c, bag, &extent);
  EXPECT_EQ(bag.reads, PersistedNames());
  EXPECT_EQ(c.get_FolderType(), u"type2");
  EXPECT_EQ(c.get_UseResume(), kVariantFalse);
  EXPECT_EQ(c.get_UseUnicode(), kVariantTrue);
  EXPECT_EQ(c.get_SetFolder(), u"C:\\Docs");
  EXPECT_EQ(c.get_ItemWidth(2), 90);
  EXPECT_EQ(c.get_UseDragDrop(), kVariantTrue);  // absent: unchanged
  EXPECT_EQ(extent.cx, 640);
}

TEST(Persistence, StreamRoundTrip) {
  CKT5Ctrl a(Quiet());
  a.put_ListStyle(u"small icon");
  a.put_LimitRate(300);
  a.put_UseContextMenu(0);
  a.put_ItemWidth(1, -5);
  a.put_URLDownloadComplete(u"http://n/한글");
  const auto bytes = SaveToStream(a, {10, 20});

  CKT5Ctrl b(Quiet());
  ControlExtent extent;
  ASSERT_TRUE(LoadFromStream(b, bytes, &extent));
  EXPECT_EQ(extent.cx, 10);
  EXPECT_EQ(extent.cy, 20);
  EXPECT_EQ(b.get_ListStyle(), u"small icon");
  EXPECT_EQ(b.get_LimitRate(), 300u);
  EXPECT_EQ(b.get_UseContextMenu(), kVariantFalse);
  EXPECT_EQ(b.get_ItemWidth(1), -5);
  EXPECT_EQ(b.get_URLDownloadComplete(), u"http://n/한글");

  MapBag bag;
  SaveToPropertyBag(a, bag, {});
  EXPECT_EQ(bag.writes, PersistedNames());
}

TEST(Persistence, TruncatedStreamKeepsWhatWasWhole) {
  CKT5Ctrl a(Quiet());
  a.put_Language(u"en");
  auto bytes = SaveToStream(a, {});
  for (size_t cut : {size_t{0}, size_t{3}, size_t{15}, bytes.size() - 1}) {
    CKT5Ctrl b(Quiet());
    EXPECT_FALSE(LoadFromStream(b, std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut), nullptr));
  }
  bytes[12] = 0xFF;  // a bogus type tag where the language starts
  CKT5Ctrl c(Quiet());
  EXPECT_FALSE(LoadFromStream(c, bytes, nullptr));
  EXPECT_EQ(c.get_Language(), u"ko");
}

}  // namespace
}  // namespace vard
