// Hostile package files from a seeded generator: FirmWare.ini and checksum.ini
// through the real loader and an update run, Detect.ini through the real
// detector.dll. Nothing may crash or hang, no run may touch a file outside the
// target folder or one the package does not name, and the detector's answer must
// be a readable table. The seed is printed; NOLVETRA_HOSTILE_SEED replays it and
// NOLVETRA_HOSTILE_CASES runs more cases of each kind than the few CI runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "file_paths.h"
#include "recording_view.h"
#include "scratch_folder.h"
#include "update_config_loader.h"
#include "update_run.h"
#include "vostel_exist.h"

namespace {

constexpr unsigned kCiCasesPerKind = 40;
constexpr int kPackageFiles = 4;  // F0.BIN .. F3.BIN exist in the package folder

unsigned EnvNumber(const char* name, unsigned fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : fallback;
}

// Hostile INI and text pieces; every choice comes from the seeded engine.
class Generator {
public:
    explicit Generator(unsigned seed) : engine_(seed) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(engine_); }
    bool OneIn(int n) { return Pick(n) == 0; }

    std::string Bytes(std::size_t size) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(Pick(256));
        return bytes;
    }
    std::string Number() {
        static const char* const kNumbers[] = {"0", "-1", "1", "2", "11", "30", "31", "255", "256",
                                               "2147483647", "-2147483648", "4294967295", "99999999999999",
                                               "0x10", " 7 ", "12abc", "", "1e3"};
        return OneIn(3) ? std::to_string(Pick(64) - 8) : kNumbers[Pick(sizeof kNumbers / sizeof *kNumbers)];
    }
    std::string Text() {
        switch (Pick(6)) {
        case 0: return std::string(static_cast<std::size_t>(256 + Pick(5000)), static_cast<char>('a' + Pick(26)));
        case 1: return Bytes(static_cast<std::size_t>(Pick(64)));
        case 2: return Number();
        case 3: return "";
        default: return "word" + std::to_string(Pick(100));
        }
    }
    std::string FileName() {
        static const char* const kEscapes[] = {"..\\F0.BIN", "..\\..\\x.bin", "sub\\F1.BIN", "C:F2.BIN",
                                               "/F3.BIN", "..", ".", "F1.BIN:stream", "a*?.bin"};
        switch (Pick(12)) {
        case 0: return kEscapes[Pick(sizeof kEscapes / sizeof *kEscapes)];
        case 1: return Text();
        default: return "F" + std::to_string(Pick(kPackageFiles + 1)) + ".BIN";
        }
    }
    std::string LineEnd() {
        static const char* const kEnds[] = {"\r\n", "\n", "\r", "\n\r", ""};
        return kEnds[OneIn(4) ? Pick(5) : lineEndStyle_];
    }
    void ChooseLineEnds() { lineEndStyle_ = Pick(4); }

    // Empty, binary, or lines (with thousands of junk sections now and then)
    // written by fill, each with its own possibly mixed line end.
    template <typename Fill>
    std::string File(Fill fill) {
        ChooseLineEnds();
        if (OneIn(8)) return "";
        if (OneIn(8)) return Bytes(static_cast<std::size_t>(Pick(4096)));
        std::string text;
        const auto line = [&](const std::string& content) { text += content + LineEnd(); };
        fill(line);
        if (OneIn(6)) {
            for (int n = 0, sections = 1000 + Pick(3000); n < sections; ++n) line("[junk" + std::to_string(n) + "]");
        }
        return text;
    }

    std::string FirmwareIni() {
        return File([&](const auto& line) {
            if (!OneIn(5)) line("[PID_VID]");
            line("PID_VID=" + (OneIn(2) ? std::string("USB\\VID_0ABC&PID_1D2E") : Text()));
            if (!OneIn(8)) line(OneIn(8) ? "[SETTING" : "[setting]");
            line("productname=" + Text());
            line("fwver=" + Text());
            const int names = OneIn(4) ? Pick(40) : 1 + Pick(6);
            if (!OneIn(6)) line("filenum=" + (OneIn(2) ? Number() : std::to_string(names)));
            for (int i = 0; i < names; ++i) {
                line(std::to_string(OneIn(10) ? Pick(300) : i) + "=" + FileName());
            }
        });
    }
    std::string ChecksumIni() {
        return File([&](const auto& line) {
            for (int i = 0, lines = OneIn(5) ? Pick(2000) : Pick(14); i < lines; ++i) line(OneIn(2) ? Number() : Text());
        });
    }
    std::string DetectIni() {
        return File([&](const auto& line) {
            line("[HWNum]");
            line("Number=" + Number());
            for (int n = 0, sections = Pick(200); n < sections; ++n) {
                line("[Device" + std::to_string(OneIn(8) ? Pick(100000) - 10 : n + 1) + "]");
                for (const char* key : {"DeviceName", "SubKey", "SubKey98", "SubKeyME", "PID", "VID"}) {
                    if (!OneIn(4)) line(std::string(key) + "=" + (OneIn(2) ? Number() : Text()));
                }
            }
        });
    }

private:
    std::mt19937 engine_;
    int lineEndStyle_ = 0;
};

std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") names.insert(name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// A scratch folder holding the package (the current directory) and the camera,
// whose DCIM folder is the run's target.
class HostilePackage : public ::testing::Test {
protected:
    HostilePackage()
        : seed(EnvNumber("NOLVETRA_HOSTILE_SEED", GetTickCount())),
          cases(EnvNumber("NOLVETRA_HOSTILE_CASES", kCiCasesPerKind)),
          generator(seed) {
        std::printf("hostile package files: seed %u, %u cases (NOLVETRA_HOSTILE_SEED, NOLVETRA_HOSTILE_CASES)\n",
                    seed, cases);
        CreateDirectoryA(camera.c_str(), nullptr);
        for (int i = 0; i < kPackageFiles; ++i) WriteBytes(JoinPath(package, "F" + std::to_string(i) + ".BIN"), "fw");
    }
    ~HostilePackage() override {
        std::printf("%u cases in %.1f s, slowest %.2f s\n", cases, total, slowest);
        if (loaderCases) std::printf("%u loaded, %u copied and verified\n", loadedCases, copiedCases);
    }

    // Runs one case, timing it; the case number and the seed name it in a failure.
    template <typename Case>
    void RunCases(Case oneCase) {
        for (unsigned n = 0; n < cases && !HasFatalFailure(); ++n) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", case " + std::to_string(n));
            const auto start = std::chrono::steady_clock::now();
            oneCase();
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            total += seconds;
            slowest = std::max(slowest, seconds);
        }
    }

    // Loads the package and runs an update; checks what the record holds and that
    // the run touched only the target folder and files the record names.
    void LoadAndRun() {
        UpdateConfig config;
        RecordingView view;
        const bool loaded = LoadUpdateConfig(config, JoinPath(package, "FirmWare.ini"), view);
        EXPECT_GE(config.checksumCount, 0);
        if (loaded) {
            ASSERT_GE(config.fileCount, 1);
            ASSERT_LE(config.fileCount, kFileNameSlots);
        }
        std::set<std::string> named;
        for (int i = 0; i < kFileNameSlots; ++i) {
            EXPECT_LE(config.fileNames[i].size(), 254u);
            EXPECT_EQ(config.fileNames[i].find_first_of("\\/:"), std::string::npos) << config.fileNames[i];
            if (!config.fileNames[i].empty()) named.insert(Upper(config.fileNames[i]));
        }
        for (const std::string& checksum : config.checksums) EXPECT_LE(checksum.size(), 15u);
        const std::set<std::string> packageBefore = NamesIn(package);

        config.setTargetFolder(target);
        RunUpdate(config, view);
        EXPECT_EQ(NamesIn(root.path()), (std::set<std::string>{"camera", "package"}));
        EXPECT_LE(NamesIn(camera).size(), 1u);
        for (const std::string& name : NamesIn(target)) EXPECT_EQ(named.count(Upper(name)), 1u) << name;
        EXPECT_EQ(NamesIn(package), packageBefore);
        const bool copied = !view.messages.empty() && view.messages.back() == "Copy OK!";
        EXPECT_TRUE(loaded || !copied);
        loaderCases = true;
        loadedCases += loaded ? 1 : 0;
        copiedCases += copied ? 1 : 0;
        RemoveFolderTree(target);
    }

    ScratchFolder root;
    const std::string package = root.pathOf("package");
    const std::string camera = root.pathOf("camera");
    const std::string target = JoinPath(camera, "DCIM");
    const bool packageMade = CreateDirectoryA(package.c_str(), nullptr) != FALSE;
    CurrentDirectoryScope inPackage{package};
    const unsigned seed;
    const unsigned cases;
    Generator generator;
    double total = 0;
    double slowest = 0;
    bool loaderCases = false;
    unsigned loadedCases = 0;
    unsigned copiedCases = 0;
};

}  // namespace

TEST_F(HostilePackage, FirmwareIniThroughTheLoaderAndARun) {
    RunCases([&] {
        WriteBytes(JoinPath(package, "FirmWare.ini"), generator.FirmwareIni());
        std::string checksums;  // every package file holds "fw", whose checksum is dd
        for (int i = 0; i < kChecksumSlots; ++i) checksums += "dd\r\n";
        WriteBytes(JoinPath(package, "checksum.ini"), checksums);
        LoadAndRun();
    });
}

TEST_F(HostilePackage, ChecksumIniThroughTheLoaderAndARun) {
    RunCases([&] {
        WriteBytes(JoinPath(package, "FirmWare.ini"), "[setting]\r\nfilenum=3\r\n0=F0.BIN\r\n1=F1.BIN\r\n2=F2.BIN\r\n");
        WriteBytes(JoinPath(package, "checksum.ini"), generator.ChecksumIni());
        LoadAndRun();
    });
}

// The real library, loaded by the loader from beside this program; the loader may
// load it but nothing here changes it.
TEST_F(HostilePackage, DetectIniThroughTheDetector) {
    const HMODULE detector = LoadLibraryA("detector.dll");
    ASSERT_NE(nullptr, detector) << GetLastError();
    const auto query = reinterpret_cast<decltype(&VostelExist)>(
        reinterpret_cast<void*>(GetProcAddress(detector, "VostelExist")));
    ASSERT_NE(nullptr, query);
    RunCases([&] {
        WriteBytes(JoinPath(package, "Detect.ini"), generator.DetectIni());
        std::int32_t count = -12345;
        const FoundDevice* table = query(&count);
        ASSERT_GE(count, 0);
        if (count > 0) {
            ASSERT_NE(nullptr, table);
        }
        for (std::int32_t i = 0; i < count; ++i) {
            EXPECT_EQ(table[i].RecordLength, FOUND_DEVICE_RECORD_LENGTH);
            EXPECT_TRUE(std::all_of(std::begin(table[i].Reserved0), std::end(table[i].Reserved0),
                                    [](std::uint8_t b) { return b == 0; }));
            EXPECT_EQ(table[i].Reserved2 | table[i].Reserved3 | table[i].Reserved1[0] | table[i].Reserved1[1], 0u);
        }
    });
    FreeLibrary(detector);
}
