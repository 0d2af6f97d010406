// Settings through PARAM values and streams, and the object's safety
// options.
#include <gtest/gtest.h>

#include <objsafe.h>

#include "control/DispatchIds.h"
#include "control/win32/tests/ComServerFixture.h"
#include "tools/win32/kt5container/ParamBag.h"

namespace vard::com::testing {
namespace {

class PersistenceTest : public ::testing::Test {
 protected:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override { CoUninitialize(); }
};

using container::ParamBag;

HRESULT LoadBag(IDispatch* d, ParamBag* bag) {
  auto* p = Query<IPersistPropertyBag>(d, IID_IPersistPropertyBag);
  if (!p) return E_NOINTERFACE;
  const HRESULT hr = p->Load(bag, nullptr);
  p->Release();
  return hr;
}

HRESULT SaveBag(IDispatch* d, ParamBag* bag) {
  auto* p = Query<IPersistPropertyBag>(d, IID_IPersistPropertyBag);
  if (!p) return E_NOINTERFACE;
  const HRESULT hr = p->Save(bag, TRUE, TRUE);
  p->Release();
  return hr;
}

TEST_F(PersistenceTest, ParamValuesGoThroughTheSetters) {
  IDispatch* d = NewControl();
  ASSERT_NE(d, nullptr);
  auto* bag = new ParamBag();
  bag->SetText(L"FolderType", L"TYPE2");
  bag->SetText(L"Language", L"en-US");
  bag->SetText(L"UseUnicode", L"true");
  bag->SetText(L"UseResume", L"0");
  bag->SetText(L"LimitRate", L"64");
  bag->SetText(L"ItemWidth3", L"-1");
  bag->SetText(L"ProgramTitle", L"Shop");
  EXPECT_EQ(LoadBag(d, bag), S_OK);
  EXPECT_EQ(GetText(d, dispid::kFolderType), L"type2");
  EXPECT_EQ(GetText(d, dispid::kLanguage), L"en");
  EXPECT_EQ(GetInt(d, dispid::kUseUnicode), -1);
  EXPECT_EQ(GetInt(d, dispid::kUseResume), 0);
  EXPECT_EQ(GetInt(d, dispid::kLimitRate), 64);
  EXPECT_EQ(GetText(d, dispid::kProgramTitle), L"Shop");
  // Absent names leave their values as they were.
  EXPECT_EQ(GetInt(d, dispid::kShowStatus), -1);
  bag->Release();
  d->Release();
}

// Every persisted setting of `from` and `to` as text, in one line.
std::wstring Settings(IDispatch* d) {
  static const DISPID ids[] = {dispid::kLanguage, dispid::kChildMode, dispid::kUseUnicode, dispid::kLimitRate,
                               dispid::kSetFolder, dispid::kFixResume, dispid::kUseBase64Encode, dispid::kFolderType,
                               dispid::kListStyle, dispid::kShowStatus, dispid::kItemWidth2, dispid::kDialogListHeight,
                               dispid::kURLDownloadComplete, dispid::kOpenFileOverwrite};
  std::wstring all;
  for (DISPID id : ids) all += GetText(d, id) + L"|";
  return all;
}

void ChangeSettings(IDispatch* d) {
  Call(d, dispid::kLanguage, DISPATCH_PROPERTYPUT, {Text(L"en")});
  Call(d, dispid::kChildMode, DISPATCH_PROPERTYPUT, {Int(-1)});
  Call(d, dispid::kLimitRate, DISPATCH_PROPERTYPUT, {Int(300)});
  Call(d, dispid::kSetFolder, DISPATCH_PROPERTYPUT, {Text(L"D:\\\uB2E4\uC6B4")});
  Call(d, dispid::kUseBase64Encode, DISPATCH_PROPERTYPUT, {Int(-1)});
  Call(d, dispid::kFolderType, DISPATCH_PROPERTYPUT, {Text(L"type1")});
  Call(d, dispid::kListStyle, DISPATCH_PROPERTYPUT, {Text(L"small icon")});
  Call(d, dispid::kShowStatus, DISPATCH_PROPERTYPUT, {Int(0)});
  Call(d, dispid::kItemWidth2, DISPATCH_PROPERTYPUT, {Int(123)});
  Call(d, dispid::kDialogListHeight, DISPATCH_PROPERTYPUT, {Int(77)});
  Call(d, dispid::kURLDownloadComplete, DISPATCH_PROPERTYPUT, {Text(L"http://h.test/done")});
  Call(d, dispid::kOpenFileOverwrite, DISPATCH_PROPERTYPUT, {Int(0)});
}

TEST_F(PersistenceTest, PropertyBagRoundTrip) {
  IDispatch* from = NewControl();
  IDispatch* to = NewControl();
  ASSERT_TRUE(from && to);
  ChangeSettings(from);
  auto* bag = new ParamBag();
  EXPECT_EQ(SaveBag(from, bag), S_OK);
  EXPECT_EQ(bag->Count(), 30u);  // the extent and 28 settings
  ASSERT_NE(bag->Value(L"_cx"), nullptr);
  EXPECT_NE(Settings(from), Settings(to));
  EXPECT_EQ(LoadBag(to, bag), S_OK);
  EXPECT_EQ(Settings(from), Settings(to));
  bag->Release();
  from->Release();
  to->Release();
}

TEST_F(PersistenceTest, StreamRoundTripAndShortStreams) {
  IDispatch* from = NewControl();
  IDispatch* to = NewControl();
  ASSERT_TRUE(from && to);
  ChangeSettings(from);
  auto* save = Query<IPersistStreamInit>(from, IID_IPersistStreamInit);
  auto* load = Query<IPersistStreamInit>(to, IID_IPersistStreamInit);
  ASSERT_TRUE(save && load);
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  ULARGE_INTEGER max = {};
  EXPECT_EQ(save->GetSizeMax(&max), S_OK);
  EXPECT_EQ(save->Save(stream, TRUE), S_OK);
  STATSTG stat = {};
  stream->Stat(&stat, STATFLAG_NONAME);
  EXPECT_EQ(stat.cbSize.QuadPart, max.QuadPart);
  LARGE_INTEGER zero = {};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(load->Load(stream), S_OK);
  EXPECT_EQ(Settings(from), Settings(to));

  // A stream cut short is refused without a crash.
  IStream* cut = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &cut), S_OK);
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  ULARGE_INTEGER part = {};
  part.QuadPart = stat.cbSize.QuadPart / 2;
  stream->CopyTo(cut, part, nullptr, nullptr);
  cut->Seek(zero, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(load->Load(cut), E_FAIL);
  // So is a length no settings have.
  IStream* huge = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &huge), S_OK);
  const BYTE head[4] = {0xFF, 0xFF, 0xFF, 0x7F};
  huge->Write(head, 4, nullptr);
  huge->Seek(zero, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(load->Load(huge), E_FAIL);
  huge->Release();
  cut->Release();
  stream->Release();
  save->Release();
  load->Release();
  from->Release();
  to->Release();
}

TEST_F(PersistenceTest, SafeForUntrustedCallersAndDataOnEveryInterface) {
  IDispatch* d = NewControl();
  ASSERT_NE(d, nullptr);
  auto* safety = Query<IObjectSafety>(d, IID_IObjectSafety);
  ASSERT_NE(safety, nullptr);
  const DWORD both = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
  for (const IID* iid : {&IID_IDispatch, &IID_IKT5Ctrl, &IID_IPersistPropertyBag, &IID_IPersistStreamInit}) {
    DWORD supported = 0, enabled = 0;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(*iid, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, both);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(*iid, both, both), S_OK);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(*iid, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, both);
  }
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IClassFactory, &supported, &enabled), E_NOINTERFACE);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 0x100, 0x100), E_FAIL);
  safety->Release();
  d->Release();
}

}  // namespace
}  // namespace vard::com::testing
