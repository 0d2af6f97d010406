#pragma once
// Base of the agent's modal dialogs as presenters: their controls' state,
// their push buttons and how they end. A window (console, Windows dialog or
// test fake) shows one, forwards the user's clicks to OnCommand and learns
// of its end through the end handler. UI thread only.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "agent/views/ControlState.h"

namespace vard {

class IUiThread;

// Push-button IDs every dialog shares.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

class CDialogPresenter : public std::enable_shared_from_this<CDialogPresenter> {
 public:
  using EndHandler = std::function<void(int code)>;
  virtual ~CDialogPresenter() = default;

  uint32_t TemplateId() const { return templateId_; }
  const std::u16string& Caption() const { return caption_; }
  const ControlState& Controls() const { return controls_; }
  // Push buttons that end or act, in the order they are shown.
  const std::vector<int>& Buttons() const { return buttons_; }
  // The button a console without a user presses (documented per dialog).
  virtual int DefaultButton() const = 0;

  // True when the dialog ends by itself (a countdown): a console without a
  // user lets it run instead of pressing DefaultButton.
  virtual bool AnswersItself() const { return false; }
  // The dialog is on screen: timers start here.
  virtual void OnOpen(IUiThread& ui) { (void)ui; }
  // A button, check box or radio button click.
  virtual void OnCommand(int id) = 0;
  // An edit control's new text; the result is what the control shows.
  virtual std::u16string OnEditChange(int id, const std::u16string& text);
  // A combo box's new selection.
  virtual void OnSelect(int id, int index) { controls_.SetSelection(id, index); }
  // The system close (or the worker that asked was stopped).
  virtual void Cancel() { End(kIdCancel); }

  bool HasEnded() const { return ended_; }
  int EndCode() const { return endCode_; }
  void SetEndHandler(EndHandler handler) { onEnd_ = std::move(handler); }
  // Called after every change the presenter makes by itself (timers).
  void SetChangeHandler(std::function<void()> handler) { onChange_ = std::move(handler); }

  // {"template":..,"caption":..,"buttons":[..],"ended":..,texts...}
  std::string Dump() const;

 protected:
  CDialogPresenter(uint32_t templateId, std::u16string caption);
  ControlState& Mutable() { return controls_; }
  void AddButton(int id) { buttons_.push_back(id); }
  void Changed();
  // Ends once; later ends are ignored.
  void End(int code);

 private:
  uint32_t templateId_;
  std::u16string caption_;
  ControlState controls_;
  std::vector<int> buttons_;
  bool ended_ = false;
  int endCode_ = 0;
  EndHandler onEnd_;
  std::function<void()> onChange_;
};

// An information message box (OK) a worker shows through its view.
class CMessagePresenter final : public CDialogPresenter {
 public:
  static constexpr int kText = 0xFFFF;
  CMessagePresenter(const std::u16string& text, const std::u16string& caption);
  int DefaultButton() const override { return kIdOk; }
  void OnCommand(int id) override;
};

}  // namespace vard
