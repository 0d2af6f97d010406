#include "tools/win32/kt5container/ContainerScript.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "common/platform/Clock.h"
#include "common/text/Utf.h"
#include "control/DispatchIds.h"
#include "control/win32/Bstr.h"
#include "control/win32/ComVariant.h"
#include "tools/win32/kt5container/Screenshot.h"
#include "tools/kt5host/ScriptLine.h"

namespace vard::container {
namespace {

constexpr UINT kChildDialogEnd = WM_USER + 1;

std::wstring WideOf(const std::string& utf8) { return std::wstring(com::Wide(Utf8ToUtf16(utf8))); }
std::string Utf8Of(const std::wstring& w) { return Utf16ToUtf8(com::FromWide(w.c_str())); }

std::string Hex(HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  return code;
}

// The menu that is open now, read while its modal loop runs; the shot is
// taken, then the menu is closed.
struct OpenMenu {
  std::vector<std::string> lines;
  std::wstring shot;
  HWND frame = nullptr;
  bool seen = false;
};
OpenMenu* g_menu = nullptr;

void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND popup = FindWindowW(L"#32768", nullptr);
  if (!g_menu || !popup) return;
  KillTimer(nullptr, timer);
  g_menu->seen = true;
  auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
  for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    if (state & MF_SEPARATOR) {
      g_menu->lines.push_back("  menu ----");
      continue;
    }
    wchar_t text[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
    g_menu->lines.push_back("  menu " + std::to_string(GetMenuItemID(menu, i)) + " " + Utf8Of(text) +
                            ((state & MF_GRAYED) ? " (grayed)" : ""));
  }
  RedrawWindow(popup, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  if (!g_menu->shot.empty()) SaveWindowShot(g_menu->frame, g_menu->shot);
  EndMenu();
}

// What happens to the next dialog box of this thread: Start is pressed,
// then after a number of timer ticks the screen is pictured; or Cancel.
struct DialogPlan {
  bool cancel = false;
  bool closeAfterShot = false;  // a question pictured, then closed
  int ticksBeforeShot = 0;
  std::wstring shot;
  HWND dialog = nullptr;
  int ticks = 0;
};
DialogPlan g_plan;
constexpr UINT kPlanTickMs = 100;

BOOL CALLBACK TakeVisibleDialog(HWND hwnd, LPARAM lp) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (!IsWindowVisible(hwnd) || std::wstring(name) != L"#32770") return TRUE;
  *reinterpret_cast<HWND*>(lp) = hwnd;
  return FALSE;
}

HWND VisibleDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &TakeVisibleDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

void CALLBACK FollowDialogPlan(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!g_plan.dialog) {
    g_plan.dialog = VisibleDialog();
    if (!g_plan.dialog) return;
    if (!g_plan.closeAfterShot) PostMessageW(g_plan.dialog, WM_COMMAND, g_plan.cancel ? IDCANCEL : IDOK, 0);
    if (g_plan.cancel || g_plan.shot.empty()) KillTimer(nullptr, timer);
    return;
  }
  if (++g_plan.ticks < g_plan.ticksBeforeShot) return;
  KillTimer(nullptr, timer);
  SaveWindowShot(g_plan.dialog, g_plan.shot);
  if (g_plan.closeAfterShot) PostMessageW(g_plan.dialog, WM_CLOSE, 0, 0);
}

// The control window's child made from the download template.
HWND EmbeddedDialog(HWND control) {
  for (HWND child = GetWindow(control, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetDlgItem(child, 204) && GetDlgItem(child, 206)) return child;
  return nullptr;
}

}  // namespace

Variant ScriptResult(const VARIANT& v) {
  if (V_VT(&v) == (VT_ARRAY | VT_VARIANT)) {
    std::vector<int32_t> rows;
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(V_ARRAY(&v), 1, &lo);
    SafeArrayGetUBound(V_ARRAY(&v), 1, &hi);
    for (LONG i = lo; i <= hi; ++i) {
      VARIANT e;
      VariantInit(&e);
      SafeArrayGetElement(V_ARRAY(&v), &i, &e);
      Variant n;
      com::FromComVariant(e, &n);
      rows.push_back(static_cast<int32_t>(n.number));
      VariantClear(&e);
    }
    return Variant::ArrayI4(std::move(rows));
  }
  Variant out;
  com::FromComVariant(v, &out);
  // A null string is an unset result.
  if (V_VT(&v) == VT_BSTR && !V_BSTR(&v)) out = Variant();
  return out;
}

ContainerScript::ContainerScript(std::ostream& out, HWND frame)
    : out_(out), frame_(frame), control_(frame), params_(new ParamBag()) {}

ContainerScript::~ContainerScript() {
  control_.Close();
  params_->Release();
}

bool ContainerScript::Start(const std::wstring& progId) {
  const HRESULT hr = control_.Create(progId, [this](const ReceivedEvent& e) {
    ++events_;
    out_ << "  event " << Utf16ToUtf8(std::u16string(dispid::EventName(e.id))) << "(";
    for (size_t i = 0; i < e.args.size(); ++i) out_ << (i ? ", " : "") << FormatVariant(ScriptResult(e.args[i]));
    out_ << ")\n";
  });
  if (FAILED(hr)) out_ << "cannot create " << Utf8Of(progId) << ": " << Hex(hr) << "\n";
  return SUCCEEDED(hr);
}

bool ContainerScript::Reject(const std::string& reason) {
  out_ << "  line " << lineNumber_ << ": " << reason << "\n";
  return false;
}

void ContainerScript::LoadParams() {
  if (paramsLoaded_) return;
  paramsLoaded_ = true;
  control_.LoadParams(*params_);
}

bool ContainerScript::EnsureCreated() {
  LoadParams();
  if (created_) return true;
  const HRESULT hr = control_.Activate();
  if (FAILED(hr)) return Reject("the control did not activate: " + Hex(hr));
  created_ = true;
  Pump();
  return true;
}

bool ContainerScript::StartEmbedded(uint32_t shotMs, const std::wstring& shot) {
  const HWND dialog = control_.Window() ? EmbeddedDialog(control_.Window()) : nullptr;
  if (!dialog) return false;
  const uint64_t before = events_;
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  bool pictured = shot.empty();
  const uint32_t started = platform::SystemClock().TickCount();
  return platform::SystemClock().WaitUntil([&] {
    Pump();
    if (!pictured && platform::SystemClock().TickCount() - started >= shotMs) {
      pictured = true;
      SaveWindowShot(frame_, shot);
    }
    return events_ != before;
  }, 120000, 20);
}

void ContainerScript::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (control_.TranslateAccelerator(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  UpdateWindow(frame_);
}

bool ContainerScript::Member(WORD flags, const std::vector<std::string>& words) {
  const std::string& cmd = words[0];
  if (words.size() < 2) return Reject(cmd + (flags == DISPATCH_PROPERTYPUT ? " needs a member name and a value"
                                                                           : " needs a member name"));
  const std::string name = Unquoted(words[1]);
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(control_.IdOfName(WideOf(name), &id))) return Reject("no member named " + name);
  std::vector<VARIANT> args;
  for (size_t i = 2; i < words.size(); ++i) {
    VARIANT v;
    VariantInit(&v);
    com::ToComVariant(ParseScriptValue(words[i]), &v);
    args.push_back(v);
  }
  VARIANT result;
  VariantInit(&result);
  const HRESULT hr = control_.Invoke(id, flags, args, flags == DISPATCH_PROPERTYPUT ? nullptr : &result);
  for (VARIANT& v : args) VariantClear(&v);
  if (FAILED(hr)) return Reject(cmd + " " + name + " failed with " + Hex(hr));
  out_ << "  = " << (flags == DISPATCH_PROPERTYPUT ? std::string("ok") : FormatVariant(ScriptResult(result))) << "\n";
  VariantClear(&result);
  Pump();
  return true;
}

void ContainerScript::Click(int32_t row, bool twice) {
  HWND list = control_.List();
  // A click selects the row under the mouse before the control hears of it.
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  NMITEMACTIVATE n = {};
  n.hdr.hwndFrom = list;
  n.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
  n.hdr.code = twice ? NM_DBLCLK : NM_CLICK;
  n.iItem = row;
  SendMessageW(control_.Window(), WM_NOTIFY, n.hdr.idFrom, reinterpret_cast<LPARAM>(&n));
}

void ContainerScript::Menu(uint16_t choice, const std::wstring& shot) {
  HWND list = control_.List();
  RECT r = {};
  const int first = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (first < 0 || !ListView_GetItemRect(list, first, &r, LVIR_LABEL)) GetClientRect(list, &r);
  POINT p = {r.left + 20, r.top + (r.bottom - r.top) / 2};
  ClientToScreen(list, &p);
  OpenMenu menu;
  menu.shot = shot;
  menu.frame = frame_;
  g_menu = &menu;
  SetTimer(nullptr, 0, 300, &ReadOpenMenu);
  SendMessageW(control_.Window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(p.x, p.y));
  g_menu = nullptr;
  for (const std::string& line : menu.lines) out_ << line << "\n";
  if (!menu.seen) out_ << "  (no menu)\n";
  // Choosing an entry sends its command to the control window.
  if (choice && menu.seen) {
    const std::string wanted = "  menu " + std::to_string(choice) + " ";
    for (const std::string& line : menu.lines)
      if (line.rfind(wanted, 0) == 0 && line.find("(grayed)") == std::string::npos)
        SendMessageW(control_.Window(), WM_COMMAND, choice, 0);
  }
}

void ContainerScript::Show() {
  HWND list = control_.List();
  HWND header = ListView_GetHeader(list);
  const int columns = Header_GetItemCount(header);
  const int rows = ListView_GetItemCount(list);
  const LONG_PTR type = GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK;
  const char* mode = type == LVS_ICON ? "icon" : type == LVS_SMALLICON ? "small icon" : type == LVS_LIST ? "list" : "report";
  out_ << "  view " << mode << ", " << rows << " row(s)\n  columns:";
  for (int c = 0; c < columns; ++c) {
    wchar_t title[128] = {};
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = title;
    col.cchTextMax = 128;
    ListView_GetColumn(list, c, &col);
    out_ << " [" << Utf8Of(title) << " " << col.cx << "]";
  }
  out_ << "\n";
  for (int r = 0; r < rows; ++r) {
    const bool selected = ListView_GetItemState(list, r, LVIS_SELECTED) & LVIS_SELECTED;
    out_ << (selected ? "  *" : "   ") << r << ":";
    for (int c = 0; c < std::max(columns, 1); ++c) {
      wchar_t text[512] = {};
      ListView_GetItemText(list, r, c, text, 512);
      out_ << " | " << Utf8Of(text);
    }
    out_ << "\n";
  }
  HWND status = control_.StatusBar();
  RECT bar = {};
  // A status bar turned off keeps its window, with no height.
  if (status && IsWindowVisible(status) && GetWindowRect(status, &bar) && bar.bottom > bar.top) {
    out_ << "  status:";
    for (int part = 0; part < 2; ++part) {
      wchar_t text[512] = {};
      if (LOWORD(SendMessageW(status, SB_GETTEXTLENGTHW, part, 0)) < 512)
        SendMessageW(status, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
      out_ << " [" << Utf8Of(text) << "]";
    }
    out_ << "\n";
  }
}

void ContainerScript::Resize(int32_t w, int32_t h) {
  RECT r = {0, 0, w, h};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(frame_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(frame_, GWL_EXSTYLE)));
  SetWindowPos(frame_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  control_.FitToHost();
}

bool ContainerScript::RunLine(const std::string& line) {
  ++lineNumber_;
  bool closed = true;
  const std::vector<std::string> words = SplitScriptLine(line, &closed);
  if (words.empty() || words[0][0] == '#') return true;
  out_ << "> " << line << "\n";
  if (!closed) return Reject("a quote is not closed");
  const bool ok = Command(words);
  out_.flush();
  return ok;
}

bool ContainerScript::Command(const std::vector<std::string>& words) {
  const std::string& cmd = words[0];
  const size_t argc = words.size() - 1;
  auto number = [&](size_t i, int64_t* v) {
    return i <= argc && ParseWhole(Unquoted(words[i]), v) == Whole::kNumber && *v >= INT32_MIN && *v <= INT32_MAX;
  };
  int64_t a = 0, b = 0;
  if (cmd == "get" || cmd == "call") {
    LoadParams();
    return Member(cmd == "get" ? DISPATCH_PROPERTYGET : DISPATCH_METHOD | DISPATCH_PROPERTYGET, words);
  }
  if (cmd == "put") {
    LoadParams();
    return Member(DISPATCH_PROPERTYPUT, words);
  }
  if (cmd == "param") {
    if (argc < 2) return Reject("usage: param NAME VALUE");
    params_->SetText(WideOf(Unquoted(words[1])), WideOf(Unquoted(words[2])));
  } else if (cmd == "pageurl") {
    if (argc < 1) return Reject("usage: pageurl URL");
    control_.SetPageUrl(WideOf(Unquoted(words[1])));
  } else if (cmd == "create") {
    if (argc >= 2) {
      if (!number(1, &a) || !number(2, &b)) return Reject("usage: create [W H]");
      Resize(static_cast<int32_t>(a), static_cast<int32_t>(b));
    }
    return EnsureCreated();
  } else if (cmd == "resize") {
    if (!number(1, &a) || !number(2, &b)) return Reject("usage: resize W H");
    Resize(static_cast<int32_t>(a), static_cast<int32_t>(b));
  } else if (!created_ && cmd != "shot") {
    return Reject(cmd + " needs the control's window: create it first");
  } else if (cmd == "select") {
    HWND list = control_.List();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (size_t i = 1; i <= argc; ++i) {
      if (!number(i, &a)) return Reject(Unquoted(words[i]) + " is not a row number");
      ListView_SetItemState(list, static_cast<int>(a), LVIS_SELECTED, LVIS_SELECTED);
    }
  } else if (cmd == "click" || cmd == "dblclick") {
    if (!number(1, &a)) return Reject("usage: " + cmd + " ROW");
    Click(static_cast<int32_t>(a), cmd == "dblclick");
  } else if (cmd == "menu") {
    // "menu [ID] [FILE]": the open menu is listed (and pictured), then ID
    // is chosen.
    size_t next = 1;
    if (argc >= 1 && number(1, &a)) next = 2;
    else a = 0;
    const std::wstring shot = argc >= next ? WideOf(Unquoted(words[next])) : L"";
    Menu(static_cast<uint16_t>(a), shot);
  } else if (cmd == "command") {
    if (!number(1, &a)) return Reject("usage: command ID");
    SendMessageW(control_.Window(), WM_COMMAND, static_cast<WPARAM>(a & 0xFFFF), 0);
  } else if (cmd == "childstart") {
    // "childstart [MS FILE]": Start in the embedded dialog, until its end.
    if (argc >= 2 && !number(1, &a)) return Reject("usage: childstart [MS FILE]");
    if (!StartEmbedded(argc >= 2 ? static_cast<uint32_t>(a) : 0, argc >= 2 ? WideOf(Unquoted(words[2])) : L""))
      return Reject("no embedded download dialog, or its run did not end");
  } else if (cmd == "childend") {
    if (!number(1, &a)) return Reject("usage: childend CODE");
    SendMessageW(control_.Window(), kChildDialogEnd, static_cast<WPARAM>(a), 0);
  } else if (cmd == "show") {
    Show();
  } else if (cmd == "shot") {
    if (argc < 1) return Reject("usage: shot FILE");
    Pump();
    if (!SaveWindowShot(frame_, WideOf(Unquoted(words[1])))) return Reject("no picture taken");
  } else if (cmd == "dialog") {
    // "dialog start [MS FILE]", "dialog picture MS FILE" (pictured, then
    // closed) or "dialog cancel": for the next dialog box.
    g_plan = DialogPlan();
    if (argc >= 1 && Unquoted(words[1]) == "cancel") {
      g_plan.cancel = true;
    } else if (argc >= 3 && Unquoted(words[1]) == "picture") {
      if (!number(2, &a)) return Reject("usage: dialog picture MS FILE");
      g_plan.closeAfterShot = true;
      g_plan.ticksBeforeShot = static_cast<int>(a / kPlanTickMs);
      g_plan.shot = WideOf(Unquoted(words[3]));
    } else if (argc >= 1 && Unquoted(words[1]) == "start") {
      if (argc >= 3) {
        if (!number(2, &a)) return Reject("usage: dialog start [MS FILE] | dialog cancel");
        g_plan.ticksBeforeShot = static_cast<int>(a / kPlanTickMs);
        g_plan.shot = WideOf(Unquoted(words[3]));
      }
    } else {
      return Reject("usage: dialog start [MS FILE] | dialog picture MS FILE | dialog cancel");
    }
    SetTimer(nullptr, 0, kPlanTickMs, &FollowDialogPlan);
  } else if (cmd == "dialogresult" || cmd == "answer" || cmd == "drop") {
    return Reject(cmd + " is for the console's dialogs; the real dialogs answer in their windows");
  } else {
    return Reject("cannot understand this line: no command " + Unquoted(cmd));
  }
  Pump();
  return true;
}

bool ContainerScript::Run(std::istream& script) {
  bool ok = true;
  std::string line;
  for (;;) {
    const LineRead read = ReadScriptLine(script, line);
    if (read == LineRead::kEnd) break;
    if (read == LineRead::kTooLong) {
      ++lineNumber_;
      ok = Reject("longer than " + std::to_string(kMaxScriptLine) + " bytes; skipped") && ok;
      continue;
    }
    ok = RunLine(line) && ok;
  }
  return ok;
}

}  // namespace vard::container
