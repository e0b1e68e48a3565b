#include "findings.h"

#include <cstdio>

namespace {

void PrintFinding(const char* kind, const std::string& file, const std::string& what) {
    std::printf("%s: %s: %s\n", kind, file.c_str(), what.c_str());
}

}  // namespace

void Findings::Error(const std::string& file, const std::string& what) {
    PrintFinding("error", file, what);
    ++errors_;
}

void Findings::Warning(const std::string& file, const std::string& what) {
    PrintFinding("warning", file, what);
    ++warnings_;
}
