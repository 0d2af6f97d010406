// Not a test: the worst time the bridge takes over hostile messages of up to
// 1 MiB (the frame limit), read alone and handled whole by a session whose
// control is faked, so that only the bridge's own work is timed.
//
//   bridge_parse_bench [--runs N] [--only TEXT]
//
// Each message is timed N times (5 by default) in a new process, read alone
// and handled; the worst run is printed, as a page gets no better than the
// worst, with the median beside it.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/tests/FakeControlServices.h"
#include "tools/bridge/BridgeSession.h"
#include "tools/bridge/Framing.h"
#include "tools/bridge/Json.h"

namespace {

using namespace vard::bridge;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Wall and processor times of the runs, in ms.
struct Timing {
  std::vector<double> wall, cpu;
  void Add(Clock::time_point start, std::clock_t cpuStart) {
    wall.push_back(Ms(Clock::now() - start));
    cpu.push_back(1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
  }
  static double Worst(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }
  static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  }
};

// `head` + repeated pieces from `piece(i)` + `tail`, as many as fit a frame.
std::string Fill(const std::string& head, const std::function<std::string(size_t)>& piece, const std::string& sep,
                 const std::string& tail, size_t* count = nullptr) {
  std::string text = head;
  size_t n = 0;
  for (;; ++n) {
    const std::string next = (n ? sep : std::string()) + piece(n);
    if (text.size() + next.size() + tail.size() > kMaxFrame) break;
    text += next;
  }
  if (count) *count = n;
  return text + tail;
}

std::string Base36(size_t n) {
  std::string s;
  do {
    s += "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36];
    n /= 36;
  } while (n);
  return s;
}

struct Message {
  std::string name;
  std::string text;
  bool freshSession = false;  // a create needs a session of its own
};

// A session on a faked control, created as a page's first message does.
struct Session {
  explicit Session(bool create)
      : bridge([this] { return fakes.Wire(); }, [this](const std::string& text) { sent.push_back(text); }) {
    if (create) bridge.Handle(R"({"id":0,"op":"create","page":"http://127.0.0.1/"})");
  }
  vard::fakes::FakeControlServices fakes;
  std::vector<std::string> sent;
  BridgeSession bridge;
};

// Runs `work` `runs` times in a child process of its own, each after an
// untimed `prepare`, so that the first run meets memory as a new host does
// (the browser starts one per page). The child sends back its times and the
// last `answer`.
Timing InFreshProcess(int runs, const std::function<void()>& prepare, const std::function<void()>& work,
                      std::string* answer = nullptr) {
  std::fflush(stdout);
  int fds[2];
  if (pipe(fds) != 0) std::exit(1);
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    Timing t;
    for (int r = 0; r < runs; ++r) {
      prepare();
      const auto start = Clock::now();
      const auto cpuStart = std::clock();
      work();
      t.Add(start, cpuStart);
    }
    std::string out;
    for (int r = 0; r < runs; ++r) out += std::to_string(t.wall[r]) + " " + std::to_string(t.cpu[r]) + "\n";
    if (answer) out += *answer;
    for (size_t done = 0; done < out.size();) {
      const ssize_t n = write(fds[1], out.data() + done, out.size() - done);
      if (n <= 0) _exit(1);
      done += static_cast<size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string in;
  char buffer[65536];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) in.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  Timing t;
  size_t at = 0;
  for (int r = 0; r < runs; ++r) {
    const size_t end = in.find('\n', at);
    if (end == std::string::npos) std::exit(1);
    double wall = 0, cpu = 0;
    std::sscanf(in.c_str() + at, "%lf %lf", &wall, &cpu);
    t.wall.push_back(wall);
    t.cpu.push_back(cpu);
    at = end + 1;
  }
  if (answer) *answer = in.substr(at);
  return t;
}

// An answer's size and what it says, in short.
std::string Summary(const std::string& answer) {
  const auto json = ParseJson(answer, nullptr);
  if (!json) return answer.empty() ? "nothing sent" : "not JSON";
  std::string says = "result";
  if (const Json* error = json->Find("error")) says = error->Find("message")->AsString().substr(0, 36);
  for (char& c : says)
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  return std::to_string(answer.size()) + " bytes: " + says;
}

std::vector<Message> Messages() {
  std::vector<Message> all;
  size_t n = 0;
  const std::string put = R"({"id":1,"op":"put","name":"SetFolder","args":[)";
  std::string text = Fill(
      put + "{", [](size_t i) { return "\"" + Base36(i) + "\":0"; }, ",", "}]}", &n);
  all.push_back({"object of " + std::to_string(n) + " short members", text});
  // The largest objects a message may hold, names of 12 bytes.
  text = Fill(
      put + "{", [](size_t i) { return "\"" + std::string(12 - Base36(i).size(), '_') + Base36(i) + "\":0"; }, ",",
      "}]}", &n);
  all.push_back({"object of " + std::to_string(n) + " members", text});
  text.replace(text.size() - 18, 12, "___________0");  // the last named as the first
  all.push_back({"the same, one name twice", text});
  text = Fill(R"({"id":1,"op":"create","page":"http://127.0.0.1/","params":{)",
              [](size_t i) { return "\"" + Base36(i) + "\":1"; }, ",", "}}", &n);
  all.push_back({"create with " + std::to_string(n) + " PARAMs", text, true});
  all.push_back({"1 MiB of '[' (refused)", std::string(kMaxFrame, '[')});
  const std::string nest = std::string(61, '[') + std::string(61, ']');
  text = Fill(
      put + "[", [&](size_t) { return nest; }, ",", "]]}", &n);
  all.push_back({std::to_string(n) + " nests 64 deep", text});
  // As many as a message may hold, the rest of the frame one string.
  text = put + "[";
  for (int k = 0; k < 1000; ++k) text += nest + ",";
  text = Fill(
      text + "\"", [](size_t) { return std::string("x"); }, "", "\"]]}");
  all.push_back({"1000 nests 64 deep, one string", text});
  // One long folder name: escapes of every kind, surrogate pairs, raw UTF-8.
  const std::string escapes = R"(\"\\\/\b\f\n\r\t\u0001\u00e9\uD55C\ud83d\ude00)"
                              "\xED\x95\x9C\xF0\x9F\x98\x80plain";
  text = Fill(
      put + "\"", [&](size_t) { return escapes; }, "", "\"]}");
  all.push_back({"one string of escapes", text});
  text = Fill(
      put + "[", [&](size_t i) { return "\"" + escapes + Base36(i) + "\""; }, ",", "]]}", &n);
  all.push_back({std::to_string(n) + " strings of escapes", text});
  text = Fill(
      put + "[", [](size_t i) { return std::to_string(i % 10); }, ",", "]]}", &n);
  all.push_back({"array of " + std::to_string(n) + " digits", text});
  text = Fill(
      put + "[",
      [](size_t i) { return (i % 2 ? "-" : "") + std::string("1.2345678901234567e-30") + std::to_string(i % 8); }, ",",
      "]]}", &n);
  all.push_back({"array of " + std::to_string(n) + " long numbers", text});
  text = Fill(
      put + "[0.", [](size_t) { return std::string("3"); }, "", "]]}");
  all.push_back({"one number of 1 MiB of digits", text});
  // Errors that would quote what they refuse.
  text = Fill(R"({"id":1,"op":"get","name":")", [](size_t) { return std::string("\\u0001"); }, "", "\"}");
  all.push_back({"a member name of 1 MiB", text});
  text = Fill(R"({"op":"no","id":")", [](size_t) { return std::string("\\u0001"); }, "", "\"}");
  all.push_back({"an id of 1 MiB, no such op", text});
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  std::string only;  // messages whose name holds this (for a profiler)
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      only = argv[++i];
    } else {
      std::fprintf(stderr, "usage: bridge_parse_bench [--runs N] [--only TEXT]\n");
      return 2;
    }
  }
  std::printf(
      "ms over %d runs, each message in new processes: 'parse' reads it and frees it again,\n"
      "'handled' takes it through a session whose control is faked; 'worst cpu' is processor time\n",
      runs);
  std::printf("%-32s %8s | %-22s | %-22s | %s\n", "", "", "parse", "handled", "");
  std::printf("%-32s %8s | %6s %6s %8s | %6s %6s %8s | %s\n", "message", "bytes", "worst", "median", "worst cpu",
              "worst", "median", "worst cpu", "answer");
  for (const Message& m : Messages()) {
    if (m.name.find(only) == std::string::npos) continue;
    std::string answer;
    const Timing parse = InFreshProcess(
        runs, [] {}, [&] { ParseJson(m.text, nullptr); });
    std::unique_ptr<Session> session;
    const Timing handled = InFreshProcess(
        runs,
        [&] {
          if (!session || m.freshSession) session = std::make_unique<Session>(!m.freshSession);
          session->sent.clear();
        },
        [&] {
          session->bridge.Handle(m.text);
          answer = session->sent.empty() ? std::string() : session->sent.back();
        },
        &answer);
    std::printf("%-32s %8zu | %6.1f %6.1f %8.1f | %6.1f %6.1f %8.1f | %s\n", m.name.c_str(), m.text.size(),
                Timing::Worst(parse.wall), Timing::Median(parse.wall), Timing::Worst(parse.cpu),
                Timing::Worst(handled.wall), Timing::Median(handled.wall), Timing::Worst(handled.cpu),
                Summary(answer).c_str());
  }
  return 0;
}
