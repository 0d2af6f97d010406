// The HTTP service on WinINet itself.
#include "common/platform/Http.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

namespace vard::platform {
namespace {

const wchar_t* W(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
wchar_t* W(char16_t* s) { return reinterpret_cast<wchar_t*>(s); }
HINTERNET H(InternetHandle h) { return static_cast<HINTERNET>(h); }

}  // namespace

// WinINet comes with the program.
void StartLoadingHttp() {}
void FinishLoadingHttp() {}

InternetHandle OpenSession(const char16_t* agent, uint32_t accessType, const char16_t* proxy,
                           const char16_t* proxyBypass, uint32_t flags) {
  HINTERNET h = ::InternetOpenW(W(agent), accessType, W(proxy), W(proxyBypass), flags);
  if (h) {
    // Answers compressed because a caller asked for gzip/deflate reach it
    // decoded; requests inherit this from their session.
    BOOL on = TRUE;
    ::InternetSetOptionW(h, INTERNET_OPTION_HTTP_DECODING, &on, sizeof on);
  }
  return h;
}

InternetHandle ConnectServer(InternetHandle session, const char16_t* server, uint16_t port,
                             const char16_t* user, const char16_t* password, uint32_t service,
                             uint32_t flags, uintptr_t context) {
  return ::InternetConnectW(H(session), W(server), port, W(user), W(password), service, flags,
                            context);
}

InternetHandle OpenRequest(InternetHandle connection, const char16_t* verb, const char16_t* object,
                           const char16_t* version, const char16_t* referrer,
                           const char16_t* const* acceptTypes, uint32_t flags, uintptr_t context) {
  return ::HttpOpenRequestW(H(connection), W(verb), W(object), W(version), W(referrer),
                            reinterpret_cast<const wchar_t**>(const_cast<const char16_t**>(acceptTypes)),
                            flags, context);
}

InternetHandle OpenUrl(InternetHandle session, const char16_t* url, const char16_t* headers,
                       uint32_t headersLength, uint32_t flags, uintptr_t context) {
  return ::InternetOpenUrlW(H(session), W(url), W(headers), headersLength, flags, context);
}

bool QueryInfo(InternetHandle request, uint32_t query, void* buffer, uint32_t* length,
               uint32_t* index) {
  DWORD len = length ? *length : 0;
  DWORD idx = index ? *index : 0;
  const BOOL ok = ::HttpQueryInfoW(H(request), query, buffer, &len, index ? &idx : nullptr);
  if (length) *length = len;
  if (index) *index = idx;
  return ok != FALSE;
}

bool QueryDataAvailable(InternetHandle file, uint32_t* available) {
  DWORD n = 0;
  const BOOL ok = ::InternetQueryDataAvailable(H(file), &n, 0, 0);
  if (available) *available = n;
  return ok != FALSE;
}

bool ReadData(InternetHandle file, void* buffer, uint32_t count, uint32_t* read) {
  DWORD n = 0;
  const BOOL ok = ::InternetReadFile(H(file), buffer, count, &n);
  if (read) *read = n;
  return ok != FALSE;
}

bool WriteData(InternetHandle file, const void* buffer, uint32_t count, uint32_t* written) {
  DWORD n = 0;
  const BOOL ok = ::InternetWriteFile(H(file), buffer, count, &n);
  if (written) *written = n;
  return ok != FALSE;
}

bool SendRequestEx(InternetHandle request, const char16_t* headers, uint32_t headersLength,
                   uint32_t bodyTotal) {
  INTERNET_BUFFERSW buffers{};
  buffers.dwStructSize = sizeof buffers;
  buffers.lpcszHeader = W(headers);
  buffers.dwHeadersLength = headersLength;
  buffers.dwHeadersTotal = headersLength;
  buffers.dwBufferTotal = bodyTotal;
  return ::HttpSendRequestExW(H(request), &buffers, nullptr, 0, 0) != FALSE;
}

bool EndRequest(InternetHandle request) {
  return ::HttpEndRequestW(H(request), nullptr, 0, 0) != FALSE;
}

bool CloseInternetHandle(InternetHandle handle) { return ::InternetCloseHandle(H(handle)) != FALSE; }

bool SetOption(InternetHandle handle, uint32_t option, const void* buffer, uint32_t length) {
  return ::InternetSetOptionW(H(handle), option, const_cast<void*>(buffer), length) != FALSE;
}

bool QueryOption(InternetHandle handle, uint32_t option, void* buffer, uint32_t* length) {
  DWORD len = length ? *length : 0;
  const BOOL ok = ::InternetQueryOptionW(H(handle), option, buffer, &len);
  if (length) *length = len;
  return ok != FALSE;
}

bool LastResponseInfo(uint32_t* error, char16_t* buffer, uint32_t* length) {
  DWORD err = 0, len = length ? *length : 0;
  const BOOL ok = ::InternetGetLastResponseInfoW(&err, W(buffer), &len);
  if (error) *error = err;
  if (length) *length = len;
  return ok != FALSE;
}

bool CanonicalizeUrl(const char16_t* url, char16_t* buffer, uint32_t* length, uint32_t flags) {
  DWORD len = length ? *length : 0;
  const BOOL ok = ::InternetCanonicalizeUrlW(W(url), W(buffer), &len, flags);
  if (length) *length = len;
  return ok != FALSE;
}

bool CrackUrl(std::u16string_view url, UrlComponents& parts) {
  parts = UrlComponents();
  const std::u16string text(url);
  URL_COMPONENTSW c{};
  c.dwStructSize = sizeof c;
  // Zero-length buffers with nonzero lengths: WinINet points into the URL.
  c.dwSchemeLength = c.dwHostNameLength = c.dwUserNameLength = 1;
  c.dwPasswordLength = c.dwUrlPathLength = c.dwExtraInfoLength = 1;
  if (!::InternetCrackUrlW(W(text.c_str()), static_cast<DWORD>(text.size()), 0, &c)) return false;
  auto take = [](const wchar_t* p, DWORD n) {
    return p ? std::u16string(reinterpret_cast<const char16_t*>(p), n) : std::u16string();
  };
  parts.scheme = take(c.lpszScheme, c.dwSchemeLength);
  parts.host = take(c.lpszHostName, c.dwHostNameLength);
  parts.user = take(c.lpszUserName, c.dwUserNameLength);
  parts.password = take(c.lpszPassword, c.dwPasswordLength);
  parts.path = take(c.lpszUrlPath, c.dwUrlPathLength);
  parts.extra = take(c.lpszExtraInfo, c.dwExtraInfoLength);
  parts.port = c.nPort;
  parts.schemeNumber = static_cast<inet::Scheme>(c.nScheme);
  return true;
}

bool CombineUrl(std::u16string_view base, std::u16string_view relative, std::u16string& out, uint32_t flags) {
  const std::u16string b(base), r(relative);
  DWORD len = 0;
  ::InternetCombineUrlW(W(b.c_str()), W(r.c_str()), nullptr, &len, flags);
  std::vector<wchar_t> buffer(len + 2);
  len = static_cast<DWORD>(buffer.size());
  if (!::InternetCombineUrlW(W(b.c_str()), W(r.c_str()), buffer.data(), &len, flags))
    return false;
  out.assign(reinterpret_cast<const char16_t*>(buffer.data()), len);
  return true;
}

bool GetCookie(std::u16string_view url, std::u16string_view name, std::u16string& out) {
  const std::u16string u(url), n(name);
  DWORD len = 0;
  const wchar_t* namePtr = n.empty() ? nullptr : W(n.c_str());
  ::InternetGetCookieW(W(u.c_str()), namePtr, nullptr, &len);
  if (len == 0) return false;
  std::vector<wchar_t> buffer(len / sizeof(wchar_t) + 2);
  len = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (!::InternetGetCookieW(W(u.c_str()), namePtr, buffer.data(), &len)) return false;
  out = reinterpret_cast<const char16_t*>(buffer.data());
  return true;
}

bool SetCookie(std::u16string_view url, std::u16string_view name, std::u16string_view data) {
  const std::u16string u(url), n(name), d(data);
  return ::InternetSetCookieW(W(u.c_str()), n.empty() ? nullptr : W(n.c_str()), W(d.c_str())) !=
         FALSE;
}

// WinINet names no cookie's attributes to its callers.
std::optional<bool> AnySecureCookie(std::u16string_view) { return std::nullopt; }

}  // namespace vard::platform
