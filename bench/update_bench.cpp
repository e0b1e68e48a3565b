// Prints how fast the firmware checksum runs and what an update run costs in time
// and memory. Not a test: the figures depend on the machine.
//
// 1. An update run of 11 files of 8 MiB from a temporary package folder into a
//    temporary target, each file operation on a worker thread as in the dialog:
//    time and the process's peak working set (measured first, before the large
//    buffers below raise the peak), the share of it that handing the operations to
//    the worker and back takes, and against a baseline of what any run must do:
//    CopyFileA, a flush and one unbuffered read of each copy. The run also reads
//    each source once more, to compare it with its copy, and renames each copy into
//    place. Under Wine an unbuffered read costs what a cached one costs (Wine
//    ignores FILE_FLAG_NO_BUFFERING); on Windows both sides pay for reading the device.
// 2. The checksum rule over a 256 MiB buffer in memory against a plain read of the
//    same bytes (XOR of 64-bit words), and their ratio.
// 3. The checksum of a 256 MiB file, read in blocks.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "checksum.h"
#include "copy_readback.h"
#include "file_paths.h"
#include "update_run.h"
#include "update_view.h"
#include "worker_wait.h"

namespace {

constexpr std::size_t kMiB = 1024 * 1024;
constexpr int kRunFileCount = 11;
constexpr std::size_t kRunFileSize = 8 * kMiB;
constexpr std::size_t kBigSize = 256 * kMiB;
constexpr std::size_t kWriteBlockSize = kMiB;
constexpr int kRepeats = 3;
// What staging may cost over the baseline: the second read of each source and the renames.
constexpr double kMostRunRatio = 1.3;
constexpr int kHandOvers = 1000;  // empty operations timed for the cost of one hand-over

// Hands each file operation of the run to the worker thread, as the dialog does.
class QuietView : public UpdateView {
public:
    void ShowMessage(const std::string& text) override { lastMessage = text; }
    void ShowConfigFields() override {}
    void SetProgressPos(int) override {}
    void StartWatchTimer() override {}
    void StopWatchTimer() override {}
    unsigned long AwaitFileWork(const std::function<unsigned long()>& work) override {
        ++handOvers;
        return AwaitWorkWithoutInput(work);
    }
    std::string lastMessage;
    int handOvers = 0;
};

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double PeakWorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / kMiB;
}

double MiBPerSecond(std::size_t bytes, double seconds) { return static_cast<double>(bytes) / kMiB / seconds; }

std::string TempFolder(const char* name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// Writes size bytes of a repeating pattern, one block at a time, and returns their sum.
std::uint32_t WritePatternFile(const std::string& path, std::size_t size, unsigned seed) {
    std::vector<unsigned char> block(kWriteBlockSize);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i * 31 + seed);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::uint32_t sum = 0;
    for (std::size_t written = 0; written < size; written += block.size()) {
        std::fwrite(block.data(), 1, block.size(), file);
        sum = SumBytes(block.data(), block.size(), sum);
    }
    std::fclose(file);
    return sum;
}

// Best time of a few repeats, which leaves out page faults and other noise.
template <typename Work>
double BestSeconds(Work work) {
    double best = 1e9;
    for (int r = 0; r < kRepeats; ++r) {
        const double start = Now();
        work();
        best = std::min(best, Now() - start);
    }
    return best;
}

// The baseline of a run: each file copied, written through to the device and read
// back once, unbuffered, into a page-aligned buffer in whole blocks.
void CopyFlushAndReadOnce(const UpdateConfig& config, const std::string& package) {
    void* block = VirtualAlloc(nullptr, kReadBackBlockSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    for (int i = 0; i < config.fileCount; ++i) {
        const std::string target = JoinPath(config.targetFolder, config.fileNames[i]);
        CopyFileA(JoinPath(package, config.fileNames[i]).c_str(), target.c_str(), FALSE);
        HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        FlushFileBuffers(file);
        CloseHandle(file);
        file = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        DWORD got = 0;
        while (ReadFile(file, block, kReadBackBlockSize, &got, nullptr) && got == kReadBackBlockSize) continue;
        CloseHandle(file);
    }
    VirtualFree(block, 0, MEM_RELEASE);
}

void BenchUpdateRun() {
    const std::string package = TempFolder("nolvetra-bench-package");
    const std::string target = TempFolder("nolvetra-bench-target");
    UpdateConfig config;
    config.fileCount = kRunFileCount;
    for (int i = 0; i < kRunFileCount; ++i) {
        config.fileNames[i] = "fw" + std::to_string(i) + ".bin";
        const std::uint32_t sum = WritePatternFile(JoinPath(package, config.fileNames[i]), kRunFileSize, i);
        if (i < kChecksumSlots) config.checksums[i] = ChecksumText(sum);
    }
    config.checksumCount = kChecksumSlots;
    config.setTargetFolder(JoinPath(target, "DCIM"));
    SetCurrentDirectoryA(package.c_str());

    const double peakBefore = PeakWorkingSetMiB();
    QuietView view;
    const double seconds = BestSeconds([&] { RunUpdate(config, view); });
    const double peakAfter = PeakWorkingSetMiB();
    const double handOverSeconds = BestSeconds([] {
        for (int i = 0; i < kHandOvers; ++i) AwaitWorkWithoutInput([] { return 0ul; });
    }) / kHandOvers;
    const int handOversPerRun = view.handOvers / kRepeats;
    CreateDirectoryA(config.targetFolder.c_str(), nullptr);
    const double baseline = BestSeconds([&] { CopyFlushAndReadOnce(config, package); });

    std::printf("update run, %d files of %zu MiB: %.3f s (best of %d), outcome \"%s\"\n", kRunFileCount,
                kRunFileSize / kMiB, seconds, kRepeats, view.lastMessage.c_str());
    std::printf("handing one file operation to the worker and back: %.1f us; the run's %d: %.1f %% of its time\n",
                handOverSeconds * 1e6, handOversPerRun, 100.0 * handOverSeconds * handOversPerRun / seconds);
    std::printf("baseline, CopyFileA + flush + one unbuffered read of each copy: %.3f s (best of %d)\n", baseline,
                kRepeats);
    std::printf("(under Wine an unbuffered read costs what a cached one costs: Wine ignores the flag)\n");
    std::printf("ratio run / baseline: %.2f (at most %.1f): %s\n", seconds / baseline, kMostRunRatio,
                seconds <= kMostRunRatio * baseline ? "ok" : "TOO SLOW");
    std::printf("peak working set: %.1f MiB before the run, %.1f MiB after it (limit 32 MiB): %s\n", peakBefore,
                peakAfter, peakAfter < 32.0 ? "ok" : "TOO HIGH");

    for (int i = 0; i < kRunFileCount; ++i) {
        DeleteFileA(JoinPath(package, config.fileNames[i]).c_str());
        DeleteFileA(JoinPath(config.targetFolder, config.fileNames[i]).c_str());
    }
    SetCurrentDirectoryA(TempFolder("").c_str());
    RemoveDirectoryA(config.targetFolder.c_str());
    RemoveDirectoryA(target.c_str());
    RemoveDirectoryA(package.c_str());
}

std::uint64_t XorWords(const unsigned char* data, std::size_t size) {
    std::uint64_t result = 0;
    for (std::size_t i = 0; i + sizeof result <= size; i += sizeof result) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        result ^= word;
    }
    return result;
}

void BenchChecksumInMemory() {
    std::vector<unsigned char> buffer(kBigSize);
    std::uint32_t state = 2463534242u;  // xorshift: bytes without a short period
    for (unsigned char& byte : buffer) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<unsigned char>(state);
    }
    std::uint32_t sum = 0;
    std::uint64_t xored = 0;
    const double sumSeconds = BestSeconds([&] { sum = SumBytes(buffer.data(), buffer.size()); });
    const double xorSeconds = BestSeconds([&] { xored = XorWords(buffer.data(), buffer.size()); });
    const double sumRate = MiBPerSecond(kBigSize, sumSeconds);
    const double xorRate = MiBPerSecond(kBigSize, xorSeconds);
    std::printf("checksum rule, 256 MiB in memory: %.0f MiB/s (sum %s)\n", sumRate, ChecksumText(sum).c_str());
    std::printf("plain read (XOR of 64-bit words), same bytes: %.0f MiB/s (xor %016llx)\n", xorRate,
                static_cast<unsigned long long>(xored));
    std::printf("ratio checksum / plain read: %.2f (at least 0.5): %s\n", sumRate / xorRate,
                sumRate / xorRate >= 0.5 ? "ok" : "TOO SLOW");
}

void BenchChecksumOfFile() {
    const std::string path = JoinPath(TempFolder("nolvetra-bench-file"), "big.bin");
    const std::uint32_t expected = WritePatternFile(path, kBigSize, 7);
    std::string text;
    const double seconds = BestSeconds([&] {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        FileChecksumText(file, text);
        std::fclose(file);
    });
    std::printf("checksum of a 256 MiB file: %.0f MiB/s (%s, %s)\n", MiBPerSecond(kBigSize, seconds), text.c_str(),
                text == ChecksumText(expected) ? "correct" : "WRONG");
    DeleteFileA(path.c_str());
    RemoveDirectoryA(TempFolder("nolvetra-bench-file").c_str());
}

}  // namespace

int main() {
    BenchUpdateRun();
    BenchChecksumInMemory();
    BenchChecksumOfFile();
    // Shows that the peak measurement sees large allocations at all.
    std::printf("peak working set at the end, after the 256 MiB buffer: %.1f MiB\n", PeakWorkingSetMiB());
    return 0;
}
