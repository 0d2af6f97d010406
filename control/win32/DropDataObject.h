#pragma once
// What a drag of rows offers the shell: the private "server list" format
// and a file drop of the hidden marker file, both in global memory. The
// shell copies the marker into the folder the rows are dropped on. Also
// answers the asynchronous-operation interface: it keeps the mode the
// target sets and accepts the start of an operation.
#include <windows.h>
#include <ole2.h>
#include <shldisp.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vard::com {

class DropDataObject final : public IDataObject, public IDataObjectAsyncCapability {
 public:
  // `markerPath` in the ANSI code page; the object has no file drop when
  // the path does not fit its block.
  explicit DropDataObject(const std::string& markerPath);

  // The registered clipboard format of the server list.
  static CLIPFORMAT ServerListFormat();

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* format) override;
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** e) override;
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

  STDMETHODIMP SetAsyncMode(BOOL async) override;
  STDMETHODIMP GetAsyncMode(BOOL* async) override;
  STDMETHODIMP StartOperation(IBindCtx*) override;
  STDMETHODIMP InOperation(BOOL* inOperation) override;
  STDMETHODIMP EndOperation(HRESULT, IBindCtx*, DWORD) override { return E_NOTIMPL; }

 private:
  struct Offer {
    FORMATETC format;
    std::vector<uint8_t> bytes;
  };
  const Offer* Find(const FORMATETC* format) const;

  LONG refs_ = 1;
  std::vector<Offer> offers_;
  BOOL async_ = FALSE;
  BOOL inOperation_ = FALSE;
};

// Ends a drag on Escape, drops when no mouse button is down, default
// cursors.
class DropSource final : public IDropSource {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override;
  STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  LONG refs_ = 1;
};

}  // namespace vard::com
