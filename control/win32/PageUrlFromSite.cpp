#include "control/win32/PageUrlFromSite.h"

#include <exdisp.h>
#include <servprov.h>
#include <shlguid.h>

#include "control/win32/Bstr.h"

namespace vard::com {
namespace {

template <typename T>
void ReleaseAndClear(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

std::u16string FromMoniker(IOleClientSite* site) {
  IMoniker* mk = nullptr;
  if (FAILED(site->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_CONTAINER, &mk)) || !mk) return {};
  std::u16string url;
  IBindCtx* ctx = nullptr;
  LPOLESTR name = nullptr;
  if (SUCCEEDED(CreateBindCtx(0, &ctx)) && SUCCEEDED(mk->GetDisplayName(ctx, nullptr, &name)) && name) {
    url = FromWide(name);
    CoTaskMemFree(name);
  }
  ReleaseAndClear(ctx);
  ReleaseAndClear(mk);
  return url;
}

std::u16string FromBrowser(IOleClientSite* site) {
  IServiceProvider* provider = nullptr;
  if (FAILED(site->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&provider)))) return {};
  std::u16string url;
  IWebBrowser2* browser = nullptr;
  if (SUCCEEDED(provider->QueryService(SID_SWebBrowserApp, IID_IWebBrowser2, reinterpret_cast<void**>(&browser)))) {
    BSTR location = nullptr;
    if (SUCCEEDED(browser->get_LocationURL(&location))) url = FromBstr(location);
    SysFreeString(location);
  }
  ReleaseAndClear(browser);
  ReleaseAndClear(provider);
  return url;
}

std::u16string FromDocument(IOleClientSite* site) {
  IOleContainer* container = nullptr;
  if (FAILED(site->GetContainer(&container)) || !container) return {};
  std::u16string url;
  IDispatch* document = nullptr;
  if (SUCCEEDED(container->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&document)))) {
    LPOLESTR name = const_cast<LPOLESTR>(L"URL");
    DISPID id = DISPID_UNKNOWN;
    VARIANT v;
    VariantInit(&v);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    if (SUCCEEDED(document->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)) &&
        SUCCEEDED(document->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &v, nullptr,
                                   nullptr)) &&
        V_VT(&v) == VT_BSTR)
      url = FromBstr(V_BSTR(&v));
    VariantClear(&v);
  }
  ReleaseAndClear(document);
  ReleaseAndClear(container);
  return url;
}

}  // namespace

std::u16string PageUrlFromSite(IOleClientSite* site) {
  if (!site) return {};
  std::u16string url = FromMoniker(site);
  if (url.empty()) url = FromBrowser(site);
  if (url.empty()) url = FromDocument(site);
  return url;
}

}  // namespace vard::com
