#include "exception_report.h"

#include <exception>

#include "file_exception.h"
#include "message_box.h"

namespace {

const char kUnexpectedError[] = "An unexpected error occurred.";

}  // namespace

void ReportCurrentException(HWND owner) {
    try {
        throw;
    } catch (const CFileException& error) {
        ShowMessageBox(owner, error.message(), MB_OK | MB_ICONSTOP);
    } catch (const std::exception& error) {
        ShowMessageBox(owner, error.what(), MB_OK | MB_ICONSTOP);
    } catch (...) {
        ShowMessageBox(owner, kUnexpectedError, MB_OK | MB_ICONSTOP);
    }
}
