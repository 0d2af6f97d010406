// The COM server as a client sees it: registered with regsvr32, created in
// the system's surrogate process, called across the process boundary.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#undef CreateDirectory

#include <gtest/gtest.h>

#include <cstring>

#include "KTCOMBroker3.h"
#include "broker/tests/BrokerTestFiles.h"
#include "broker/win32/tests/ServerRegistration.h"
#include "common/platform/ElevationBroker.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/Process.h"
#include "common/platform/SharedMemory.h"
#include "common/platform/tests/TestFolder.h"

namespace vard::broker {
namespace {

namespace p = platform;
using p::testing::TestFolder;

std::u16string ServerPath() {
  std::u16string self = p::ModulePath();
  return self.substr(0, self.rfind(u'\\') + 1) + u"VardKTCOMBroker3.dll";
}

int Regsvr32(bool unregister) { return testing::Regsvr32(ServerPath(), unregister); }

std::optional<std::wstring> ClassesText(const std::wstring& key, const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD size = sizeof buffer;
  if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buffer);
}

GUID FromText(const char16_t* text) {
  GUID g{};
  ::CLSIDFromString(reinterpret_cast<LPCOLESTR>(text), &g);
  return g;
}

using testing::NameTheSurrogateUnderWine;

class ComServer : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    registered = Regsvr32(false) == 0;
    if (registered) NameTheSurrogateUnderWine();
  }
  static void TearDownTestSuite() {
    EXPECT_EQ(Regsvr32(true), 0);
    EXPECT_FALSE(ClassesText(L"CLSID\\" + std::wstring(p::kBrokerClassId, p::kBrokerClassId + 38), nullptr));
    ::CoUninitialize();
  }
  void SetUp() override { ASSERT_TRUE(registered); }

  static bool registered;
  std::wstring classKey = L"CLSID\\" + std::wstring(p::kBrokerClassId, p::kBrokerClassId + 38);
};
bool ComServer::registered = false;

TEST_F(ComServer, TheIdentitiesAreTheOnesTheControlAsksFor) {
  EXPECT_TRUE(IsEqualGUID(CLSID_KTCOMBroker3, FromText(p::kBrokerClassId)));
  EXPECT_TRUE(IsEqualGUID(IID_IKTCOMBroker3, FromText(p::kBrokerInterfaceId)));
  EXPECT_TRUE(IsEqualGUID(LIBID_VardKTCOMBroker3Lib, FromText(p::kBrokerLibraryId)));
}

TEST_F(ComServer, RegistrationWritesTheClassTheAppIdAndTheProxy) {
  const std::wstring appId(p::kBrokerAppId, p::kBrokerAppId + 38);
  const std::u16string server = ServerPath();
  const std::wstring module(server.begin(), server.end());
  EXPECT_EQ(ClassesText(classKey, nullptr), L"KTCOMBroker3 Class");
  EXPECT_EQ(ClassesText(classKey, L"AppID"), appId);
  EXPECT_EQ(ClassesText(classKey, L"LocalizedString"), L"@" + module + L",-101");
  EXPECT_EQ(ClassesText(classKey + L"\\InprocServer32", nullptr), module);
  EXPECT_EQ(ClassesText(classKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(ClassesText(classKey + L"\\ProgID", nullptr), L"VardKTCOMBroker3.KTCOMBroker3.1");
  EXPECT_EQ(ClassesText(L"VardKTCOMBroker3.KTCOMBroker3\\CurVer", nullptr), L"VardKTCOMBroker3.KTCOMBroker3.1");
  EXPECT_EQ(ClassesText(L"AppID\\VardKTCOMBroker3.DLL", L"AppID"), appId);
  DWORD enabled = 0, size = sizeof enabled;
  EXPECT_EQ(::RegGetValueW(HKEY_CLASSES_ROOT, (classKey + L"\\Elevation").c_str(), L"Enabled", RRF_RT_REG_DWORD,
                           nullptr, &enabled, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(enabled, 1u);
  for (const wchar_t* name : {L"LaunchPermission", L"AccessPermission"}) {
    BYTE sd[512];
    DWORD sdSize = sizeof sd;
    ASSERT_EQ(::RegGetValueW(HKEY_CLASSES_ROOT, (L"AppID\\" + appId).c_str(), name, RRF_RT_REG_BINARY, nullptr, sd,
                             &sdSize),
              ERROR_SUCCESS)
        << name;
    EXPECT_TRUE(::IsValidSecurityDescriptor(sd)) << name;
  }
  const std::wstring iid(p::kBrokerInterfaceId, p::kBrokerInterfaceId + 38);
  EXPECT_EQ(ClassesText(L"Interface\\" + iid + L"\\ProxyStubClsid32", nullptr), iid);
}

TEST_F(ComServer, TheElevationPromptTextIsStringOneHundredAndOne) {
  HMODULE module = ::LoadLibraryExW(reinterpret_cast<const wchar_t*>(ServerPath().c_str()), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  wchar_t text[128] = {};
  ::LoadStringW(module, 101, text, 128);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text)), u"파일 다운로드를 실행합니다.");
  ::FreeLibrary(module);
}

TEST_F(ComServer, CalledInTheSurrogateEveryMethodAnswersItsOutValue) {
  std::unique_ptr<p::IElevationBroker> broker = p::CreateElevationBroker(p::BrokerCreation::kLocalServer);
  ASSERT_NE(broker, nullptr);
  {
    // Out of process: what this process holds is a proxy.
    IKTCOMBroker3* raw = nullptr;
    ASSERT_EQ(::CoCreateInstance(CLSID_KTCOMBroker3, nullptr, CLSCTX_LOCAL_SERVER, IID_IKTCOMBroker3,
                                 reinterpret_cast<void**>(&raw)),
              S_OK);
    IClientSecurity* security = nullptr;
    EXPECT_EQ(raw->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(&security)), S_OK);
    if (security) security->Release();
    raw->Release();
  }

  TestFolder dir;
  const std::u16string path = dir / u"x\\y\\z.bin";
  EXPECT_EQ(broker->FolderTest(dir.Path()), p::kBrokerFalse);
  EXPECT_EQ(broker->FileWrite2(5), 0u);
  EXPECT_EQ(broker->GetFileSize(), 0u);
  broker->CreateDirectory(path);
  EXPECT_TRUE(p::IsDirectory(dir / u"x\\y"));
  EXPECT_EQ(broker->FileOpen(dir / u"missing.bin", 3), p::kBrokerFalse);
  ASSERT_EQ(broker->FileOpen(path, 2), p::kBrokerTrue);

  p::SharedMemory section = p::SharedMemory::CreateOrOpen(p::kBrokerSectionName, p::kBrokerSectionSize);
  ASSERT_TRUE(section.IsOpen());
  std::memcpy(section.Data(), "0123456789", 10);
  EXPECT_EQ(broker->FileWrite2(10), 10u);
  EXPECT_EQ(broker->FileWrite("abc", 3), 3u);  // the bytes cross in the call
  int64_t position = -1;
  broker->Seek(2, 0, &position);
  EXPECT_EQ(position, 2);
  // A pure out value cannot bring the caller's own across: a failed move
  // reads as the stub's zero, never as a position.
  broker->Seek(-100, 0, &position);
  EXPECT_TRUE(position == 2 || position == 0) << position;
  EXPECT_EQ(broker->GetFileSize(), 13u);
  std::memcpy(section.Data(), "END", 3);
  EXPECT_EQ(broker->FileWrite2(3), 3u);  // after the size call: at the end
  broker->FileClose();
  EXPECT_EQ(testing::ReadAll(path), "0123456789abcEND");
}

TEST_F(ComServer, TheDispatchSideKnowsTheMethodsByName) {
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(::CoCreateInstance(CLSID_KTCOMBroker3, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&dispatch)),
            S_OK);
  const struct {
    const wchar_t* name;
    DISPID id;
  } methods[] = {{L"CreateDirectory", 0x136}, {L"FolderTest", 0x137}, {L"FileOpen", 0x138}, {L"FileClose", 0x139},
                 {L"FileWrite", 0x13a},       {L"FileWrite2", 0x13b}, {L"GetFileSize", 0x13c}, {L"Seek", 0x13d}};
  for (const auto& m : methods) {
    LPOLESTR name = const_cast<LPOLESTR>(m.name);
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK) << m.name;
    EXPECT_EQ(id, m.id) << m.name;
  }
  VARIANT folder;
  folder.vt = VT_BSTR;
  folder.bstrVal = ::SysAllocString(L"C:\\");
  DISPPARAMS params{&folder, nullptr, 1, 0};
  VARIANT result;
  ::VariantInit(&result);
  EXPECT_EQ(dispatch->Invoke(0x137, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                             nullptr),
            S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_FALSE);
  ::VariantClear(&folder);
  dispatch->Release();
}

// An outer object that aggregates the broker.
class Outer final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown) {
      *object = this;
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(iid, object) : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
  ULONG STDMETHODCALLTYPE Release() override { return --count; }
  IUnknown* inner = nullptr;
  ULONG count = 1;
};

TEST_F(ComServer, InProcessItCanBeAggregated) {
  Outer outer;
  void* object = nullptr;
  EXPECT_EQ(::CoCreateInstance(CLSID_KTCOMBroker3, &outer, CLSCTX_INPROC_SERVER, IID_IKTCOMBroker3, &object),
            CLASS_E_NOAGGREGATION);
  ASSERT_EQ(::CoCreateInstance(CLSID_KTCOMBroker3, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&outer.inner)),
            S_OK);
  IKTCOMBroker3* broker = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IKTCOMBroker3, reinterpret_cast<void**>(&broker)), S_OK);
  // Its references are the outer object's.
  EXPECT_EQ(outer.count, 2u);
  IUnknown* identity = nullptr;
  ASSERT_EQ(broker->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, &outer);
  identity->Release();
  VARIANT_BOOL ok = VARIANT_TRUE;
  EXPECT_EQ(broker->FolderTest(nullptr, &ok), S_OK);
  EXPECT_EQ(ok, VARIANT_FALSE);
  broker->Release();
  EXPECT_EQ(outer.inner->Release(), 0u);
}

TEST_F(ComServer, WhereTheElevationMonikerFailsTheControlHasNoBroker) {
  // Wine has no elevation moniker; a system that has one asks its user.
  std::unique_ptr<p::IElevationBroker> elevated = p::CreateElevationBroker(p::BrokerCreation::kElevated);
  std::printf("elevation moniker: %s\n", elevated ? "broker created" : "no broker");
  if (elevated) {
    EXPECT_EQ(elevated->FolderTest(u"C:\\"), p::kBrokerFalse);
  }
}

}  // namespace
}  // namespace vard::broker
