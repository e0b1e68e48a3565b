// The names of the update run's own files in the target folder: the staged copies it
// makes before it puts them in place, the old files it sets aside on Windows
// 95/98/ME, which cannot rename over an existing file, and the record of the names
// those came from; and the package names that would clash with them or with each
// other there.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "package_files.h"
#include "update_config.h"

// The staged copy of firmware file slot: ~STAGE00.TMP for slot 0 up to ~STAGE29.TMP.
// An 8.3 name, which every file system a camera may use stores as it is, and no
// firmware file's: a camera's loader looks for its own file names and takes no
// .TMP file. A slot outside the file-name table gives an empty name.
std::string StagedFileName(int slot);

// Whether name names one of the staged copies on Windows: in any letter case, and
// with trailing dots or blanks, which Windows drops. A package with such a file
// would have one of its files taken for a leftover copy.
bool IsStagedFileName(const std::string& name);

// The set-aside old file of firmware file slot: ~OLD00.TMP for slot 0 up to
// ~OLD29.TMP, an 8.3 name of the run's own as the staged ones are. A slot outside the
// file-name table gives an empty name.
std::string AsideFileName(int slot);

// The slot whose set-aside file name names on Windows (as IsStagedFileName compares),
// or -1 for any other name.
int AsideFileSlot(const std::string& name);

// The record of the names the set-aside old files come from: ~ASIDE.TMP, an 8.3 name
// of the run's own too.
constexpr char kAsideRecordName[] = "~ASIDE.TMP";

// Per slot, the name of the firmware file whose old file ~OLDnn.TMP is; empty where
// it is not known.
using AsideNames = std::array<std::string, kFileNameSlots>;

// The text of the record: a first line that says what the file is, a line per slot,
// and a last line with the checksum of everything before it, each ending in CR LF.
std::string AsideRecordText(const AsideNames& names);

// A record is never longer than this; what is longer is no record of the run's.
constexpr std::size_t kAsideRecordMaxBytes = 64 + kFileNameSlots * (kFileNameLength + 2);

// The names a record's text holds. A text that is not such a record in full (another
// program's file, one cut short or damaged) knows no name; neither does a line that
// is no plain file name of a package (a folder part, one of the run's own names).
AsideNames AsideRecordNames(const std::string& text);

// Why a file name of a package cannot be staged and put in place as a file of its
// own on the camera.
enum class NameClash {
    none,
    stagedName,          // it names a staged copy, a set-aside old file or their record
    trailingDotOrBlank,  // Windows drops them: "A.BIN." names A.BIN
    earlierName,         // it names the file of an earlier name: Windows ignores letter case
};

// The clash of names[i] with the staged copies and with names[0] to names[i - 1];
// none for an index past the names.
NameClash FindNameClash(const std::vector<std::string>& names, std::size_t i);

// The names of the package's fileCount files, within the file-name table.
std::vector<std::string> PackageFileNames(const UpdateConfig& config);

// Whether file i of the package clashes: two files would land on one name, or on one
// of the run's own. The update run refuses such a package before it touches the camera.
bool HasNameClash(const UpdateConfig& config, int i);
