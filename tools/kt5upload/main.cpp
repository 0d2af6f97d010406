// kt5upload: hands a batch of files and folders to the transfer agent in
// upload mode, as the page component that starts uploads does: writes the
// five upload regions, starts the agent ("-Mupload") when it does not run,
// then tells it to read them.
//
//   kt5upload [options] ACTION_URL PATH...
//     PATH                 full local path of a file or folder
//     --part-size N        data bytes per part request (5242880)
//     --cookie TEXT        the batch's cookie
//     --notify URL         where finished files are told
//     --title TEXT         the agent's window caption
//     --folder TEXT        target folder on the server
//     --field NAME=VALUE   a form field of every file (repeatable, 99 at most)
//     --fill-fields N      N fields "fieldK" = "valueK" of full length
//     --ansi               file names in the system's code page, not UTF-8
//     --program PATH       the agent program (the system directory's)
//     --language LANG      "-L" of a new agent
//     --write-only         write the regions, start and tell nobody
// Exit code 0 when the agent has read the batch, 1 when it could not be
// handed over, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/handoff/AgentNames.h"
#include "common/platform/CodePage.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Process.h"
#include "common/platform/WindowMessenger.h"
#include "common/text/Utf.h"
#include "tools/kt5upload/UploadHandOffWriter.h"

namespace {

using namespace vard;

constexpr uint32_t kWaitMs = 30000;

int Usage() {
  std::fprintf(stderr,
               "usage: kt5upload [--part-size N] [--cookie TEXT] [--notify URL] [--title TEXT] [--folder TEXT]\n"
               "                 [--field NAME=VALUE]... [--fill-fields N] [--ansi] [--program PATH]\n"
               "                 [--language LANG] [--write-only] ACTION_URL PATH...\n");
  return 2;
}

std::u16string Text(const char* arg) { return platform::AnsiToUtf16(arg); }

// Paths inside the system use "\" separators.
std::u16string InternalPath(const char* arg) {
  std::u16string path = Text(arg);
  for (char16_t& c : path)
    if (c == u'/') c = u'\\';
  return path;
}

bool StartAgent(const std::u16string& program, const std::u16string& language) {
  std::u16string parameters = u" -Mupload";
  if (!language.empty()) parameters += u" -L" + language;
  // Ready once its view answers: only then can it take the insert message.
  auto idle = [] {
    const auto main = platform::FindProgramWindow(kUploadMainClass);
    return main && platform::FindProgramWindow(kUploadViewClass, &*main).has_value();
  };
  return platform::ShellStartAndWait(program, parameters, u"", idle, platform::SystemClock(), kWaitMs,
                                     platform::StartShow::kNormal);
}

bool NotifyAgent() {
  const auto main = platform::FindProgramWindow(kUploadMainClass);
  if (!main) return false;
  const auto view = platform::FindProgramWindow(kUploadViewClass, &*main);
  if (!view) return false;
  intptr_t result = 0;
  // Returns once the agent has read (and zero-filled) the regions.
  if (!platform::SendRegisteredMessage(*view, kInsertQueueMessage, 0, 0, &result, kWaitMs)) return false;
  platform::BringToForeground(*main);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  UploadBatch batch;
  std::u16string program, language, folder;
  bool writeOnly = false;
  int i = 1;
  for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i) {
    const std::string option = argv[i];
    if (option == "--ansi") {
      batch.utf8Names = false;
      continue;
    }
    if (option == "--write-only") {
      writeOnly = true;
      continue;
    }
    if (i + 1 >= argc) return Usage();
    const char* value = argv[++i];
    if (option == "--part-size") {
      batch.partSize = std::atoi(value);
    } else if (option == "--cookie") {
      batch.cookie = Text(value);
    } else if (option == "--notify") {
      batch.notificationUrl = Text(value);
    } else if (option == "--title") {
      batch.title = Text(value);
    } else if (option == "--folder") {
      folder = Text(value);
    } else if (option == "--field") {
      const std::u16string field = Text(value);
      const size_t eq = field.find(u'=');
      if (eq == std::u16string::npos) return Usage();
      batch.fields.emplace_back(field.substr(0, eq), field.substr(eq + 1));
    } else if (option == "--fill-fields") {
      for (int k = 0, n = std::atoi(value); k < n; ++k) {
        const std::u16string number = AsciiToUtf16(std::to_string(k));
        // Names and values as long as their fields hold.
        batch.fields.emplace_back(u"field" + number + std::u16string(250 - number.size(), u'n'),
                                  u"value" + number + std::u16string(1018 - number.size(), u'v'));
      }
    } else if (option == "--program") {
      program = InternalPath(value);
    } else if (option == "--language") {
      language = Text(value);
    } else {
      return Usage();
    }
  }
  if (argc - i < 2) return Usage();
  batch.actionUrl = Text(argv[i++]);
  for (; i < argc; ++i) {
    UploadItem item;
    item.path = InternalPath(argv[i]);
    item.folder = folder;
    platform::FileEntry entry;
    if (!platform::FindFile(item.path, &entry)) {
      std::fprintf(stderr, "kt5upload: %s is not there\n", argv[i]);
      return 1;
    }
    item.isFolder = (entry.attributes & platform::attribute::kDirectory) != 0;
    item.size = item.isFolder ? 0 : entry.size;
    batch.items.push_back(std::move(item));
  }
  if (program.empty())
    program = platform::SystemDirectory() + u"\\" + platform::ExecutableFileName(kAgentProgramName);

  UploadHandOffWriter writer;
  if (writer.Write(batch) < 0) {
    std::fprintf(stderr, "kt5upload: the upload regions cannot be opened\n");
    return 1;
  }
  if (writeOnly) return 0;
  if (!platform::NamedMutex::Exists(kUploadAgentMutex) && !StartAgent(program, language)) {
    std::fprintf(stderr, "kt5upload: the agent did not start\n");
    return 1;
  }
  if (!NotifyAgent()) {
    std::fprintf(stderr, "kt5upload: the agent did not take the batch\n");
    return 1;
  }
  return 0;
}
