#pragma once
// What regsvr32 writes for the control and takes away again: the class and
// its ProgIDs, the in-process server, the control's keys, its safe
// component categories, the AppID and the type library.
#include <windows.h>

#include <string>

namespace vard::com {

inline constexpr wchar_t kProgId[] = L"VardKT5.KT5Ctrl.1";
inline constexpr wchar_t kVersionIndependentProgId[] = L"VardKT5.KT5Ctrl";
inline constexpr wchar_t kDescription[] = L"VardKT Ver.5 (REengineered)";
inline constexpr wchar_t kAppId[] = L"{075A21F9-A15F-4FBA-94AC-B8744C8D1F88}";
// Safe for scripting and safe for initialization.
inline constexpr wchar_t kCatSafeForScripting[] = L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
inline constexpr wchar_t kCatSafeForInitializing[] = L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}";

std::wstring GuidText(const GUID& guid);

// `module` is the server's full path.
HRESULT RegisterServer(const std::wstring& module);
HRESULT UnregisterServer(const std::wstring& module);

}  // namespace vard::com
