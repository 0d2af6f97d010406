// Downloads a file (1 GiB by default) from an in-process loopback server
// through CHttpFile, the way the download job reads (ask what is available,
// a fresh buffer per read), then the same file with the curl command line,
// and prints MiB/s and CPU seconds of both.
//   http_download_bench [size-in-MiB [rounds]]
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "common/http/InternetHandles.h"
#include "common/http/testing/TestServer.h"
#include "common/text/Utf.h"

namespace {

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double ThreadCpu() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

double ChildrenCpu() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Report(const char* who, uint64_t bytes, double wall, double cpu) {
  std::printf("%-10s %8.1f MiB/s  %6.2f s wall  %6.2f s CPU  (%llu bytes)\n", who,
              bytes / 1048576.0 / wall, wall, cpu, static_cast<unsigned long long>(bytes));
}

struct Run {
  double wall = 1e30, cpu = 0;
  uint64_t bytes = 0;
};

// Ours: the download job's loop.
Run Ours(const std::string& url) {
  Run r;
  const double cpu0 = ThreadCpu();
  const auto t0 = std::chrono::steady_clock::now();
  vard::CInternetSession session;
  session.Open(u"VardKT5");
  vard::CHttpFile file;
  file.OpenUrl(session.Handle(), vard::AsciiToUtf16(url), u"", vard::platform::inet::kFlagReload);
  while (const uint32_t n = file.QueryDataAvailable()) {
    std::unique_ptr<char[]> buffer(new char[n]);
    const uint32_t read = file.Read(buffer.get(), n);
    if (read == 0) break;
    r.bytes += read;
  }
  r.wall = Seconds(std::chrono::steady_clock::now() - t0);
  r.cpu = ThreadCpu() - cpu0;
  return r;
}

// curl's command line, its output thrown away as ours is.
Run Curl(const std::string& url, uint64_t size) {
  Run r;
  const double cpu0 = ChildrenCpu();
  const auto t0 = std::chrono::steady_clock::now();
  const int rc = std::system(("curl -s -o /dev/null '" + url + "'").c_str());
  r.wall = Seconds(std::chrono::steady_clock::now() - t0);
  r.cpu = ChildrenCpu() - cpu0;
  r.bytes = rc == 0 ? size : 0;
  return r;
}

}  // namespace

// Rounds alternate the two clients; the best round of each is compared, as
// the machine is shared and single rounds are noisy.
int main(int argc, char** argv) {
  const uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const uint64_t size = mib * 1048576;
  vard::http_testing::TestServer server;
  const std::string url =
      "http://127.0.0.1:" + std::to_string(server.DirectPort()) + "/data/" + std::to_string(size);
  Run bestOurs, bestCurl;
  for (int i = 0; i < rounds; ++i) {
    const Run ours = Ours(url), curl = Curl(url, size);
    Report("CHttpFile", ours.bytes, ours.wall, ours.cpu);
    Report("curl", curl.bytes, curl.wall, curl.cpu);
    if (ours.bytes != size || curl.bytes != size) {
      std::printf("incomplete transfer\n");
      return 1;
    }
    if (ours.wall < bestOurs.wall) bestOurs = ours;
    if (curl.wall < bestCurl.wall) bestCurl = curl;
  }
  std::printf("best of %d rounds:\n", rounds);
  Report("CHttpFile", bestOurs.bytes, bestOurs.wall, bestOurs.cpu);
  Report("curl", bestCurl.bytes, bestCurl.wall, bestCurl.cpu);
  std::printf("ratio      %8.1f %% of curl's throughput\n", 100.0 * bestCurl.wall / bestOurs.wall);
  return 0;
}
