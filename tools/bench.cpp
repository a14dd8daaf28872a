// wzrv_bench: how long drawing the field frames takes on this machine.
//
// Draws all 13 frames (clear, draw, extract each, as a start without the
// pattern cache does) many times from the start-up state of the generator and
// prints the median, the fastest and the slowest run, and how many generator
// draws the frames take.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "pattern/pattern_core.h"
#include "pattern/random.h"
#include "tools/memory_frames.h"

namespace {

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The whole build as the program runs it: three builders, in-memory frames.
void BuildAll() {
  wzrv::PatternSets sets;
  wzrv::MemoryFrames frames;
  sets.BuildZRV1(frames);
  sets.BuildZRV2(frames);
  sets.BuildZRV3(frames);
}

template <typename F>
std::vector<double> Time(int runs, F f) {
  std::vector<double> t;
  t.reserve(runs);
  for (int i = 0; i < runs; ++i) {
    wzrv::SetRandState(1);
    const auto t0 = std::chrono::steady_clock::now();
    f();
    t.push_back(Milliseconds(std::chrono::steady_clock::now() - t0));
  }
  std::sort(t.begin(), t.end());
  return t;
}

void Report(const char* what, const std::vector<double>& t) {
  std::printf("%-34s median %.3f ms  (min %.3f, max %.3f, %zu runs)\n", what, t[t.size() / 2],
              t.front(), t.back(), t.size());
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 301;

  // Generator draws: per frame, and for the whole build (with the mini offsets).
  std::vector<unsigned char> dib(wzrv::DIBBytes);
  wzrv::SetRandState(1);
  std::uint64_t total = 0;
  std::printf("generator draws per frame:\n");
  for (int i = 0; i < wzrv::FrameCount; ++i) {
    const std::uint64_t c0 = wzrv::RandCalls();
    wzrv::PatternSets::ClearDIB(dib.data());
    wzrv::DrawFrame(i, dib.data());
    const std::uint64_t n = wzrv::RandCalls() - c0;
    const wzrv::FrameSize s = wzrv::FrameSizeOf(i);
    const int pixels = wzrv::ExtractFrame(dib.data(), s.width, s.height).SetPixelCount();
    std::printf("  %2d %-16s %3dx%-3d %7llu draws %6d field pixels\n", i + 1, wzrv::FrameName(i),
                s.width, s.height, static_cast<unsigned long long>(n), pixels);
    total += n;
  }
  wzrv::SetRandState(1);
  const std::uint64_t b0 = wzrv::RandCalls();
  BuildAll();
  std::printf("drawing the 13 frames: %llu generator draws; the whole build with the mini offsets: %llu\n",
              static_cast<unsigned long long>(total),
              static_cast<unsigned long long>(wzrv::RandCalls() - b0));

  Time(20, [] { wzrv::DrawAllFrames(); });  // warm up
  Report("draw all 13 frames:", Time(runs, [] { wzrv::DrawAllFrames(); }));
  Report("build the three pattern sets:", Time(runs, BuildAll));
  return 0;
}
