// The program's message box: captioned with the application name.
#pragma once

#include <windows.h>

#include <string>

// Shows text modally over owner with the given MB_ buttons and icon; returns the button pressed.
int ShowMessageBox(HWND owner, const std::string& text, UINT type);
