#include "agent/win32/WindowsFrameWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "agent/views/FramePresenter.h"
#include "agent/views/MainFrame.h"
#include "agent/win32/AgentResources.h"
#include "common/platform/Environment.h"
#include "common/platform/win32/EventLoopImpl.h"

namespace vard::agentwin {
namespace {

constexpr DWORD kFrameStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
constexpr UINT_PTR kSubclassId = 0x4652;
// Between hiding and the animation toward the notification area.
constexpr uint32_t kHideAnimationDelayMs = 100;

bool IsInputMessage(UINT msg) {
  return (msg >= WM_KEYFIRST && msg <= 0x0109) || (msg >= WM_MOUSEFIRST && msg <= 0x020D);
}

NOTIFYICONDATAW TrayRecord(HWND hwnd) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = hwnd;
  nid.uID = 0;
  return nid;
}

}  // namespace

WindowsFrameWindow::WindowsFrameWindow(CMainFrame& frame)
    : frame_(frame),
      hwnd_(reinterpret_cast<HWND>(frame.MainHandle())),
      trayMessage_(::RegisterWindowMessageW(Wide(kTrayMessage))),
      self_(std::make_shared<WindowsFrameWindow*>(this)) {
  const LONG_PTR visible = ::GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE;
  ::SetWindowLongPtrW(hwnd_, GWL_STYLE, static_cast<LONG_PTR>(kFrameStyle) | visible);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  const uint32_t icon = FactsOf(frame.Mode()).icon;
  ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(AgentIcon(icon, ::GetSystemMetrics(SM_CXICON))));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(AgentIcon(icon, ::GetSystemMetrics(SM_CXSMICON))));
  ::SetWindowSubclass(hwnd_, &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  std::weak_ptr<WindowsFrameWindow*> self = self_;
  frame.Loop().Internals().preTranslate.push_back([self](MSG& msg) {
    auto alive = self.lock();
    return alive && (**alive).OfferToView(msg);
  });
}

WindowsFrameWindow::~WindowsFrameWindow() {
  self_.reset();
  if (::IsWindow(hwnd_)) ::RemoveWindowSubclass(hwnd_, &SubclassProc, kSubclassId);
  RemoveTrayIcon();
}

LRESULT CALLBACK WindowsFrameWindow::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  const LRESULT result = ::DefSubclassProc(hwnd, msg, wp, lp);
  if (msg == WM_WINDOWPOSCHANGED) reinterpret_cast<WindowsFrameWindow*>(data)->OnPositionChanged();
  return result;
}

void WindowsFrameWindow::OnPositionChanged() {
  // Only what the user can see: not the minimised or hidden window.
  if (!::IsWindowVisible(hwnd_) || ::IsIconic(hwnd_)) return;
  RECT r;
  if (::GetWindowRect(hwnd_, &r)) remembered_ = r;
}

bool WindowsFrameWindow::OfferToView(MSG& msg) {
  if (!IsInputMessage(msg.message)) return false;
  HWND view = reinterpret_cast<HWND>(frame_.ViewHandle());
  return view && ::SendMessageW(view, kForwardMessage, 0, reinterpret_cast<LPARAM>(&msg)) != 0;
}

void WindowsFrameWindow::PlaceAtRemembered() {
  if (::IsIconic(hwnd_)) ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  if (!remembered_) return;
  RECT now;
  ::GetWindowRect(hwnd_, &now);
  const RECT& r = *remembered_;
  if (!::EqualRect(&now, &r))
    ::SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowsFrameWindow::AddTrayIcon(uint32_t iconId, const std::u16string& tip) {
  NOTIFYICONDATAW nid = TrayRecord(hwnd_);
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = trayMessage_;
  nid.hIcon = AgentIcon(iconId, ::GetSystemMetrics(SM_CXSMICON));
  const size_t n = std::min(tip.size(), std::size(nid.szTip) - 1);
  std::copy_n(reinterpret_cast<const wchar_t*>(tip.data()), n, nid.szTip);
  trayAccepted_ = ::Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
  trayAdded_ = true;
  shownIcon_ = iconId;
}

void WindowsFrameWindow::SetTrayIcon(uint32_t iconId) {
  if (!trayAdded_) return;
  NOTIFYICONDATAW nid = TrayRecord(hwnd_);
  nid.uFlags = NIF_ICON;
  nid.hIcon = AgentIcon(iconId, ::GetSystemMetrics(SM_CXSMICON));
  ::Shell_NotifyIconW(NIM_MODIFY, &nid);
  shownIcon_ = iconId;
}

void WindowsFrameWindow::RemoveTrayIcon() {
  if (!trayAdded_) return;
  NOTIFYICONDATAW nid = TrayRecord(hwnd_);
  ::Shell_NotifyIconW(NIM_DELETE, &nid);
  trayAdded_ = false;
  shownIcon_ = 0;
}

RECT WindowsFrameWindow::TrayRect() {
  RECT r{};
  if (HWND bar = ::FindWindowW(L"Shell_TrayWnd", nullptr)) {
    if (HWND area = ::FindWindowExW(bar, nullptr, L"TrayNotifyWnd", nullptr)) {
      if (::GetWindowRect(area, &r)) return r;
    }
  }
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return RECT{work.right - 118, work.bottom - 30, work.right, work.bottom};
}

void WindowsFrameWindow::HideToTray() {
  RECT from;
  if (::IsIconic(hwnd_) || !::GetWindowRect(hwnd_, &from)) from = remembered_.value_or(RECT{});
  const RECT to = TrayRect();
  // Vista and later: minimised before it is hidden; the way back restores
  // it (PlaceAtRemembered).
  if (platform::OsMajorVersion() >= 6 && ::IsWindowVisible(hwnd_)) ::ShowWindow(hwnd_, SW_MINIMIZE);
  ::ShowWindow(hwnd_, SW_HIDE);
  frame_.Loop().Clock().Sleep(kHideAnimationDelayMs);
  ::DrawAnimatedRects(hwnd_, IDANI_CAPTION, &from, &to);
}

void WindowsFrameWindow::RestoreFromTray() {
  RECT to;
  if (remembered_) {
    to = *remembered_;
  } else {
    ::GetWindowRect(hwnd_, &to);
  }
  const RECT from = TrayRect();
  ::DrawAnimatedRects(hwnd_, IDANI_CAPTION, &from, &to);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  PlaceAtRemembered();
}

void WindowsFrameWindow::BringToTop() {
  // A window minimised to the taskbar comes back too.
  ::ShowWindow(hwnd_, SW_SHOW);
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetForegroundWindow(hwnd_);
}

void WindowsFrameWindow::ShowForBatch() {
  if (shownOnce_) {
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    PlaceAtRemembered();
    ::SetForegroundWindow(hwnd_);
    return;
  }
  shownOnce_ = true;
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  // A short first batch: the window gives up what the list does not need.
  ITransferWindow* view = frame_.TransferWindow();
  if (const int spare = view ? view->FitToRows(frame_.View().Entries().size()) : 0; spare > 0) {
    r.bottom -= spare;
    ::SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!::IsWindowVisible(hwnd_)) {
    // Centred on the work area when it comes up.
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int w = r.right - r.left, h = r.bottom - r.top;
    ::SetWindowPos(hwnd_, nullptr, work.left + std::max(0L, (work.right - work.left - w) / 2),
                   work.top + std::max(0L, (work.bottom - work.top - h) / 2), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (HWND viewHwnd = reinterpret_cast<HWND>(frame_.ViewHandle())) ::ShowWindow(viewHwnd, SW_SHOW);
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::SetForegroundWindow(hwnd_);
}

std::optional<int> WindowsFrameWindow::TrackTrayMenu(const std::u16string& openText) {
  HMENU menu = ::LoadMenuW(ProgramModule(), MAKEINTRESOURCEW(223));
  if (!menu) return std::nullopt;
  HMENU popup = ::GetSubMenu(menu, 0);
  if (!popup) {
    ::DestroyMenu(menu);
    return std::nullopt;
  }
  ::ModifyMenuW(popup, 0, MF_BYPOSITION | MF_STRING, tray_command::kOpen, Wide(openText));
  HWND view = reinterpret_cast<HWND>(frame_.ViewHandle());
  ::SetForegroundWindow(view ? view : hwnd_);
  POINT at{};
  ::GetCursorPos(&at);
  if (!::MonitorFromPoint(at, MONITOR_DEFAULTTONULL)) {
    // A cursor outside every monitor: into the nearest one's width.
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(::MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &info))
      at.x = std::clamp(at.x, info.rcMonitor.left, info.rcMonitor.right - 1);
  }
  const int command = static_cast<int>(
      ::TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, hwnd_, nullptr));
  ::PostMessageW(hwnd_, WM_CANCELMODE, 0, 0);
  ::DestroyMenu(menu);
  if (command == 0) return std::nullopt;
  return command;
}

}  // namespace vard::agentwin
