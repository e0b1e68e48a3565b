// Reports the exception being handled in a message box owned by a window: a file
// exception with its standard file-error text, any other with what it says.
#pragma once

#include <windows.h>

// Call only from inside a catch block.
void ReportCurrentException(HWND owner);
