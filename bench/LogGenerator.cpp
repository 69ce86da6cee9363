// Writes realistic log files for trying out the loaders and the monitor:
//
//   LogGenerator --format squid|ncsa|w3c-web|w3c-proxy --out FILE
//                (--lines N | --rate LINES_PER_SECOND [--seconds S]) [--seed K]
//
// --lines writes a backlog of N lines at once, timed one to ten milliseconds
// apart and ending now. --rate appends that many lines every second,
// flushing after each second, for S seconds (or until stopped), so a
// monitored folder grows as under a live server. An existing file is
// appended to; a new one gets the format's header.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "bench/LogGeneration.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: LogGenerator --format squid|ncsa|w3c-web|w3c-proxy --out FILE\n"
               "                    (--lines N | --rate LINES_PER_SECOND [--seconds S]) "
               "[--seed K]\n");
  return 2;
}

int64_t NowMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool WriteAll(std::FILE* file, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

}  // namespace

int main(int argc, char** argv) {
  std::string format, out;
  long long lines = -1, rate = -1, seconds = -1, seed = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = argv[i + 1];
    if (name == "--format")
      format = value;
    else if (name == "--out")
      out = value;
    else if (name == "--lines")
      lines = std::atoll(value);
    else if (name == "--rate")
      rate = std::atoll(value);
    else if (name == "--seconds")
      seconds = std::atoll(value);
    else if (name == "--seed")
      seed = std::atoll(value);
    else
      return Usage();
  }
  TLogKind kind;
  if (argc % 2 == 0 || out.empty() || !LogKindByName(format, kind) || (lines < 0) == (rate < 0) ||
      lines == 0 || rate == 0) {
    return Usage();
  }

  std::FILE* file = std::fopen(out.c_str(), "ab");
  if (!file) {
    std::fprintf(stderr, "LogGenerator: cannot open %s: %s\n", out.c_str(), std::strerror(errno));
    return 1;
  }
  TLogGenerator generator(kind, uint64_t(seed));
  std::string text;
  if (std::ftell(file) == 0) text = generator.Header();

  bool ok = true;
  if (lines > 0) {
    // A backlog: lines 1..10 ms apart, the last one now.
    int64_t when = NowMilliseconds() - lines * 5;
    for (long long n = 0; n < lines && ok; ++n) {
      when += 1 + int64_t(n * 7919 % 10);
      generator.AppendLine(text, when);
      if (text.size() > (1 << 20)) {
        ok = WriteAll(file, text);
        text.clear();
      }
    }
    ok = ok && WriteAll(file, text) && std::fflush(file) == 0;
  } else {
    auto tick = std::chrono::steady_clock::now();
    for (long long second = 0; ok && (seconds < 0 || second < seconds); ++second) {
      const int64_t start = NowMilliseconds();
      for (long long n = 0; n < rate; ++n) generator.AppendLine(text, start + n * 1000 / rate);
      ok = WriteAll(file, text) && std::fflush(file) == 0;
      text.clear();
      tick += std::chrono::seconds(1);
      std::this_thread::sleep_until(tick);
    }
  }
  if (std::fclose(file) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "LogGenerator: writing %s failed: %s\n", out.c_str(),
                 std::strerror(errno));
    return 1;
  }
  return 0;
}
