// Centring of a dialog that its template and initialisation left where they put it.
#pragma once

#include <windows.h>

// Centres dialog over its owner (or the work area when it has no visible owner)
// unless its template asks for its own placement (DS_CENTER, DS_ABSALIGN) or its
// window rectangle is no longer the one it was created with (placed).
void CentreUnplacedDialog(HWND dialog, const RECT& placed);
