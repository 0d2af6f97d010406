// kt5host: runs a control script (see README.md) and prints what happens.
#include <fstream>
#include <iostream>

#include "common/platform/Http.h"
#include "tools/kt5host/HostServices.h"
#include "tools/kt5host/ScriptHost.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: kt5host SCRIPT   (use - to read the script from standard input)\n";
    return 2;
  }
  // As a browser has its HTTP stack loaded before a page's script runs.
  const vard::platform::HttpLoadScope http(true);
  std::ios::sync_with_stdio(false);  // buffered standard input: long lines are skipped fast
  vard::ScriptHost host(std::cout, vard::HostServices());
  const std::string path = argv[1];
  if (path == "-") return host.Run(std::cin) ? 0 : 1;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "kt5host: cannot open " << path << "\n";
    return 2;
  }
  return host.Run(in) ? 0 : 1;
}
