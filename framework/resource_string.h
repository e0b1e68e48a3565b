// Texts of the program's string table.
#pragma once

#include <string>

// The string table entry id of the program file, or an empty text when there is none.
std::string LoadResourceString(unsigned id);
