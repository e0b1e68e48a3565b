// The check of a firmware package: reads the package in the current directory as
// nolvetra.exe and detector.dll will read it, with their own loader, checksum and
// device table, and prints one line per finding and then a summary line.
#pragma once

#include "findings.h"

void CheckPackage(Findings& findings);
