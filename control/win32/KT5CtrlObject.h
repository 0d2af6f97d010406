#pragma once
// The control as a COM object: the dual scripting interface over the
// portable CKT5Ctrl (every member goes through its dispatch table), events
// through a connection point, persistence through property bags and
// streams, object safety, and in-place activation in a host's window.
// Lives in the page's single-threaded apartment.
#include <windows.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <vector>

#include "KT5Ctrl_h.h"
#include "control/CKT5Ctrl.h"
#include "control/ControlPersistence.h"
#include "control/win32/WindowsDownloadDialogs.h"

namespace vard::com {

class ControlWindow;
class EventConnectionPoint;

class KT5CtrlObject final : public IKT5Ctrl,
                            public IProvideClassInfo2,
                            public IConnectionPointContainer,
                            public IPersistPropertyBag,
                            public IPersistStreamInit,
                            public IObjectSafety,
                            public IOleObject,
                            public IOleInPlaceObject,
                            public IOleInPlaceActiveObject,
                            public IViewObject2,
                            public IOleControl {
 public:
  // A new object with one reference; nullptr when the type library cannot
  // be loaded from the module.
  // `window` is kept up to date with the control's window for the services.
  static KT5CtrlObject* Create(ControlServices services, std::shared_ptr<ControlWindowHandle> window);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excep, UINT* argErr) override;

  // IKT5Ctrl (ScriptMembers.cpp)
  STDMETHODIMP get_Language(BSTR* pVal) override;
  STDMETHODIMP put_Language(BSTR newVal) override;
  STDMETHODIMP get_ProgramTitle(BSTR* pVal) override;
  STDMETHODIMP put_ProgramTitle(BSTR newVal) override;
  STDMETHODIMP get_ChildMode(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_ChildMode(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_UseUnicode(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_UseUnicode(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_LimitRate(UINT* pVal) override;
  STDMETHODIMP put_LimitRate(UINT newVal) override;
  STDMETHODIMP get_SetFolder(BSTR* pVal) override;
  STDMETHODIMP put_SetFolder(BSTR newVal) override;
  STDMETHODIMP get_SetTempFolder(BSTR* pVal) override;
  STDMETHODIMP put_SetTempFolder(BSTR newVal) override;
  STDMETHODIMP get_FixResume(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_FixResume(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_UseResume(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_UseResume(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_UseFullPath(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_UseFullPath(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_ShowFileOpen(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_ShowFileOpen(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_UseFileSizeQueryString(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_UseFileSizeQueryString(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_UseURLEncode(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_UseURLEncode(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_UseBase64Encode(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_UseBase64Encode(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_UseContextMenu(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_UseContextMenu(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_UseContextOpen(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_UseContextOpen(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_UseWriteLog(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_UseWriteLog(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_UseDragDrop(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_UseDragDrop(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_FolderType(BSTR* pVal) override;
  STDMETHODIMP put_FolderType(BSTR newVal) override;
  STDMETHODIMP get_ListStyle(BSTR* pVal) override;
  STDMETHODIMP put_ListStyle(BSTR newVal) override;
  STDMETHODIMP get_ShowStatus(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_ShowStatus(VARIANT_BOOL newVal) override;
  STDMETHODIMP get_ItemWidth(short* pVal) override;
  STDMETHODIMP put_ItemWidth(short newVal) override;
  STDMETHODIMP get_ItemWidth2(short* pVal) override;
  STDMETHODIMP put_ItemWidth2(short newVal) override;
  STDMETHODIMP get_ItemWidth3(short* pVal) override;
  STDMETHODIMP put_ItemWidth3(short newVal) override;
  STDMETHODIMP get_ItemWidth4(short* pVal) override;
  STDMETHODIMP put_ItemWidth4(short newVal) override;
  STDMETHODIMP get_DialogListHeight(short* pVal) override;
  STDMETHODIMP put_DialogListHeight(short newVal) override;
  STDMETHODIMP get_URLDownloadComplete(BSTR* pVal) override;
  STDMETHODIMP put_URLDownloadComplete(BSTR newVal) override;
  STDMETHODIMP get_GetCount(LONG* pVal) override;
  STDMETHODIMP get_GetFileName(UINT nItem, BSTR* pVal) override;
  STDMETHODIMP get_GetFileURL(UINT nItem, BSTR* pVal) override;
  STDMETHODIMP get_GetFileSize(UINT nItem, BSTR* pVal) override;
  STDMETHODIMP get_GetSelectedItems(VARIANT* pVal) override;
  STDMETHODIMP get_SavedFileCount(UINT* pVal) override;
  STDMETHODIMP get_OpenFileOverwrite(VARIANT_BOOL* pVal) override;
  STDMETHODIMP put_OpenFileOverwrite(VARIANT_BOOL newVal) override;
  STDMETHODIMP AppendFile(BSTR bstrURL, VARIANT bstrFilename, VARIANT varFilesize) override;
  STDMETHODIMP RemoveAllFiles() override;
  STDMETHODIMP RemoveSelectedItems() override;
  STDMETHODIMP StartDownload() override;
  STDMETHODIMP StartSelectDownload() override;
  STDMETHODIMP DownloadAndOpen(BSTR bstrURL, VARIANT bstrFilename, VARIANT nFilesize, VARIANT bOverwrite) override;
  STDMETHODIMP SingleDownload(BSTR bstrURL, VARIANT bstrFilename, VARIANT nFilesize) override;
  STDMETHODIMP FolderSelect(BSTR* bstrRetVal) override;
  STDMETHODIMP StartPlusDownload() override;
  STDMETHODIMP StartPlusSelectDownload() override;
  STDMETHODIMP SavedDownload() override;
  STDMETHODIMP GetIPCount(ULONG* pVal) override;
  STDMETHODIMP GetIP(ULONG nWhere, BSTR* pVal) override;
  STDMETHODIMP GetMACCount(LONG* pVal) override;
  STDMETHODIMP GetMAC(UINT nItem, BSTR* pVal) override;

  // IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

  // IConnectionPointContainer (ConnectionPoint.cpp)
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** e) override;
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

  // IPersist, IPersistPropertyBag, IPersistStreamInit (ObjectPersistence.cpp)
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP InitNew() override;
  STDMETHODIMP Load(::IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(::IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(LPSTREAM stream) override;
  STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;

  // IObjectSafety
  STDMETHODIMP GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) override;
  STDMETHODIMP SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) override;

  // IOleObject (OleActivation.cpp)
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR obj) override;
  STDMETHODIMP Close(DWORD saveOption) override;
  STDMETHODIMP SetMoniker(DWORD which, IMoniker* mk) override;
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** mk) override;
  STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
  STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
  STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent, LPCRECT rect) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
  STDMETHODIMP Update() override;
  STDMETHODIMP IsUpToDate() override;
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** e) override;
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  STDMETHODIMP GetWindow(HWND* hwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override;
  STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
  STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
  STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
  STDMETHODIMP EnableModeless(BOOL enable) override;

  // IViewObject, IViewObject2
  STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDc, HDC dc,
                    LPCRECTL bounds, LPCRECTL wbounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR arg) override;
  STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC dc,
                           LOGPALETTE** colors) override;
  STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
  STDMETHODIMP Unfreeze(DWORD freeze) override;
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
  STDMETHODIMP OnMnemonic(MSG* msg) override;
  STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
  STDMETHODIMP FreezeEvents(BOOL freeze) override;

  CKT5Ctrl& Control() { return *ctrl_; }

 private:
  KT5CtrlObject(ControlServices services, std::shared_ptr<ControlWindowHandle> window, ITypeLib* lib, ITypeInfo* info,
                ITypeInfo* classInfo);
  ~KT5CtrlObject();

  // Members through the portable dispatch table.
  HRESULT Get(int32_t id, Variant* out, std::vector<Variant> args = {});
  HRESULT GetText(int32_t id, BSTR* out, std::vector<Variant> args = {});
  HRESULT GetBool(int32_t id, VARIANT_BOOL* out);
  HRESULT GetShort(int32_t id, short* out);
  HRESULT Put(int32_t id, Variant value);
  HRESULT Call(int32_t id, std::vector<Variant> args = {}, Variant* out = nullptr);
  // More arguments than the member takes.
  bool TooManyArguments(DISPID id, WORD flags, const DISPPARAMS& params) const;
  // The page's address, asked from the host each time the page's trust is
  // about to be judged.
  void EnsurePageUrl();
  HRESULT ActivateInPlace(LONG verb);

  LONG refs_ = 1;
  ITypeLib* typeLib_;
  ITypeInfo* typeInfo_;
  ITypeInfo* classInfo_;
  std::unique_ptr<CKT5Ctrl> ctrl_;
  std::unique_ptr<ControlWindow> window_;
  std::shared_ptr<ControlWindowHandle> windowHandle_;
  EventConnectionPoint* events_ = nullptr;
  ControlExtent extent_{};  // HIMETRIC
  DWORD safety_ = 0;
  bool uiActive_ = false;
  IOleClientSite* site_ = nullptr;
  IOleInPlaceSite* inPlaceSite_ = nullptr;
  IOleAdviseHolder* oleAdvise_ = nullptr;
  IAdviseSink* viewAdvise_ = nullptr;
};

}  // namespace vard::com
