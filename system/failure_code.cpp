#include "failure_code.h"

#include <windows.h>

unsigned long FailureCode() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_READ_FAULT;
}
