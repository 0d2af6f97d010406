// The elevation broker through COM: the class KTCOMBroker3 in the system's
// surrogate process, reached through its interface IKTCOMBroker3.
#include "common/platform/ElevationBroker.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>

#include "common/platform/win32/Wide.h"

#undef CreateDirectory

namespace vard::platform {

// The interface's vtable as the broker's type library describes it. Not in
// an unnamed namespace: its objects come from another module, and a type
// only this file could derive from would let the compiler drop the calls.
struct IKTCOMBroker3Calls : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE CreateDirectory(BSTR directory) = 0;
  virtual HRESULT STDMETHODCALLTYPE FolderTest(BSTR folder, VARIANT_BOOL* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE FileOpen(BSTR fileName, ULONG disposition, VARIANT_BOOL* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE FileClose() = 0;
  virtual HRESULT STDMETHODCALLTYPE FileWrite(BYTE* buffer, ULONG size, ULONG* written) = 0;
  virtual HRESULT STDMETHODCALLTYPE FileWrite2(ULONG size, ULONG* written) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFileSize(ULONGLONG* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE Seek(LONGLONG distance, ULONG moveMethod, LONGLONG* position) = 0;
};

namespace {


class Bstr {
 public:
  explicit Bstr(const std::u16string& s) : b_(::SysAllocStringLen(win32::W(s), static_cast<UINT>(s.size()))) {}
  ~Bstr() { ::SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }

 private:
  BSTR b_;
};

// A failed call (the broker's process went away) counts as nothing done.
class ComBroker final : public IElevationBroker {
 public:
  ComBroker(IKTCOMBroker3Calls* broker, bool uninitialize) : broker_(broker), uninitialize_(uninitialize) {}
  ~ComBroker() override {
    broker_->Release();
    if (uninitialize_) ::CoUninitialize();
  }

  void CreateDirectory(const std::u16string& path) override { broker_->CreateDirectory(Bstr(path).get()); }
  int16_t FolderTest(const std::u16string& folder) override {
    VARIANT_BOOL result = VARIANT_FALSE;
    if (FAILED(broker_->FolderTest(Bstr(folder).get(), &result))) return kBrokerFalse;
    return result;
  }
  int16_t FileOpen(const std::u16string& path, uint32_t disposition) override {
    VARIANT_BOOL result = VARIANT_FALSE;
    if (FAILED(broker_->FileOpen(Bstr(path).get(), disposition, &result))) return kBrokerFalse;
    return result;
  }
  void FileClose() override { broker_->FileClose(); }
  uint32_t FileWrite(const void* buffer, uint32_t size) override {
    ULONG written = 0;
    const HRESULT hr = broker_->FileWrite(static_cast<BYTE*>(const_cast<void*>(buffer)), size, &written);
    return SUCCEEDED(hr) ? written : 0;
  }
  uint32_t FileWrite2(uint32_t size) override {
    ULONG written = 0;
    const HRESULT hr = broker_->FileWrite2(size, &written);
    return SUCCEEDED(hr) ? written : 0;
  }
  uint64_t GetFileSize() override {
    ULONGLONG size = 0;
    const HRESULT hr = broker_->GetFileSize(&size);
    return SUCCEEDED(hr) ? size : 0;
  }
  void Seek(int64_t distance, uint32_t moveMethod, int64_t* newPosition) override {
    LONGLONG position = newPosition ? *newPosition : 0;
    const HRESULT hr = broker_->Seek(distance, moveMethod, &position);
    if (SUCCEEDED(hr) && newPosition) *newPosition = position;
  }

 private:
  IKTCOMBroker3Calls* broker_;
  bool uninitialize_;  // COM was initialised for this broker's thread
};

bool Guid(const char16_t* text, GUID* guid) {
  return SUCCEEDED(::CLSIDFromString(const_cast<LPOLESTR>(reinterpret_cast<const wchar_t*>(text)), guid));
}

}  // namespace

std::unique_ptr<IElevationBroker> CreateElevationBroker(BrokerCreation how) {
  GUID classId{}, interfaceId{};
  if (!Guid(kBrokerClassId, &classId) || !Guid(kBrokerInterfaceId, &interfaceId)) return nullptr;
  // The run's worker thread may come without COM; the broker keeps it
  // initialised as long as it lives on this thread.
  const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const bool uninitialize = SUCCEEDED(init);
  void* object = nullptr;
  HRESULT hr = E_FAIL;
  if (how == BrokerCreation::kLocalServer) {
    hr = ::CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER, interfaceId, &object);
  } else {
    HWND owner = ::GetForegroundWindow();
    if (!owner) owner = ::GetDesktopWindow();
    wchar_t moniker[300];
    if (std::swprintf(moniker, 300, L"Elevation:Administrator!new:%ls", win32::W(kBrokerClassId)) >= 0) {
      BIND_OPTS3 options{};
      options.cbStruct = sizeof options;
      options.dwClassContext = CLSCTX_LOCAL_SERVER;
      options.hwnd = owner;
      hr = ::CoGetObject(moniker, &options, interfaceId, &object);
    }
  }
  if (FAILED(hr) || !object) {
    if (uninitialize) ::CoUninitialize();
    return nullptr;
  }
  return std::make_unique<ComBroker>(static_cast<IKTCOMBroker3Calls*>(object), uninitialize);
}

}  // namespace vard::platform
