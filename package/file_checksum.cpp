#include "file_checksum.h"

#include <windows.h>

#include <cstdio>

#include "failure_code.h"

unsigned long ReadFileChecksum(const std::string& path, std::string& checksum) {
    // Cleared first, so that a code left by an earlier call is not taken for the open's.
    SetLastError(ERROR_SUCCESS);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return FailureCode();
    const DWORD error = FileChecksumText(file, checksum) ? ERROR_SUCCESS : FailureCode();
    std::fclose(file);
    return error;
}
