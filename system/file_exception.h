// CFileException: a file operation that failed, with its cause and the file's full path.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

class CFileException : public std::runtime_error {
public:
    // The causes a file failure is sorted into; each has its standard message.
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    CFileException(Cause cause, DWORD osError, const std::string& fileName);

    // Builds the exception from a Windows error code, as GetLastError reports it.
    static CFileException FromOsError(DWORD osError, const std::string& fileName);
    static Cause CauseFromOsError(DWORD osError);

    Cause cause() const { return cause_; }
    DWORD osError() const { return osError_; }
    const std::string& fileName() const { return fileName_; }
    // The standard text of the cause with the file name in place of "%1".
    std::string message() const;

private:
    Cause cause_;
    DWORD osError_;
    std::string fileName_;
};
