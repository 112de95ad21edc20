// Scaling a 24-megapixel picture to the size it is shown at in a pane, against copying
// the picture's bytes once (memcpy): the least any pass over the picture costs.
//
//   ResampleSpeed [--reps N]
//
// Prints, in the benchmarks' format:
//   resample.fit.24mp[.native]: ours=<median ms> floor=<median ms> ratio=<ours/floor> goal=<goal> ok|MISS ...
// and a note of the processor time each took, which a machine shared with others inflates
// less than the time on the clock. Portable: built natively without the sanitizers (the
// ".native" line) and into the Windows trees.
#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/Resample.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kToWidth = 1280;
constexpr int kToHeight = 853;
// Each source byte is read once and added up; a copy reads it and writes it once.
constexpr double kGoal = 3.0;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Milliseconds of a monotonic clock.
double NowMs() {
#ifdef _WIN32
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
#else
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
#endif
}

// Milliseconds of processor time this thread has had.
double ThreadMs() {
#ifdef _WIN32
    FILETIME created, ended, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &ended, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return static_cast<double>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
#endif
}

struct Timings {
    std::vector<double> ms;
    double processorMs = 0;  // per run
};

template <class F>
Timings Time(int reps, F&& f) {
    f();  // warms the caches and the pages
    Timings t;
    const double processor = ThreadMs();
    for (int i = 0; i < reps; ++i) {
        const double start = NowMs();
        f();
        t.ms.push_back(NowMs() - start);
    }
    t.processorMs = (ThreadMs() - processor) / reps;
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    int reps = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--reps") == 0) {
            reps = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    const size_t stride = (size_t{kWidth} * 3 + 3) / 4 * 4;
    std::vector<uint8_t> pixels(stride * kHeight);
    uint32_t state = 12345;
    for (uint8_t& b : pixels) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(state >> 24);
    }
    std::vector<uint8_t> copy(pixels.size());
    std::vector<uint8_t> target(size_t{kToWidth} * kToHeight * 4);
    const SourceRows source{pixels.data(), pixels.size(), kWidth, kHeight, 24, stride, false};
    const BgrxRows fitted{target.data(), target.size(), kToWidth, kToHeight, size_t{kToWidth} * 4, false};

#ifdef _WIN32
    const char* const name = "resample.fit.24mp";
#else
    const char* const name = "resample.fit.24mp.native";
#endif
    bool ok = true;
    const Timings scaled = Time(reps, [&] { ok = ResamplePicture(source, fitted) == ResampleStatus::kOk && ok; });
    const Timings copied = Time(reps, [&] { std::memcpy(copy.data(), pixels.data(), pixels.size()); });
    if (!ok) {
        std::printf("%s: the resampler refused the picture\n", name);
        return 1;
    }
    const std::vector<double>& ours = scaled.ms;
    const std::vector<double>& floor = copied.ms;
    const double ratio = Median(ours) / Median(floor);
    std::printf(
        "%s: ours=%.1f floor=%.1f ratio=%.2f goal=%.2f %s ours.min=%.1f ours.max=%.1f floor.min=%.1f "
        "floor.max=%.1f n=%d\n",
        name, Median(ours), Median(floor), ratio, kGoal, ratio <= kGoal ? "ok" : "MISS",
        *std::min_element(ours.begin(), ours.end()), *std::max_element(ours.begin(), ours.end()),
        *std::min_element(floor.begin(), floor.end()), *std::max_element(floor.begin(), floor.end()), reps);
    std::printf(
        "# %s: %dx%d 24-bit into %dx%d 32-bit against memcpy of the %d source bytes (%d-bit build); "
        "processor time per run %.1f ms against %.1f, ratio %.2f\n",
        name, kWidth, kHeight, kToWidth, kToHeight, static_cast<int>(pixels.size()),
        static_cast<int>(sizeof(void*) * 8), scaled.processorMs, copied.processorMs,
        scaled.processorMs / copied.processorMs);
    return 0;
}
