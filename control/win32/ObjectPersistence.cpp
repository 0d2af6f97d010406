// Persistence of the control's settings: the page's PARAM elements through
// a property bag, and a stream (a 32-bit byte count, then the settings in
// their fixed order). Loading goes through the setters.
#include "KT5Ctrl_h.h"
#include "control/ControlPersistence.h"
#include "control/win32/Bstr.h"
#include "control/win32/ComVariant.h"
#include "control/win32/KT5CtrlObject.h"

namespace vard::com {
namespace {

class BagAdapter final : public vard::IPropertyBag {
 public:
  BagAdapter(::IPropertyBag* bag, IErrorLog* log) : bag_(bag), log_(log) {}

  std::optional<Variant> Read(const std::u16string& name) override {
    VARIANT v;
    VariantInit(&v);
    // VT_EMPTY: the bag gives the value in its own type (PARAMs are text).
    if (FAILED(bag_->Read(Wide(name), &v, log_))) return std::nullopt;
    Variant out;
    const HRESULT hr = FromComVariant(v, &out);
    VariantClear(&v);
    if (FAILED(hr)) return std::nullopt;
    return out;
  }

  void Write(const std::u16string& name, const Variant& value) override {
    VARIANT v;
    VariantInit(&v);
    if (SUCCEEDED(ToComVariant(value, &v))) written_ = SUCCEEDED(bag_->Write(Wide(name), &v)) && written_;
    VariantClear(&v);
  }

  bool AllWritten() const { return written_; }

 private:
  ::IPropertyBag* bag_;
  IErrorLog* log_;
  bool written_ = true;
};

// Reads exactly `size` bytes; false when the stream ends before.
bool ReadExactly(IStream* stream, void* data, ULONG size) {
  ULONG got = 0;
  auto* p = static_cast<BYTE*>(data);
  while (got < size) {
    ULONG n = 0;
    if (FAILED(stream->Read(p + got, size - got, &n)) || n == 0) return false;
    got += n;
  }
  return true;
}

bool WriteAll(IStream* stream, const void* data, ULONG size) {
  ULONG written = 0;
  return SUCCEEDED(stream->Write(data, size, &written)) && written == size;
}

// Stored settings above this size are not ours.
constexpr ULONG kMaxStoredBytes = 1u << 20;

}  // namespace

STDMETHODIMP KT5CtrlObject::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_KT5Ctrl;
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::InitNew() { return S_OK; }

STDMETHODIMP KT5CtrlObject::Load(::IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  BagAdapter adapter(bag, log);
  EnsurePageUrl();  // the page's values are judged by the page's trust
  LoadFromPropertyBag(*ctrl_, adapter, &extent_);
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::Save(::IPropertyBag* bag, BOOL, BOOL) {
  if (!bag) return E_POINTER;
  BagAdapter adapter(bag, nullptr);
  SaveToPropertyBag(*ctrl_, adapter, extent_);
  return adapter.AllWritten() ? S_OK : E_FAIL;
}

STDMETHODIMP KT5CtrlObject::IsDirty() { return S_OK; }

STDMETHODIMP KT5CtrlObject::Load(LPSTREAM stream) {
  if (!stream) return E_POINTER;
  BYTE head[4];
  if (!ReadExactly(stream, head, sizeof head)) return E_FAIL;
  const ULONG size = head[0] | head[1] << 8 | head[2] << 16 | static_cast<ULONG>(head[3]) << 24;
  if (size > kMaxStoredBytes) return E_FAIL;
  std::vector<uint8_t> bytes(size);
  if (size && !ReadExactly(stream, bytes.data(), size)) return E_FAIL;
  EnsurePageUrl();
  return LoadFromStream(*ctrl_, bytes, &extent_) ? S_OK : E_FAIL;
}

STDMETHODIMP KT5CtrlObject::Save(LPSTREAM stream, BOOL) {
  if (!stream) return E_POINTER;
  const std::vector<uint8_t> bytes = SaveToStream(*ctrl_, extent_);
  const auto size = static_cast<ULONG>(bytes.size());
  const BYTE head[4] = {static_cast<BYTE>(size), static_cast<BYTE>(size >> 8), static_cast<BYTE>(size >> 16),
                        static_cast<BYTE>(size >> 24)};
  return WriteAll(stream, head, sizeof head) && WriteAll(stream, bytes.data(), size) ? S_OK : STG_E_CANTSAVE;
}

STDMETHODIMP KT5CtrlObject::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 4 + SaveToStream(*ctrl_, extent_).size();
  return S_OK;
}

}  // namespace vard::com
