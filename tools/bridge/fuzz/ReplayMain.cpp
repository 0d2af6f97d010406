// The fuzz target without libFuzzer, for any compiler: every seed, then
// mutants of them for a while, drawn from a fixed seed so that a failure
// comes back when run again. The input that aborted is kept in
// fuzz-failure.bin in the working folder.
//   bridge_message_fuzz_replay [--seconds N] [--seed S] SEED_FOLDER...
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "common/platform/Clock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::string g_current;

extern "C" void KeepFailure(int) {
  if (std::FILE* f = std::fopen("fuzz-failure.bin", "wb")) {
    std::fwrite(g_current.data(), 1, g_current.size(), f);
    std::fclose(f);
  }
  std::fputs("fuzz: the input that failed is in fuzz-failure.bin\n", stderr);
  std::signal(SIGABRT, SIG_DFL);
  std::abort();
}

void Run(const std::string& input) {
  g_current = input;
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

// Bytes that change the meaning of JSON and of the frames around it.
constexpr char kMeaningful[] = "{}[]\",:\\0123456789-.eE+tfn u\x00\x01\x7f\xff";

std::string Mutant(const std::vector<std::string>& pool, std::mt19937& random) {
  auto pick = [&](size_t n) { return n ? static_cast<size_t>(random() % n) : 0; };
  std::string out = pool[pick(pool.size())];
  const int steps = 1 + static_cast<int>(pick(4));
  for (int i = 0; i < steps; ++i) {
    const size_t at = pick(out.size() + 1);
    switch (pick(6)) {
      case 0:  // one bit
        if (!out.empty()) out[pick(out.size())] ^= static_cast<char>(1u << pick(8));
        break;
      case 1:  // a byte that means something
        if (!out.empty()) out[pick(out.size())] = kMeaningful[pick(sizeof kMeaningful - 1)];
        break;
      case 2:  // a piece of another input
      {
        const std::string& other = pool[pick(pool.size())];
        const size_t from = pick(other.size() + 1);
        out.insert(at, other, from, pick(other.size() - from + 1));
        break;
      }
      case 3:  // a piece gone
        out.erase(at, pick(out.size() - at + 1));
        break;
      case 4:  // a piece repeated
      {
        const std::string piece = out.substr(at, pick(64));
        for (size_t n = pick(16); n > 0; --n) out.insert(at, piece);
        break;
      }
      default:  // cut short
        out.resize(at);
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t seconds = 10, seed = 1;
  std::vector<std::string> pool;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      seconds = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
      seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else {
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator(argv[i], error)) {
        std::ifstream in(entry.path(), std::ios::binary);
        pool.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      }
      if (error) std::fprintf(stderr, "fuzz: %s: %s\n", argv[i], error.message().c_str());
    }
  }
  if (pool.empty()) {
    std::fputs("fuzz: no seeds (give the seed folders)\n", stderr);
    return 2;
  }
  std::signal(SIGABRT, KeepFailure);
  for (const auto& input : pool) Run(input);
  std::mt19937 random(seed);
  auto& clock = vard::platform::SystemClock();
  const uint32_t start = clock.TickCount();
  uint64_t runs = 0;
  const size_t seeds = pool.size();
  while (clock.TickCount() - start < seconds * 1000u) {
    std::string input = Mutant(pool, random);
    Run(input);
    ++runs;
    // Mutants of mutants go deeper; the pool stays small.
    if (runs % 16 == 0) {
      if (pool.size() < seeds + 64) pool.push_back(std::move(input));
      else pool[seeds + random() % 64] = std::move(input);
    }
  }
  std::printf("fuzz: %zu seeds and %llu mutants (seed %u) ran without a fault\n", seeds,
              static_cast<unsigned long long>(runs), seed);
  return 0;
}
