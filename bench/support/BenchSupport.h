#pragma once
// Shared pieces of the benchmark programs: timing, medians, the report lines, cached
// picture folders below the build folder, the process's memory, and a live main window.
//
// Every measurement prints one line:
//   NAME: ours=<median ms> floor=<median ms> ratio=<ours/floor> goal=<goal> <verdict> ours.min=.. ...
// and memory figures print as
//   NAME: peak=<MiB> after=<MiB>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CViewerDlg;

namespace bench {

// Milliseconds since construction or the last Restart, from the high-resolution counter.
class Stopwatch {
public:
    Stopwatch() { Restart(); }
    void Restart();
    double ElapsedMs() const;

private:
    LARGE_INTEGER m_start{};
};

// The timings of one side of a measurement.
class Samples {
public:
    void Add(double ms) { m_ms.push_back(ms); }
    size_t Count() const { return m_ms.size(); }
    double Median() const;
    double Min() const;
    double Max() const;

private:
    std::vector<double> m_ms;
};

// Prints the line of a measurement against its floor; the verdict is "ok" or "MISS".
void PrintRatio(const std::string& name, const Samples& ours, const Samples& floor, double goal);
// The peak working set and the one after the measured steps, judged against `budgetMiB`:
// both must stay within it. Without a budget (negative) the line only tells them.
void PrintMemory(const std::string& name, double peakMiB, double afterMiB, double budgetMiB = -1);
// A line of detail ("# ..."), for the reader of the log; never parsed.
void PrintNote(const char* format, ...);

// Working set now and at its peak over the process's life, in MiB.
struct MemoryUse {
    double workingSetMiB = 0;
    double peakWorkingSetMiB = 0;
};
MemoryUse ReadMemoryUse();

// Command line of a benchmark program: --reps N, and names of measurements to run
// (all when none is named).
struct Options {
    int reps = 5;
    std::vector<std::string> only;
    bool Wants(const std::string& name) const;
};
Options ParseOptions(int argc, char** argv);

// Where the generated folders are kept between runs: bench-data below the build folder.
std::string DataDir();
// Makes `dir` with `fill(dir)` unless a previous run completed it under the same `recipe`
// (a text naming how it was made). A stamp file inside marks a complete folder; a folder
// without it, or with another recipe, is removed and made again.
bool EnsureFolder(const std::string& dir, const std::string& recipe, const std::function<bool(const std::string&)>& fill);
// The stamp file's name: benchmarks that count entries leave it out.
constexpr char kStampName[] = "bench.stamp";

bool WriteFileBytes(const std::string& path, const void* data, size_t size);
// Puts the pictures a run moved into `moveDir` back into `dir`, under their names.
void PutBack(const std::string& moveDir, const std::string& dir);
bool MakeDir(const std::string& path);
void RemoveTree(const std::string& path);

// Makes a working folder below DataDir() with the shipped plug-ins in SPI\ and makes it
// the current directory, as the program's own folder is when it runs. False when the
// shipped plug-ins are missing.
bool EnterWorkFolderWithShippedPlugins();

// Runs `body` inside the running main window's modal loop, then closes the window.
// The window shows the working folder first, as at start-up.
void WithViewer(const std::function<void(CViewerDlg&)>& body);

// Posts a message behind whatever is queued now and calls `handler` when the modal loop
// dispatches it: everything posted before it has been handled by then.
void PostMarker(std::function<void()> handler);

}  // namespace bench
