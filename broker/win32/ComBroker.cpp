#include "broker/win32/ComBroker.h"

#include <oleauto.h>

#include <atomic>
#include <new>
#include <string>

#include "broker/KTCOMBroker3.h"
#include "broker/win32/ServerModule.h"

namespace vard::broker::win32 {
namespace {

std::u16string Text(BSTR b) {
  return b ? std::u16string(reinterpret_cast<const char16_t*>(b), ::SysStringLen(b)) : std::u16string();
}

// The type information of IKTCOMBroker3 from the module's own type library.
ITypeInfo* InterfaceTypeInfo() {
  static ITypeInfo* info = [] {
    ITypeInfo* result = nullptr;
    wchar_t path[MAX_PATH];
    ITypeLib* library = nullptr;
    if (::GetModuleFileNameW(Module(), path, MAX_PATH) &&
        SUCCEEDED(::LoadTypeLibEx(path, REGKIND_NONE, &library))) {
      library->GetTypeInfoOfGuid(IID_IKTCOMBroker3, &result);
      library->Release();
    }
    return result;
  }();
  return info;
}

class ComBroker final : public IKTCOMBroker3 {
 public:
  explicit ComBroker(IUnknown* outer) : inner_(this), outer_(outer ? outer : &inner_) { ObjectCreated(); }
  ~ComBroker() { ObjectDestroyed(); }

  IUnknown* Inner() { return &inner_; }

  // IUnknown: to the outer object when aggregated.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return outer_->QueryInterface(iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return outer_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return outer_->Release(); }

  // IDispatch, from the type library.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = InterfaceTypeInfo() ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    if (!InterfaceTypeInfo()) return E_FAIL;
    InterfaceTypeInfo()->AddRef();
    *info = InterfaceTypeInfo();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!InterfaceTypeInfo()) return E_FAIL;
    return ::DispGetIDsOfNames(InterfaceTypeInfo(), names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argError) override {
    if (!InterfaceTypeInfo()) return E_FAIL;
    return ::DispInvoke(static_cast<IKTCOMBroker3*>(this), InterfaceTypeInfo(), id, flags, params, result,
                        exception, argError);
  }

  // IKTCOMBroker3: every outcome is in the out value.
  HRESULT STDMETHODCALLTYPE CreateDirectory(BSTR directory) override {
    broker_.CreateDirectory(Text(directory));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FolderTest(BSTR folder, VARIANT_BOOL* result) override {
    if (!result) return E_POINTER;
    *result = broker_.FolderTest(Text(folder));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FileOpen(BSTR fileName, ULONG disposition, VARIANT_BOOL* result) override {
    if (!result) return E_POINTER;
    *result = broker_.FileOpen(Text(fileName), disposition);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FileClose() override {
    broker_.FileClose();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FileWrite(BYTE* buffer, ULONG size, ULONG* written) override {
    if (!written) return E_POINTER;
    *written = broker_.FileWrite(buffer, size);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FileWrite2(ULONG size, ULONG* written) override {
    if (!written) return E_POINTER;
    *written = broker_.FileWrite2(size);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetFileSize(ULONGLONG* size) override {
    if (!size) return E_POINTER;
    *size = broker_.GetFileSize();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Seek(LONGLONG distance, ULONG moveMethod, LONGLONG* position) override {
    if (!position) return E_POINTER;
    int64_t value = *position;
    broker_.Seek(distance, moveMethod, &value);
    *position = value;
    return S_OK;
  }

 private:
  // The object's own identity and count, apart from the outer one's.
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(ComBroker* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
      if (!object) return E_POINTER;
      ComBroker* self = Owner();
      if (iid == IID_IUnknown) {
        *object = this;
      } else if (iid == IID_IDispatch || iid == IID_IKTCOMBroker3) {
        *object = static_cast<IKTCOMBroker3*>(self);
      } else {
        *object = nullptr;
        return E_NOINTERFACE;
      }
      static_cast<IUnknown*>(*object)->AddRef();
      return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
      const ULONG left = --count_;
      if (left == 0) delete Owner();
      return left;
    }

   private:
    ComBroker* Owner() { return owner_; }
    ComBroker* owner_;
    std::atomic<ULONG> count_{1};
  };

  InnerUnknown inner_;
  IUnknown* outer_;
  CKTCOMBroker3 broker_;
};

}  // namespace

HRESULT CreateComBroker(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  // An outer object may only ask for the inner identity.
  if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  auto* broker = new (std::nothrow) ComBroker(outer);
  if (!broker) return E_OUTOFMEMORY;
  const HRESULT hr = broker->Inner()->QueryInterface(iid, object);
  broker->Inner()->Release();  // the query's reference is the caller's
  return hr;
}

}  // namespace vard::broker::win32
