#include "file_exception.h"

#include <iterator>

namespace {

// Standard texts, indexed by CFileException::Cause.
const char* const kCauseTexts[] = {
    "An unexpected error occurred while accessing %1.",
    "An unexpected error occurred while accessing %1.",
    "%1 was not found.",
    "%1 contains an incorrect path.",
    "%1 could not be opened because there are too many open files.",
    "Access to %1 was denied.",
    "An incorrect file handle was associated with %1.",
    "%1 could not be removed because it is the current directory.",
    "%1 could not be created because the directory is full.",
    "Seek failed on %1",
    "A hardware I/O error was reported while accessing %1.",
    "A sharing violation occurred while accessing %1.",
    "A locking violation occurred while accessing %1.",
    "Disk full while accessing %1.",
    "An attempt was made to access %1 past its end.",
};
static_assert(std::size(kCauseTexts) == CFileException::endOfFile + 1, "one text per cause");

std::string replaceFileName(const std::string& text, const std::string& fileName) {
    std::string result = text;
    const std::string::size_type at = result.find("%1");
    if (at != std::string::npos) result.replace(at, 2, fileName);
    return result;
}

}  // namespace

CFileException::CFileException(Cause cause, DWORD osError, const std::string& fileName)
    : std::runtime_error(replaceFileName(kCauseTexts[cause], fileName)),
      cause_(cause),
      osError_(osError),
      fileName_(fileName) {}

CFileException CFileException::FromOsError(DWORD osError, const std::string& fileName) {
    return CFileException(CauseFromOsError(osError), osError, fileName);
}

CFileException::Cause CFileException::CauseFromOsError(DWORD osError) {
    switch (osError) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_CURRENT_DIRECTORY: return removeCurrentDir;
    case ERROR_CANNOT_MAKE: return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK: return badSeek;
    case ERROR_SHARING_VIOLATION:
    case ERROR_SHARING_BUFFER_EXCEEDED: return sharingViolation;
    case ERROR_LOCK_VIOLATION:
    case ERROR_LOCK_FAILED: return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY: return hardIO;
    default: return genericException;
    }
}

std::string CFileException::message() const { return what(); }
