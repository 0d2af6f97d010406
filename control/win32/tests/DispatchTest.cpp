// The scripting interface through IDispatch and through the vtable: every
// member answers S_OK, argument errors come back as dispatch errors, and
// the .idl agrees with the control's member table.
#include <gtest/gtest.h>

#include "control/DispatchIds.h"
#include "control/win32/tests/ComServerFixture.h"

namespace vard::com::testing {
namespace {

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    d_ = NewControl();
    ASSERT_NE(d_, nullptr);
  }
  void TearDown() override {
    if (d_) d_->Release();
    CoUninitialize();
  }
  IDispatch* d_ = nullptr;
};

// A value of the parameter's type that does no work: empty text, zero.
VARIANT Harmless(const TYPEDESC& type) {
  VARIANT v;
  VariantInit(&v);
  switch (type.vt) {
    case VT_BSTR: return Text(L"");
    case VT_BOOL: V_VT(&v) = VT_BOOL; V_BOOL(&v) = VARIANT_FALSE; return v;
    case VT_I2: V_VT(&v) = VT_I2; V_I2(&v) = -1; return v;
    default: return Int(0);
  }
}

TEST_F(DispatchTest, EveryMemberOfTheTypeLibraryAnswersSOkThroughInvoke) {
  // The list downloads show their dialog: it is cancelled as a user would.
  DialogCanceller canceller;
  ITypeInfo* info = nullptr;
  ASSERT_EQ(d_->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  int members = 0;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    if (FAILED(info->GetFuncDesc(i, &f))) continue;
    BSTR name = nullptr;
    info->GetDocumentation(f->memid, &name, nullptr, nullptr, nullptr);
    const std::wstring member = name ? name : L"";
    SysFreeString(name);
    if (f->memid < 1 || f->memid > 1000) {  // IUnknown and IDispatch themselves
      info->ReleaseFuncDesc(f);
      continue;
    }
    ++members;
    // The .idl and the control's table give the same DISPID for the name.
    const dispid::Member* m = dispid::FindMember(std::u16string(member.begin(), member.end()));
    ASSERT_NE(m, nullptr) << "not in the member table";
    EXPECT_EQ(m->id, f->memid);
    std::vector<VARIANT> args;
    const bool put = f->invkind == INVOKE_PROPERTYPUT;
    // The required arguments only: the optional ones are left out.
    for (int p = 0; p < f->cParams; ++p) {
      const ELEMDESC& e = f->lprgelemdescParam[p];
      if (e.paramdesc.wParamFlags & (PARAMFLAG_FRETVAL | PARAMFLAG_FOPT)) break;
      args.push_back(Harmless(e.tdesc));
    }
    const WORD flags = put ? DISPATCH_PROPERTYPUT
                           : f->invkind == INVOKE_PROPERTYGET ? DISPATCH_PROPERTYGET : DISPATCH_METHOD;
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(Call(d_, f->memid, flags, std::move(args), put ? nullptr : &result), S_OK)
        << std::string(member.begin(), member.end()) << " (" << f->memid << ")";
    VariantClear(&result);
    info->ReleaseFuncDesc(f);
  }
  info->ReleaseTypeAttr(attr);
  info->Release();
  EXPECT_EQ(members, 77);  // 28 properties twice, 6 read-only ones, 15 methods
  EXPECT_EQ(canceller.Closed(), 3);  // StartDownload, StartSelectDownload, FolderSelect
}

TEST_F(DispatchTest, NamesResolveIgnoringCaseAndUnknownNamesAreRefused) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"appendFILE")};
  DISPID id = 0;
  EXPECT_EQ(d_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, dispid::kAppendFile);
  // Argument names come from the type library.
  LPOLESTR withArg[] = {const_cast<LPOLESTR>(L"AppendFile"), const_cast<LPOLESTR>(L"varFilesize")};
  DISPID ids[2] = {};
  EXPECT_EQ(d_->GetIDsOfNames(IID_NULL, withArg, 2, LOCALE_USER_DEFAULT, ids), S_OK);
  EXPECT_EQ(ids[1], 2);
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
  EXPECT_EQ(d_->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST_F(DispatchTest, WrongArgumentsAreDispatchErrorsNotCrashes) {
  // Too few, too many.
  EXPECT_EQ(Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"a"), Text(L"b"), Int(1), Int(2)}),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(d_, dispid::kGetFileName, DISPATCH_PROPERTYGET, {}), DISP_E_BADPARAMCOUNT);
  // Values that are no number, no text.
  EXPECT_EQ(Call(d_, dispid::kLimitRate, DISPATCH_PROPERTYPUT, {Text(L"fast")}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Call(d_, dispid::kChildMode, DISPATCH_PROPERTYPUT, {Text(L"maybe")}), DISP_E_TYPEMISMATCH);
  VARIANT array;
  VariantInit(&array);
  V_VT(&array) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&array) = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  VARIANT copy;
  VariantInit(&copy);
  VariantCopy(&copy, &array);
  EXPECT_EQ(Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"http://h.test/a"), Text(L"a"), array}),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Call(d_, dispid::kLanguage, DISPATCH_PROPERTYPUT, {copy}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(GetInt(d_, dispid::kGetCount), 0);  // nothing was appended
  // Members that are not there, and puts of read-only ones.
  EXPECT_EQ(Call(d_, 999, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(d_, dispid::kGetCount, DISPATCH_PROPERTYPUT, {Int(3)}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(d_->Invoke(dispid::kGetCount, IID_IDispatch, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, OptionalArgumentsMayBeLeftOutAndBigSizesArriveAsDoubles) {
  EXPECT_EQ(Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"http://h.test/dir/a.bin"), Missing(), Int(42)}), S_OK);
  // A script's number above 2^31 is a double.
  EXPECT_EQ(Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"http://h.test/b.iso"), Text(L"b.iso"),
                                                             Double(5000000000.0)}),
            S_OK);
  EXPECT_EQ(GetInt(d_, dispid::kGetCount), 2);
  EXPECT_EQ(GetText(d_, dispid::kGetFileName, {Int(0)}), L"a.bin");
  EXPECT_EQ(GetText(d_, dispid::kGetFileSize, {Int(0)}), L"42");
  EXPECT_EQ(GetText(d_, dispid::kGetFileSize, {Int(1)}), L"5000000000");
  // Past the end: success, no value.
  EXPECT_EQ(GetText(d_, dispid::kGetFileName, {Int(2)}), L"");
}

TEST_F(DispatchTest, SelectedItemsAreAnArrayOfVariantsEvenWhenEmpty) {
  VARIANT r;
  VariantInit(&r);
  ASSERT_EQ(Call(d_, dispid::kGetSelectedItems, DISPATCH_PROPERTYGET, {}, &r), S_OK);
  ASSERT_EQ(V_VT(&r), VT_ARRAY | VT_VARIANT);
  LONG lo = -1, hi = 0;
  SafeArrayGetLBound(V_ARRAY(&r), 1, &lo);
  SafeArrayGetUBound(V_ARRAY(&r), 1, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, -1);
  VariantClear(&r);
}

TEST_F(DispatchTest, BooleansAreTrueOnlyForMinusOneThroughTheVtableButAnyNumberThroughInvoke) {
  auto* ctrl = Query<IKT5Ctrl>(d_, IID_IKT5Ctrl);
  ASSERT_NE(ctrl, nullptr);
  VARIANT_BOOL b = VARIANT_TRUE;
  EXPECT_EQ(ctrl->put_UseUnicode(1), S_OK);
  EXPECT_EQ(ctrl->get_UseUnicode(&b), S_OK);
  EXPECT_EQ(b, VARIANT_FALSE);
  EXPECT_EQ(Call(d_, dispid::kUseUnicode, DISPATCH_PROPERTYPUT, {Int(1)}), S_OK);
  EXPECT_EQ(ctrl->get_UseUnicode(&b), S_OK);
  EXPECT_EQ(b, VARIANT_TRUE);
  // The vtable and Invoke reach the same settings.
  BSTR folder = SysAllocString(L"C:\\Down");
  EXPECT_EQ(ctrl->put_SetFolder(folder), S_OK);
  SysFreeString(folder);
  EXPECT_EQ(GetText(d_, dispid::kSetFolder), L"C:\\Down");
  BSTR language = nullptr;
  EXPECT_EQ(Call(d_, dispid::kLanguage, DISPATCH_PROPERTYPUT, {Text(L"ENglish")}), S_OK);
  EXPECT_EQ(ctrl->get_Language(&language), S_OK);
  EXPECT_STREQ(language, L"EN");
  SysFreeString(language);
  ctrl->Release();
}

TEST_F(DispatchTest, ClassInfoNamesTheEventInterfaceAndTheMiscStatus) {
  auto* info = Query<IProvideClassInfo2>(d_, IID_IProvideClassInfo2);
  ASSERT_NE(info, nullptr);
  GUID events = {};
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  EXPECT_TRUE(IsEqualGUID(events, DIID__IKT5CtrlEvents));
  info->Release();
  auto* ole = Query<IOleObject>(d_, IID_IOleObject);
  ASSERT_NE(ole, nullptr);
  DWORD status = 0;
  EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 0x20191u);
  ole->Release();
  // The type library carried in the module is the one the code names.
  ITypeInfo* type = nullptr;
  ASSERT_EQ(d_->GetTypeInfo(0, LOCALE_USER_DEFAULT, &type), S_OK);
  ITypeLib* lib = nullptr;
  UINT index = 0;
  ASSERT_EQ(type->GetContainingTypeLib(&lib, &index), S_OK);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_VardKT5Lib));
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  lib->ReleaseTLibAttr(attr);
  lib->Release();
  type->Release();
}

}  // namespace
}  // namespace vard::com::testing
