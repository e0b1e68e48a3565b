// Which detection path the query takes.
#pragma once

// True on the Windows NT family (bit 31 of GetVersion clear), false on 95/98/ME.
bool IsNtFamily();
