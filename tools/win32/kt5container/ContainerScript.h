#pragma once
// Runs control scripts (the kt5host language) against a control hosted in
// a real window: members by DISPID through IDispatch::Invoke, PARAM values
// through a property bag, clicks and menus through the control's windows,
// and `show` read back from the list view and status bar with their
// messages. Adds `shot FILE` (a BMP of the window), `menu [ID] [FILE]` and
// `dialog start [MS FILE]` / `dialog cancel` for the next dialog box.
#include <windows.h>

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "control/Variant.h"
#include "tools/win32/kt5container/HostedControl.h"
#include "tools/win32/kt5container/ParamBag.h"

namespace vard::container {

class ContainerScript {
 public:
  // `frame` is the top-level window the control is hosted in.
  ContainerScript(std::ostream& out, HWND frame);
  ~ContainerScript();

  // False when the control cannot be created.
  bool Start(const std::wstring& progId);
  bool Run(std::istream& script);
  bool RunLine(const std::string& line);
  HostedControl& Control() { return control_; }

 private:
  bool Command(const std::vector<std::string>& words);
  bool Member(WORD flags, const std::vector<std::string>& words);
  bool Reject(const std::string& reason);
  void LoadParams();
  bool EnsureCreated();
  void Click(int32_t row, bool twice);
  void Menu(uint16_t choice, const std::wstring& shot);
  void Show();
  void Resize(int32_t w, int32_t h);
  void Pump();
  // Child mode: presses the embedded dialog's Start and runs messages until
  // an event arrives, picturing the control after `shotMs` when `shot` is
  // given. False when there is no embedded dialog or no end came.
  bool StartEmbedded(uint32_t shotMs, const std::wstring& shot);

  std::ostream& out_;
  uint64_t events_ = 0;
  HWND frame_;
  HostedControl control_;
  ParamBag* params_;
  bool paramsLoaded_ = false;
  bool created_ = false;
  uint64_t lineNumber_ = 0;
};

// The result of a member as the script language prints it.
Variant ScriptResult(const VARIANT& v);

}  // namespace vard::container
