#include "control/Variant.h"

#include <gtest/gtest.h>

#include "control/DispatchIds.h"

namespace vard {
namespace {

TEST(Variant, BooleanConversionsAsAutomationMakesThem) {
  EXPECT_EQ(Variant::I4(1).ToVariantBool(), kVariantTrue);
  EXPECT_EQ(Variant::I4(0).ToVariantBool(), kVariantFalse);
  EXPECT_EQ(Variant::I8(int64_t{1} << 40).ToVariantBool(), kVariantTrue);
  EXPECT_EQ(Variant::Bool(1).ToVariantBool(), 1);  // a VARIANT_BOOL passes unchanged
  EXPECT_EQ(Variant::String(u"True").ToVariantBool(), kVariantTrue);
  EXPECT_EQ(Variant::String(u"false").ToVariantBool(), kVariantFalse);
  EXPECT_EQ(Variant::String(u"-1").ToVariantBool(), kVariantTrue);
  EXPECT_EQ(Variant::String(u"2").ToVariantBool(), kVariantTrue);
  EXPECT_FALSE(Variant::String(u"yes").ToVariantBool().has_value());
  EXPECT_FALSE(Variant::String(u"").ToVariantBool().has_value());
}

TEST(Variant, IntegersAndTexts) {
  EXPECT_EQ(Variant::String(u" 42").ToInteger(), 42);
  EXPECT_EQ(Variant::String(u"-7").ToInteger(), -7);
  EXPECT_FALSE(Variant::String(u"4x").ToInteger().has_value());
  EXPECT_EQ(Variant().ToInteger(), 0);
  EXPECT_EQ(Variant::I2(-1).ToText(), u"-1");
  EXPECT_EQ(Variant::ArrayI4({1, 3}).ToText(), u"1,3");
  EXPECT_EQ(Variant::Bool(-1).ToText(), u"True");
}

TEST(Variant, QuotedNumbersOutsideTheIntegerRange) {
  // The full range converts; one past either end fails as an overflow does.
  EXPECT_EQ(Variant::String(u"9223372036854775807").ToInteger(), INT64_MAX);
  EXPECT_EQ(Variant::String(u"-9223372036854775808").ToInteger(), INT64_MIN);
  EXPECT_FALSE(Variant::String(u"9223372036854775808").ToInteger().has_value());
  EXPECT_FALSE(Variant::String(u"-9223372036854775809").ToInteger().has_value());
  EXPECT_FALSE(Variant::String(u"99999999999999999999").ToInteger().has_value());
  EXPECT_FALSE(Variant::String(u"+18446744073709551616").ToInteger().has_value());
  EXPECT_FALSE(Variant::String(u"00000000000000000000000000000000000001x").ToInteger().has_value());
  EXPECT_EQ(Variant::String(u"00000000000000000000000000000000000001").ToInteger(), 1);
  // Too big for an integer is still a number, and not zero.
  EXPECT_EQ(Variant::String(u"99999999999999999999").ToVariantBool(), kVariantTrue);
  EXPECT_EQ(Variant::String(u"-99999999999999999999").ToVariantBool(), kVariantTrue);
  EXPECT_FALSE(Variant::String(u"99999999999999999999x").ToVariantBool().has_value());
}

TEST(DispatchIds, NamesAndIdsMatch) {
  EXPECT_EQ(dispid::FindMember(u"OPENFILEOVERWRITE")->id, 408);
  EXPECT_EQ(dispid::FindMember(u"GetMAC")->id, 804);
  EXPECT_EQ(dispid::FindMember(210)->name, u"URLDownloadComplete");
  EXPECT_EQ(dispid::FindMember(u"NoSuchMember"), nullptr);
  EXPECT_EQ(dispid::FindMember(204), nullptr);
  EXPECT_EQ(dispid::EventName(8), u"OnDownloadError");
  EXPECT_EQ(dispid::EventName(9), u"");
}

}  // namespace
}  // namespace vard
