#include "control/win32/DropDataObject.h"

#include <shlobj.h>

#include "control/DragOutData.h"
#include "control/win32/Bstr.h"

namespace vard::com {
namespace {

FORMATETC GlobalFormat(CLIPFORMAT format) { return {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

}  // namespace

CLIPFORMAT DropDataObject::ServerListFormat() {
  static const auto format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(Wide(kServerListFormatName)));
  return format;
}

DropDataObject::DropDataObject(const std::string& markerPath) {
  offers_.push_back({GlobalFormat(ServerListFormat()), ServerListData()});
  std::vector<uint8_t> drop = FileDropBlock(markerPath);
  if (!drop.empty()) offers_.push_back({GlobalFormat(CF_HDROP), std::move(drop)});
}

const DropDataObject::Offer* DropDataObject::Find(const FORMATETC* format) const {
  if (!format) return nullptr;
  for (const Offer& o : offers_)
    if (format->cfFormat == o.format.cfFormat && format->dwAspect == DVASPECT_CONTENT &&
        (format->tymed & TYMED_HGLOBAL) && (format->lindex == -1 || format->lindex == 0))
      return &o;
  return nullptr;
}

STDMETHODIMP DropDataObject::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDataObject) *ppv = static_cast<IDataObject*>(this);
  else if (riid == IID_IDataObjectAsyncCapability) *ppv = static_cast<IDataObjectAsyncCapability*>(this);
  else return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) DropDataObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) DropDataObject::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP DropDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (!medium) return E_POINTER;
  const Offer* offer = Find(format);
  if (!offer) return DV_E_FORMATETC;
  // Every caller gets a copy of its own.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, offer->bytes.size());
  if (!block) return E_OUTOFMEMORY;
  void* p = GlobalLock(block);
  memcpy(p, offer->bytes.data(), offer->bytes.size());
  GlobalUnlock(block);
  medium->tymed = TYMED_HGLOBAL;
  medium->hGlobal = block;
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

STDMETHODIMP DropDataObject::QueryGetData(FORMATETC* format) { return Find(format) ? S_OK : DV_E_FORMATETC; }

STDMETHODIMP DropDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out) out->ptd = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP DropDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** e) {
  if (!e) return E_POINTER;
  *e = nullptr;
  if (direction != DATADIR_GET) return E_NOTIMPL;
  std::vector<FORMATETC> formats;
  for (const Offer& o : offers_) formats.push_back(o.format);
  return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), e);
}

STDMETHODIMP DropDataObject::SetAsyncMode(BOOL async) {
  async_ = async;
  return S_OK;
}

STDMETHODIMP DropDataObject::GetAsyncMode(BOOL* async) {
  if (!async) return E_POINTER;
  *async = async_;
  return S_OK;
}

STDMETHODIMP DropDataObject::StartOperation(IBindCtx*) {
  inOperation_ = TRUE;
  return S_OK;
}

STDMETHODIMP DropDataObject::InOperation(BOOL* inOperation) {
  if (!inOperation) return E_POINTER;
  *inOperation = inOperation_;
  return S_OK;
}

// ---- DropSource ----

STDMETHODIMP DropSource::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDropSource) return E_NOINTERFACE;
  *ppv = static_cast<IDropSource*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) DropSource::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) DropSource::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP DropSource::QueryContinueDrag(BOOL escape, DWORD keys) {
  if (escape) return DRAGDROP_S_CANCEL;
  if (!(keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) return DRAGDROP_S_DROP;
  return S_OK;
}

}  // namespace vard::com
