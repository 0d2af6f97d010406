#include "tools/bridge/MemberCall.h"

#include <gtest/gtest.h>

namespace vard::bridge {
namespace {

Json Args(std::string_view text) { return *ParseJson(text, nullptr); }

TEST(MemberCallTest, NamesAreFoundIgnoringCase) {
  const MemberCall c = PrepareMemberCall("call", "appendfile", Args(R"(["/d/1","a.txt",12])"));
  ASSERT_EQ(c.hr, kSOk) << c.message;
  EXPECT_EQ(c.member->id, dispid::kAppendFile);
  EXPECT_EQ(c.kind, InvokeKind::kMethod);
  ASSERT_EQ(c.args.size(), 3u);
  EXPECT_EQ(c.args[1].text, u"a.txt");
  EXPECT_EQ(c.args[2].ToInteger(), 12);
}

TEST(MemberCallTest, WhatTheInterfaceDoesNotHaveIsRefusedWithItsCode) {
  EXPECT_EQ(PrepareMemberCall("call", "Format", Args("[]")).hr, kDispUnknownName);
  EXPECT_EQ(PrepareMemberCall("put", "GetCount", Args("1")).hr, kDispMemberNotFound);
  EXPECT_EQ(PrepareMemberCall("put", "StartDownload", Args("1")).hr, kDispMemberNotFound);
  EXPECT_EQ(PrepareMemberCall("get", "StartDownload", Args("[]")).hr, kDispMemberNotFound);
  EXPECT_EQ(PrepareMemberCall("delete", "GetCount", Args("[]")).hr, kDispMemberNotFound);
}

TEST(MemberCallTest, ArgumentCountsFollowTheDeclaredParameters) {
  EXPECT_EQ(PrepareMemberCall("call", "AppendFile", Args("[]")).hr, kDispBadParamCount);
  EXPECT_EQ(PrepareMemberCall("call", "AppendFile", Args(R"(["u"])")).hr, kSOk);
  EXPECT_EQ(PrepareMemberCall("call", "AppendFile", Args(R"(["u",1,2,3])")).hr, kDispBadParamCount);
  EXPECT_EQ(PrepareMemberCall("call", "StartDownload", Args("[1]")).hr, kDispBadParamCount);
  EXPECT_EQ(PrepareMemberCall("get", "GetFileName", Args("[]")).hr, kDispBadParamCount);
  EXPECT_EQ(PrepareMemberCall("call", "StartDownload", Json()).hr, kSOk);  // no args at all
}

TEST(MemberCallTest, ArgumentsChangeToTheirTypesOrFailAsAutomationDoes) {
  // Text to a number only when it reads as one.
  EXPECT_EQ(PrepareMemberCall("get", "GetFileName", Args(R"(["2"])")).args[0].number, 2);
  EXPECT_EQ(PrepareMemberCall("get", "GetFileName", Args(R"(["two"])")).hr, kDispTypeMismatch);
  // Out of the declared range: an overflow, never a wrapped value.
  EXPECT_EQ(PrepareMemberCall("get", "GetFileName", Args("[-1]")).hr, kDispOverflow);
  EXPECT_EQ(PrepareMemberCall("get", "GetFileName", Args("[4294967296]")).hr, kDispOverflow);
  EXPECT_EQ(PrepareMemberCall("get", "GetFileName", Args("[true]")).hr, kDispOverflow);
  EXPECT_EQ(PrepareMemberCall("put", "ItemWidth", Args("32768")).hr, kDispOverflow);
  EXPECT_EQ(PrepareMemberCall("put", "ItemWidth", Args("-32768")).hr, kSOk);
  // Fractions round half to even.
  EXPECT_EQ(PrepareMemberCall("put", "LimitRate", Args("2.5")).args[0].number, 2);
  EXPECT_EQ(PrepareMemberCall("put", "LimitRate", Args("3.5")).args[0].number, 4);
  // Objects, arrays and null where a value is required do not convert.
  EXPECT_EQ(PrepareMemberCall("call", "AppendFile", Args(R"([{"a":1}])")).hr, kDispTypeMismatch);
  EXPECT_EQ(PrepareMemberCall("call", "AppendFile", Args(R"(["u",[1]])")).hr, kDispTypeMismatch);
  EXPECT_EQ(PrepareMemberCall("call", "AppendFile", Args("[null]")).hr, kDispTypeMismatch);
  EXPECT_EQ(PrepareMemberCall("call", "AppendFile", Args(R"(["u",null,null])")).hr, kSOk);
  EXPECT_EQ(PrepareMemberCall("call", "AppendFile", Args(R"({"0":"u"})")).hr, kDispTypeMismatch);
}

TEST(MemberCallTest, BooleansAndTextTakeAnyPlainValue) {
  EXPECT_EQ(PrepareMemberCall("put", "UseFullPath", Args("true")).args[0].number, kVariantTrue);
  EXPECT_EQ(PrepareMemberCall("put", "UseFullPath", Args("1")).args[0].number, kVariantTrue);
  EXPECT_EQ(PrepareMemberCall("put", "UseFullPath", Args(R"("false")")).args[0].number, kVariantFalse);
  EXPECT_EQ(PrepareMemberCall("put", "UseFullPath", Args(R"("maybe")")).hr, kDispTypeMismatch);
  EXPECT_EQ(PrepareMemberCall("put", "SetFolder", Args("12")).args[0].text, u"12");
  EXPECT_EQ(PrepareMemberCall("put", "SetFolder", Args("true")).args[0].text, u"True");
}

TEST(MemberCallTest, AScriptMayCallAPropertyWithItsIndex) {
  const MemberCall c = PrepareMemberCall("call", "GetFileURL", Args("[0]"));
  EXPECT_EQ(c.hr, kSOk);
  EXPECT_EQ(c.kind, InvokeKind::kGet);
}

TEST(MemberCallTest, ResultsBecomeJsonValues) {
  EXPECT_EQ(WriteJson(VariantToJson(Variant::Bool(kVariantTrue))), "true");
  EXPECT_EQ(WriteJson(VariantToJson(Variant::UI4(4000000000u))), "4000000000");
  EXPECT_EQ(WriteJson(VariantToJson(Variant::String(u"사진 01.jpg"))), "\"사진 01.jpg\"");
  EXPECT_EQ(WriteJson(VariantToJson(Variant::ArrayI4({0, 2}))), "[0,2]");
  EXPECT_EQ(WriteJson(VariantToJson(Variant())), "null");
}

}  // namespace
}  // namespace vard::bridge
