#pragma once
// A scripting host standing in for the web page: runs a script line by line
// against one control and prints every result and every event.
#include <istream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "control/CKT5Ctrl.h"
#include "control/engine/ConsoleDownloadDialogs.h"
#include "control/ConsoleControlView.h"
#include "control/ControlPersistence.h"
#include "tools/kt5host/ScriptLine.h"

namespace vard {

class ScriptHost final : public IKT5CtrlEvents {
 public:
  ScriptHost(std::ostream& out, ControlServices services);
  ~ScriptHost() override;

  // Runs every line; false when a line was rejected. A rejected line gets
  // one "  line N: reason" line in the output and changes nothing.
  bool Run(std::istream& script);
  bool RunLine(const std::string& line);

  void Invoke(int32_t dispid, const std::vector<Variant>& args) override;

 private:
  bool Member(InvokeKind kind, const std::vector<std::string>& words);
  bool Command(const std::vector<std::string>& words);
  bool Answer(const std::vector<std::string>& words);
  bool Reject(const std::string& reason);
  void EnsureCreated();
  void LoadParams();

  std::ostream& out_;
  // The console's download dialogs, when the host's services have them:
  // "answer" lines queue their answers.
  std::shared_ptr<ConsoleDownloadDialogs> consoleDialogs_;
  CKT5Ctrl ctrl_;
  ConsoleControlView view_;
  std::map<std::u16string, Variant> params_;
  bool paramsLoaded_ = false;
  int dialogResult_ = 0;
  uint32_t cookie_ = 0;
  uint64_t lineNumber_ = 0;
};

}  // namespace vard
