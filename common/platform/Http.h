#pragma once
// The HTTP service, shaped like the WinINet calls the HTTP layer makes.
// Win32: WinINet itself. POSIX: libcurl, pulling the body as the caller asks
// for it. Failures return null/false and leave a Win32 error number in
// LastError() (FileSystem.h) on both targets.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vard::platform {

using InternetHandle = void*;

namespace inet {
// Error numbers (WinINet's).
constexpr uint32_t kInsufficientBuffer = 122;
constexpr uint32_t kTimeout = 12002;
constexpr uint32_t kInternalError = 12004;
constexpr uint32_t kInvalidUrl = 12005;
constexpr uint32_t kUnrecognizedScheme = 12006;
constexpr uint32_t kNameNotResolved = 12007;
constexpr uint32_t kOperationCancelled = 12017;
constexpr uint32_t kIncorrectHandleType = 12018;
constexpr uint32_t kIncorrectHandleState = 12019;
constexpr uint32_t kCannotConnect = 12029;
constexpr uint32_t kConnectionAborted = 12030;
constexpr uint32_t kConnectionReset = 12031;
constexpr uint32_t kInvalidCa = 12045;  // the server's certificate is not trusted
constexpr uint32_t kHeaderNotFound = 12150;
constexpr uint32_t kInvalidServerResponse = 12152;
constexpr uint32_t kRedirectFailed = 12156;  // another scheme, or too many hops

// Handle options (InternetSetOptionW's numbers). The timeouts are a uint32_t
// of milliseconds (0xFFFFFFFF: none); a handle's values pass to the handles
// opened from it afterwards. A receive timeout counts time without a byte.
constexpr uint32_t kOptionConnectTimeout = 2;
constexpr uint32_t kOptionSendTimeout = 5;
constexpr uint32_t kOptionReceiveTimeout = 6;
// The URL a request's answer came from, after its redirects: text, asked
// with QueryOption once the answer's headers are in.
constexpr uint32_t kOptionUrl = 34;
constexpr uint32_t kDefaultConnectTimeoutMs = 60000;
constexpr uint32_t kDefaultSendTimeoutMs = 30000;
constexpr uint32_t kDefaultReceiveTimeoutMs = 30000;
// Where each user may change the defaults: DWORD values ConnectTimeout,
// SendTimeout and ReceiveTimeout (milliseconds), read when a session opens.
constexpr char16_t kInternetSettingsKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
// Followed redirects of one request, at most.
constexpr uint32_t kMaxRedirects = 20;

constexpr uint32_t kOpenTypePreconfig = 0;
constexpr uint32_t kServiceHttp = 3;
constexpr uint16_t kDefaultHttpPort = 80;

// Request flags. Reload, no-cache-write (on a GET) and forms-submit change
// nothing on the wire, and POSIX keeps no cache: they mean nothing there.
constexpr uint32_t kFlagReload = 0x80000000u;
constexpr uint32_t kFlagNoCacheWrite = 0x04000000u;
constexpr uint32_t kFlagSecure = 0x00800000u;  // a request over TLS
constexpr uint32_t kFlagKeepConnection = 0x00400000u;
constexpr uint32_t kFlagNoAutoRedirect = 0x00200000u;
constexpr uint32_t kFlagNoCookies = 0x00080000u;  // none sent, none stored
constexpr uint32_t kFlagPragmaNoCache = 0x00000100u;
constexpr uint32_t kFlagFormsSubmit = 0x00000040u;

// Header queries.
constexpr uint32_t kQueryContentLength = 5;
constexpr uint32_t kQueryStatusCode = 19;
constexpr uint32_t kQueryRawHeadersCrlf = 22;
constexpr uint32_t kQueryContentType = 1;
constexpr uint32_t kQueryLastModified = 11;
constexpr uint32_t kQueryStatusText = 20;
constexpr uint32_t kQueryContentEncoding = 29;
constexpr uint32_t kQueryLocation = 33;
constexpr uint32_t kQueryAcceptRanges = 42;
constexpr uint32_t kQueryContentDisposition = 47;
constexpr uint32_t kQueryContentRange = 53;
constexpr uint32_t kQueryFlagNumber = 0x20000000u;

constexpr uint32_t kCanonBrowserMode = 0x02000000u;

enum class Scheme : int { kUnknown = -1, kDefault = 0, kFtp = 1, kHttp = 3, kHttps = 4, kFile = 5 };
}  // namespace inet

// One split URL (InternetCrackUrlW's parts; extra is query and fragment).
struct UrlComponents {
  std::u16string scheme;
  std::u16string host;
  std::u16string user;
  std::u16string password;
  std::u16string path;
  std::u16string extra;
  uint16_t port = 0;
  inet::Scheme schemeNumber = inet::Scheme::kUnknown;
};

// Begins readying the HTTP stack on a thread of its own, for a program that
// will soon make requests, so its first session does not wait for it; where
// the system loads the stack with the program there is nothing to do.
void StartLoadingHttp();
// Waits for a load of the stack that has begun (early, or for a first
// session on any thread) and keeps an early one that has not begun from
// beginning: a process must not tear down while the stack starts, so a
// program finishes the load before it leaves main (HttpLoadScope).
void FinishLoadingHttp();

// A program's main holds one: the early load, if asked for, starts with it,
// and any load is over when it ends, before the process's exit handlers run.
class HttpLoadScope {
 public:
  explicit HttpLoadScope(bool startEarly) {
    if (startEarly) StartLoadingHttp();
  }
  ~HttpLoadScope() { FinishLoadingHttp(); }
  HttpLoadScope(const HttpLoadScope&) = delete;
  HttpLoadScope& operator=(const HttpLoadScope&) = delete;
};

// Session, connection, request and URL handles. A null agent is allowed.
InternetHandle OpenSession(const char16_t* agent, uint32_t accessType, const char16_t* proxy,
                           const char16_t* proxyBypass, uint32_t flags);
InternetHandle ConnectServer(InternetHandle session, const char16_t* server, uint16_t port,
                             const char16_t* user, const char16_t* password, uint32_t service,
                             uint32_t flags, uintptr_t context);
// acceptTypes: null-terminated list, or null.
InternetHandle OpenRequest(InternetHandle connection, const char16_t* verb, const char16_t* object,
                           const char16_t* version, const char16_t* referrer,
                           const char16_t* const* acceptTypes, uint32_t flags, uintptr_t context);
// Sends a GET (following redirects) and returns once the final response's
// headers are in. headersLength may be (uint32_t)-1 for a terminated text.
InternetHandle OpenUrl(InternetHandle session, const char16_t* url, const char16_t* headers,
                       uint32_t headersLength, uint32_t flags, uintptr_t context);

// HttpQueryInfoW: with kQueryFlagNumber the value is a uint32_t, else text
// (UTF-16, length in bytes, terminator not counted on success).
bool QueryInfo(InternetHandle request, uint32_t query, void* buffer, uint32_t* length,
               uint32_t* index);
bool QueryDataAvailable(InternetHandle file, uint32_t* available);
bool ReadData(InternetHandle file, void* buffer, uint32_t count, uint32_t* read);
bool WriteData(InternetHandle file, const void* buffer, uint32_t count, uint32_t* written);
bool SendRequestEx(InternetHandle request, const char16_t* headers, uint32_t headersLength,
                   uint32_t bodyTotal);
bool EndRequest(InternetHandle request);
// Safe from any thread: a call blocked on the handle (or on one opened from
// it) fails with kOperationCancelled.
bool CloseInternetHandle(InternetHandle handle);
// InternetSetOptionW, for the options above (POSIX: on a request only before
// it is sent; it fails with kIncorrectHandleState after).
bool SetOption(InternetHandle handle, uint32_t option, const void* buffer, uint32_t length);
// InternetQueryOptionW, for kOptionUrl: UTF-16 with its terminator, length
// in bytes in and out; a too small buffer fails with kInsufficientBuffer
// and the size needed.
bool QueryOption(InternetHandle handle, uint32_t option, void* buffer, uint32_t* length);

// The calling thread's last server response text. length: in characters,
// in and out.
bool LastResponseInfo(uint32_t* error, char16_t* buffer, uint32_t* length);

// InternetCanonicalizeUrlW: length in characters, in and out; a too small
// buffer fails with kInsufficientBuffer and the size needed.
bool CanonicalizeUrl(const char16_t* url, char16_t* buffer, uint32_t* length, uint32_t flags);
bool CrackUrl(std::u16string_view url, UrlComponents& parts);
// InternetCombineUrlW's flags that callers choose between.
namespace combine {
constexpr uint32_t kBrowserMode = 0x02000000;  // ICU_BROWSER_MODE
constexpr uint32_t kNoEncode = 0x20000000;     // ICU_NO_ENCODE
constexpr uint32_t kDecode = 0x10000000;       // ICU_DECODE
constexpr uint32_t kNoMeta = 0x08000000;       // ICU_NO_META
}  // namespace combine
bool CombineUrl(std::u16string_view base, std::u16string_view relative, std::u16string& out,
                uint32_t flags = combine::kBrowserMode);

// The cookie store the HTTP stack uses ("a=1; b=2" for a URL).
bool GetCookie(std::u16string_view url, std::u16string_view name, std::u16string& out);
bool SetCookie(std::u16string_view url, std::u16string_view name, std::u16string_view data);
// Whether a cookie GetCookie gives for `url` is Secure; none where the store
// cannot say (WinINet's does not).
std::optional<bool> AnySecureCookie(std::u16string_view url);

}  // namespace vard::platform
