#include "control/tests/FakeControlServices.h"

#include "control/ControlSettings.h"

namespace vard::fakes {

void FakeDialogs::RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) {
  singleRuns.push_back({file, settings.dialog.useFullPath, settings.openAfterDownload, settings.dialog.pageTrusted,
                        settings.openFileOverwrite});
}

FakeLanguage::FakeLanguage() {
  LanguageTables t;
  t.strings = {{0, u"VARDKT5"}, {1, u"EN"}, {100, u"Alert"}, {101, u"Name"}, {102, u"Size"},
               {105, u"Name"}, {106, u"Total Size"}, {107, u"Files"}, {108, u"Folders"},
               {110, u"All files : %d (%s)"}, {111, u"Selected files %d (%s)"}, {118, u"%d"}};
  store.Replace(t);
}

ControlServices FakeControlServices::Wire() {
  ControlServices s;
  s.network = network;
  s.dialogs = dialogs;
  s.folders = folders;
  s.handOff = handOff;
  s.savedDownloads = savedDownloads;
  s.shell = shell;
  s.hostInfo = hostInfo;
  s.language = language;
  s.title = title;
  s.zones = zones;
  s.debug = [lines = debugLines](std::u16string_view line) { lines->emplace_back(line); };
  return s;
}

}  // namespace vard::fakes
