#pragma once
// What a form or dialog shows, by control ID: texts, enabled, visible and
// checked flags, combo selections. Presenters write it; windows and the
// `dump` of the window socket read it. UI thread only.
#include <map>
#include <string>

namespace vard {

class ControlState {
 public:
  void SetText(int id, const std::u16string& text) { texts_[id] = text; }
  std::u16string Text(int id) const;
  bool HasText(int id) const { return texts_.count(id) != 0; }

  void SetEnabled(int id, bool enabled) { enabled_[id] = enabled; }
  bool Enabled(int id) const;  // true unless disabled
  void SetVisible(int id, bool visible) { visible_[id] = visible; }
  bool Visible(int id) const;  // true unless hidden
  void SetChecked(int id, bool checked) { checked_[id] = checked; }
  bool Checked(int id) const;
  void SetSelection(int id, int index) { selection_[id] = index; }
  int Selection(int id) const;  // -1 when none

  const std::map<int, std::u16string>& Texts() const { return texts_; }

  // "texts", "enabled", "visible", "checked" and "selection" members of a
  // JSON object (without the braces), each keyed by control ID.
  std::string JsonMembers() const;

 private:
  std::map<int, std::u16string> texts_;
  std::map<int, bool> enabled_;
  std::map<int, bool> visible_;
  std::map<int, bool> checked_;
  std::map<int, int> selection_;
};

}  // namespace vard
