// The scripting interface's vtable: each member converts its COM arguments
// and goes through the control's dispatch table, so the vtable and
// IDispatch::Invoke reach exactly the same code.
#include "control/DispatchIds.h"
#include "control/win32/Bstr.h"
#include "control/win32/ComVariant.h"
#include "control/win32/KT5CtrlObject.h"

namespace vard::com {
namespace {

// An optional argument as the dispatch table takes it; empty when omitted.
HRESULT Optional(const VARIANT& v, std::vector<Variant>& args) {
  Variant out;
  const HRESULT hr = FromComVariant(v, &out);
  args.push_back(std::move(out));
  return hr;
}

}  // namespace

// Every member is judged by the page's trust: the page is asked for first.
HRESULT KT5CtrlObject::Get(int32_t id, Variant* out, std::vector<Variant> args) {
  EnsurePageUrl();
  return ctrl_->Invoke(id, InvokeKind::kGet, args, out) == kSOk ? S_OK : DISP_E_MEMBERNOTFOUND;
}

HRESULT KT5CtrlObject::GetText(int32_t id, BSTR* out, std::vector<Variant> args) {
  if (!out) return E_POINTER;
  *out = nullptr;
  Variant v;
  const HRESULT hr = Get(id, &v, std::move(args));
  // An unset result stays a null string: the script reads an empty value.
  if (SUCCEEDED(hr) && v.type == Variant::Type::kString) *out = ToBstr(v.text);
  return hr;
}

HRESULT KT5CtrlObject::GetBool(int32_t id, VARIANT_BOOL* out) {
  if (!out) return E_POINTER;
  Variant v;
  const HRESULT hr = Get(id, &v);
  *out = static_cast<VARIANT_BOOL>(v.number);
  return hr;
}

HRESULT KT5CtrlObject::GetShort(int32_t id, short* out) {
  if (!out) return E_POINTER;
  Variant v;
  const HRESULT hr = Get(id, &v);
  *out = static_cast<short>(v.number);
  return hr;
}

HRESULT KT5CtrlObject::Put(int32_t id, Variant value) {
  EnsurePageUrl();
  return ctrl_->Invoke(id, InvokeKind::kPut, {std::move(value)}, nullptr) == kSOk ? S_OK : DISP_E_MEMBERNOTFOUND;
}

HRESULT KT5CtrlObject::Call(int32_t id, std::vector<Variant> args, Variant* out) {
  EnsurePageUrl();
  return ctrl_->Invoke(id, InvokeKind::kMethod, args, out) == kSOk ? S_OK : DISP_E_MEMBERNOTFOUND;
}

// ---- properties ----

STDMETHODIMP KT5CtrlObject::get_Language(BSTR* pVal) { return GetText(dispid::kLanguage, pVal); }
STDMETHODIMP KT5CtrlObject::put_Language(BSTR v) { return Put(dispid::kLanguage, Variant::String(FromBstr(v))); }
STDMETHODIMP KT5CtrlObject::get_ProgramTitle(BSTR* pVal) { return GetText(dispid::kProgramTitle, pVal); }
STDMETHODIMP KT5CtrlObject::put_ProgramTitle(BSTR v) { return Put(dispid::kProgramTitle, Variant::String(FromBstr(v))); }
STDMETHODIMP KT5CtrlObject::get_SetFolder(BSTR* pVal) { return GetText(dispid::kSetFolder, pVal); }
STDMETHODIMP KT5CtrlObject::put_SetFolder(BSTR v) { return Put(dispid::kSetFolder, Variant::String(FromBstr(v))); }
STDMETHODIMP KT5CtrlObject::get_SetTempFolder(BSTR* pVal) { return GetText(dispid::kSetTempFolder, pVal); }
STDMETHODIMP KT5CtrlObject::put_SetTempFolder(BSTR v) { return Put(dispid::kSetTempFolder, Variant::String(FromBstr(v))); }
STDMETHODIMP KT5CtrlObject::get_FolderType(BSTR* pVal) { return GetText(dispid::kFolderType, pVal); }
STDMETHODIMP KT5CtrlObject::put_FolderType(BSTR v) { return Put(dispid::kFolderType, Variant::String(FromBstr(v))); }
STDMETHODIMP KT5CtrlObject::get_ListStyle(BSTR* pVal) { return GetText(dispid::kListStyle, pVal); }
STDMETHODIMP KT5CtrlObject::put_ListStyle(BSTR v) { return Put(dispid::kListStyle, Variant::String(FromBstr(v))); }
STDMETHODIMP KT5CtrlObject::get_URLDownloadComplete(BSTR* pVal) { return GetText(dispid::kURLDownloadComplete, pVal); }
STDMETHODIMP KT5CtrlObject::put_URLDownloadComplete(BSTR v) { return Put(dispid::kURLDownloadComplete, Variant::String(FromBstr(v))); }
STDMETHODIMP KT5CtrlObject::get_ChildMode(VARIANT_BOOL* pVal) { return GetBool(dispid::kChildMode, pVal); }
STDMETHODIMP KT5CtrlObject::put_ChildMode(VARIANT_BOOL v) { return Put(dispid::kChildMode, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_UseUnicode(VARIANT_BOOL* pVal) { return GetBool(dispid::kUseUnicode, pVal); }
STDMETHODIMP KT5CtrlObject::put_UseUnicode(VARIANT_BOOL v) { return Put(dispid::kUseUnicode, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_FixResume(VARIANT_BOOL* pVal) { return GetBool(dispid::kFixResume, pVal); }
STDMETHODIMP KT5CtrlObject::put_FixResume(VARIANT_BOOL v) { return Put(dispid::kFixResume, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_UseResume(VARIANT_BOOL* pVal) { return GetBool(dispid::kUseResume, pVal); }
STDMETHODIMP KT5CtrlObject::put_UseResume(VARIANT_BOOL v) { return Put(dispid::kUseResume, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_UseFullPath(VARIANT_BOOL* pVal) { return GetBool(dispid::kUseFullPath, pVal); }
STDMETHODIMP KT5CtrlObject::put_UseFullPath(VARIANT_BOOL v) { return Put(dispid::kUseFullPath, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_ShowFileOpen(VARIANT_BOOL* pVal) { return GetBool(dispid::kShowFileOpen, pVal); }
STDMETHODIMP KT5CtrlObject::put_ShowFileOpen(VARIANT_BOOL v) { return Put(dispid::kShowFileOpen, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_UseFileSizeQueryString(VARIANT_BOOL* pVal) { return GetBool(dispid::kUseFileSizeQueryString, pVal); }
STDMETHODIMP KT5CtrlObject::put_UseFileSizeQueryString(VARIANT_BOOL v) { return Put(dispid::kUseFileSizeQueryString, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_UseURLEncode(VARIANT_BOOL* pVal) { return GetBool(dispid::kUseURLEncode, pVal); }
STDMETHODIMP KT5CtrlObject::put_UseURLEncode(VARIANT_BOOL v) { return Put(dispid::kUseURLEncode, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_UseBase64Encode(VARIANT_BOOL* pVal) { return GetBool(dispid::kUseBase64Encode, pVal); }
STDMETHODIMP KT5CtrlObject::put_UseBase64Encode(VARIANT_BOOL v) { return Put(dispid::kUseBase64Encode, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_UseContextMenu(VARIANT_BOOL* pVal) { return GetBool(dispid::kUseContextMenu, pVal); }
STDMETHODIMP KT5CtrlObject::put_UseContextMenu(VARIANT_BOOL v) { return Put(dispid::kUseContextMenu, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_UseContextOpen(VARIANT_BOOL* pVal) { return GetBool(dispid::kUseContextOpen, pVal); }
STDMETHODIMP KT5CtrlObject::put_UseContextOpen(VARIANT_BOOL v) { return Put(dispid::kUseContextOpen, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_UseWriteLog(VARIANT_BOOL* pVal) { return GetBool(dispid::kUseWriteLog, pVal); }
STDMETHODIMP KT5CtrlObject::put_UseWriteLog(VARIANT_BOOL v) { return Put(dispid::kUseWriteLog, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_UseDragDrop(VARIANT_BOOL* pVal) { return GetBool(dispid::kUseDragDrop, pVal); }
STDMETHODIMP KT5CtrlObject::put_UseDragDrop(VARIANT_BOOL v) { return Put(dispid::kUseDragDrop, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_ShowStatus(VARIANT_BOOL* pVal) { return GetBool(dispid::kShowStatus, pVal); }
STDMETHODIMP KT5CtrlObject::put_ShowStatus(VARIANT_BOOL v) { return Put(dispid::kShowStatus, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_OpenFileOverwrite(VARIANT_BOOL* pVal) { return GetBool(dispid::kOpenFileOverwrite, pVal); }
STDMETHODIMP KT5CtrlObject::put_OpenFileOverwrite(VARIANT_BOOL v) { return Put(dispid::kOpenFileOverwrite, Variant::Bool(v)); }
STDMETHODIMP KT5CtrlObject::get_ItemWidth(short* pVal) { return GetShort(dispid::kItemWidth, pVal); }
STDMETHODIMP KT5CtrlObject::put_ItemWidth(short v) { return Put(dispid::kItemWidth, Variant::I2(v)); }
STDMETHODIMP KT5CtrlObject::get_ItemWidth2(short* pVal) { return GetShort(dispid::kItemWidth2, pVal); }
STDMETHODIMP KT5CtrlObject::put_ItemWidth2(short v) { return Put(dispid::kItemWidth2, Variant::I2(v)); }
STDMETHODIMP KT5CtrlObject::get_ItemWidth3(short* pVal) { return GetShort(dispid::kItemWidth3, pVal); }
STDMETHODIMP KT5CtrlObject::put_ItemWidth3(short v) { return Put(dispid::kItemWidth3, Variant::I2(v)); }
STDMETHODIMP KT5CtrlObject::get_ItemWidth4(short* pVal) { return GetShort(dispid::kItemWidth4, pVal); }
STDMETHODIMP KT5CtrlObject::put_ItemWidth4(short v) { return Put(dispid::kItemWidth4, Variant::I2(v)); }
STDMETHODIMP KT5CtrlObject::get_DialogListHeight(short* pVal) { return GetShort(dispid::kDialogListHeight, pVal); }
STDMETHODIMP KT5CtrlObject::put_DialogListHeight(short v) { return Put(dispid::kDialogListHeight, Variant::I2(v)); }

STDMETHODIMP KT5CtrlObject::get_LimitRate(UINT* pVal) {
  if (!pVal) return E_POINTER;
  Variant v;
  const HRESULT hr = Get(dispid::kLimitRate, &v);
  *pVal = static_cast<UINT>(v.number);
  return hr;
}

STDMETHODIMP KT5CtrlObject::put_LimitRate(UINT v) { return Put(dispid::kLimitRate, Variant::UI4(v)); }

// ---- read-only properties ----

STDMETHODIMP KT5CtrlObject::get_GetCount(LONG* pVal) {
  if (!pVal) return E_POINTER;
  Variant v;
  const HRESULT hr = Get(dispid::kGetCount, &v);
  *pVal = static_cast<LONG>(v.number);
  return hr;
}

STDMETHODIMP KT5CtrlObject::get_GetFileName(UINT n, BSTR* pVal) {
  return GetText(dispid::kGetFileName, pVal, {Variant::UI4(n)});
}
STDMETHODIMP KT5CtrlObject::get_GetFileURL(UINT n, BSTR* pVal) {
  return GetText(dispid::kGetFileURL, pVal, {Variant::UI4(n)});
}
STDMETHODIMP KT5CtrlObject::get_GetFileSize(UINT n, BSTR* pVal) {
  return GetText(dispid::kGetFileSize, pVal, {Variant::UI4(n)});
}

STDMETHODIMP KT5CtrlObject::get_GetSelectedItems(VARIANT* pVal) {
  if (!pVal) return E_POINTER;
  VariantInit(pVal);
  Variant v;
  const HRESULT hr = Get(dispid::kGetSelectedItems, &v);
  if (FAILED(hr)) return hr;
  // No selection is still an array: an empty one.
  if (v.type != Variant::Type::kArrayI4) v = Variant::ArrayI4({});
  return ToComVariant(v, pVal);
}

STDMETHODIMP KT5CtrlObject::get_SavedFileCount(UINT* pVal) {
  if (!pVal) return E_POINTER;
  Variant v;
  const HRESULT hr = Get(dispid::kSavedFileCount, &v);
  *pVal = static_cast<UINT>(v.number);  // no file: 0
  return hr;
}

// ---- methods ----

STDMETHODIMP KT5CtrlObject::AppendFile(BSTR url, VARIANT name, VARIANT size) {
  std::vector<Variant> args{Variant::String(FromBstr(url))};
  if (FAILED(Optional(name, args)) || FAILED(Optional(size, args))) return DISP_E_TYPEMISMATCH;
  EnsurePageUrl();
  return Call(dispid::kAppendFile, std::move(args));
}

STDMETHODIMP KT5CtrlObject::RemoveAllFiles() { return Call(dispid::kRemoveAllFiles); }
STDMETHODIMP KT5CtrlObject::RemoveSelectedItems() { return Call(dispid::kRemoveSelectedItems); }
STDMETHODIMP KT5CtrlObject::StartDownload() { return Call(dispid::kStartDownload); }
STDMETHODIMP KT5CtrlObject::StartSelectDownload() { return Call(dispid::kStartSelectDownload); }

STDMETHODIMP KT5CtrlObject::DownloadAndOpen(BSTR url, VARIANT name, VARIANT size, VARIANT overwrite) {
  std::vector<Variant> args{Variant::String(FromBstr(url))};
  if (FAILED(Optional(name, args)) || FAILED(Optional(size, args)) || FAILED(Optional(overwrite, args)))
    return DISP_E_TYPEMISMATCH;
  EnsurePageUrl();
  return Call(dispid::kDownloadAndOpen, std::move(args));
}

STDMETHODIMP KT5CtrlObject::SingleDownload(BSTR url, VARIANT name, VARIANT size) {
  std::vector<Variant> args{Variant::String(FromBstr(url))};
  if (FAILED(Optional(name, args)) || FAILED(Optional(size, args))) return DISP_E_TYPEMISMATCH;
  EnsurePageUrl();
  return Call(dispid::kSingleDownload, std::move(args));
}

STDMETHODIMP KT5CtrlObject::FolderSelect(BSTR* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  EnsurePageUrl();
  Variant v;
  const HRESULT hr = Call(dispid::kFolderSelect, {}, &v);
  if (v.type == Variant::Type::kString) *pVal = ToBstr(v.text);
  return hr;
}

STDMETHODIMP KT5CtrlObject::StartPlusDownload() { return Call(dispid::kStartPlusDownload); }
STDMETHODIMP KT5CtrlObject::StartPlusSelectDownload() { return Call(dispid::kStartPlusSelectDownload); }
STDMETHODIMP KT5CtrlObject::SavedDownload() { return Call(dispid::kSavedDownload); }

STDMETHODIMP KT5CtrlObject::GetIPCount(ULONG* pVal) {
  if (!pVal) return E_POINTER;
  Variant v;
  const HRESULT hr = Call(dispid::kGetIPCount, {}, &v);
  *pVal = static_cast<ULONG>(v.number);
  return hr;
}

STDMETHODIMP KT5CtrlObject::GetIP(ULONG where, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  Variant v;
  const HRESULT hr = Call(dispid::kGetIP, {Variant::UI4(where)}, &v);
  if (v.type == Variant::Type::kString) *pVal = ToBstr(v.text);
  return hr;
}

STDMETHODIMP KT5CtrlObject::GetMACCount(LONG* pVal) {
  if (!pVal) return E_POINTER;
  Variant v;
  const HRESULT hr = Call(dispid::kGetMACCount, {}, &v);
  *pVal = static_cast<LONG>(v.number);
  return hr;
}

STDMETHODIMP KT5CtrlObject::GetMAC(UINT item, BSTR* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = nullptr;
  Variant v;
  const HRESULT hr = Call(dispid::kGetMAC, {Variant::UI4(item)}, &v);
  if (v.type == Variant::Type::kString) *pVal = ToBstr(v.text);
  return hr;
}

}  // namespace vard::com
