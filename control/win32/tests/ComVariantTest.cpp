// VARIANTs a script passes, as the control's dispatch table receives them,
// and results as a script reads them.
#include <gtest/gtest.h>

#include "control/win32/ComVariant.h"
#include "control/win32/DialogTemplateStyle.h"
#include "control/win32/tests/ComServerFixture.h"

namespace vard::com::testing {
namespace {

TEST(ComVariantTest, OmittedEmptyAndNullArgumentsAreEmpty) {
  Variant out = Variant::I4(5);
  VARIANT v = Missing();
  EXPECT_EQ(FromComVariant(v, &out), S_OK);
  EXPECT_TRUE(out.IsEmpty());
  VariantInit(&v);
  V_VT(&v) = VT_NULL;
  EXPECT_EQ(FromComVariant(v, &out), S_OK);
  EXPECT_TRUE(out.IsEmpty());
  // Another error code is no omitted argument.
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = E_FAIL;
  EXPECT_EQ(FromComVariant(v, &out), DISP_E_TYPEMISMATCH);
}

TEST(ComVariantTest, NumbersOfEveryWidthBecomeIntegers) {
  Variant out;
  VARIANT v = Double(5000000000.0);
  ASSERT_EQ(FromComVariant(v, &out), S_OK);
  EXPECT_EQ(out.type, Variant::Type::kI8);
  EXPECT_EQ(out.number, 5000000000LL);
  v = Double(1e30);
  EXPECT_EQ(FromComVariant(v, &out), DISP_E_OVERFLOW);
  // A variable passed by reference is read through.
  LONG n = 77;
  VariantInit(&v);
  V_VT(&v) = VT_I4 | VT_BYREF;
  V_I4REF(&v) = &n;
  ASSERT_EQ(FromComVariant(v, &out), S_OK);
  EXPECT_EQ(out.number, 77);
  VariantInit(&v);
  V_VT(&v) = VT_CY;
  V_CY(&v).int64 = 12340000;  // 1234.0000
  ASSERT_EQ(FromComVariant(v, &out), S_OK);
  EXPECT_EQ(out.number, 1234);
  VariantInit(&v);
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = 1;  // kept raw: the setter decides
  ASSERT_EQ(FromComVariant(v, &out), S_OK);
  EXPECT_EQ(out.type, Variant::Type::kBool);
  EXPECT_EQ(out.number, 1);
}

TEST(ComVariantTest, ArraysAreNoArgumentValue) {
  Variant out;
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_ARRAY | VT_I4;
  V_ARRAY(&v) = SafeArrayCreateVector(VT_I4, 0, 1);
  EXPECT_EQ(FromComVariant(v, &out), DISP_E_TYPEMISMATCH);
  VariantClear(&v);
}

TEST(ComVariantTest, ResultsKeepTheirTypesAndTextKeepsNuls) {
  VARIANT v;
  VariantInit(&v);
  ASSERT_EQ(ToComVariant(Variant::String(std::u16string(u"a\0b", 3)), &v), S_OK);
  ASSERT_EQ(V_VT(&v), VT_BSTR);
  EXPECT_EQ(SysStringLen(V_BSTR(&v)), 3u);
  ASSERT_EQ(ToComVariant(Variant::ArrayI4({4, 9}), &v), S_OK);
  ASSERT_EQ(V_VT(&v), VT_ARRAY | VT_VARIANT);
  LONG i = 1;
  VARIANT e;
  VariantInit(&e);
  SafeArrayGetElement(V_ARRAY(&v), &i, &e);
  EXPECT_EQ(V_VT(&e), VT_I4);
  EXPECT_EQ(V_I4(&e), 9);
  ASSERT_EQ(ToComVariant(Variant::UI4(4000000000u), &v), S_OK);
  EXPECT_EQ(V_VT(&v), VT_UI4);
  EXPECT_EQ(V_UI4(&v), 4000000000u);
  ASSERT_EQ(ToComVariant(Variant(), &v), S_OK);
  EXPECT_EQ(V_VT(&v), VT_EMPTY);
}

std::vector<uint8_t> Template(bool extended, DWORD style, DWORD exStyle) {
  std::vector<uint8_t> t(extended ? 26 : 18, 0);
  auto put = [&t](size_t at, DWORD v) {
    for (int i = 0; i < 4; ++i) t[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  };
  if (extended) {
    t[0] = 1;
    t[2] = t[3] = 0xFF;
    put(8, exStyle);
    put(12, style);
  } else {
    put(0, style);
    put(4, exStyle);
  }
  return t;
}

TEST(DialogTemplateStyleTest, PlainAndExtendedTemplatesChangeTheirOwnFields) {
  const DWORD popup = WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_SYSMENU;
  for (bool extended : {false, true}) {
    std::vector<uint8_t> t = Template(extended, popup, WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT);
    ASSERT_TRUE(ChangeTemplateStyle(t, EmbeddedChildStyle()));
    EXPECT_EQ(t, Template(extended, WS_CHILD | WS_VISIBLE | WS_SYSMENU, WS_EX_CONTROLPARENT));
    ASSERT_TRUE(ChangeTemplateStyle(t, ModalToolWindowStyle()));
    EXPECT_EQ(t, Template(extended, popup | WS_VISIBLE, WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT));
  }
  std::vector<uint8_t> tooShort(17, 0);
  EXPECT_FALSE(ChangeTemplateStyle(tooShort, EmbeddedChildStyle()));
  std::vector<uint8_t> shortExtended = Template(true, 0, 0);
  shortExtended.resize(20);
  EXPECT_FALSE(ChangeTemplateStyle(shortExtended, EmbeddedChildStyle()));
}

}  // namespace
}  // namespace vard::com::testing
