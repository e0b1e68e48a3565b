// The target folder's side of an update: staging the new files, putting them in
// place, and clearing up.
//
// Whatever the target folder holds under a firmware file's name is what the camera
// may load when it is next switched on. So nothing there changes until the new
// files are known to be good, and putting them in place is a step of renames only:
//   1. staged copies that an interrupted earlier run left are removed (those names
//      only, ~STAGEnn.TMP);
//   2. each new file is copied beside the old ones under its staged name and
//      written through to the device;
//   3. the run reads every staged copy back and checks it (update_run.cpp);
//   4. only then is each staged copy renamed over the old file of its name, and
//      every name must then hold a file of its source's size.
// A failure before step 4 removes every staged copy this run made: the old files
// stay exactly as they were. A cut-off step 4 leaves each name with its old or its
// new file and the staged copies of the rest, which the next run clears or completes.
// Only when the camera has room for the new files in place of the old ones alone are
// the old ones deleted before step 2.
#pragma once

#include <string>
#include <vector>

#include "target_room.h"
#include "update_config.h"

class CopyAccess;

class StagedUpdate {
public:
    // The files of config, copied from sources (one path per file) into
    // config.targetFolder. Nothing happens before a step is called.
    StagedUpdate(const UpdateConfig& config, const std::vector<std::string>& sources, CopyAccess& access);

    // The staged copy of file i and the firmware file it replaces.
    std::string StagedPath(int i) const;
    std::string TargetPath(int i) const;

    // Step 1. Failures do not matter: a staged copy that stays is overwritten.
    void ClearLeftovers() const;
    // The sizes of the old files of the package's names in the folder, 0 where there is none.
    std::vector<FileBytes> OldFileSizes() const;
    // Deletes the old files of the package's names, read-only ones included.
    void DeleteOldFiles() const;
    // Step 2 for file i. Returns 0 or the system error code; a failed copy is removed.
    unsigned long Stage(int i) const;
    // After a failure before step 4: removes every staged copy of the package.
    void Discard() const;
    // Step 4 for file i: the staged copy takes the file's name. Returns 0 or the
    // system error code.
    unsigned long PutInPlace(int i) const;
    // Whether file i's name holds a file of size bytes. Returns 0 or a system error code.
    unsigned long CheckInPlace(int i, FileBytes size) const;

private:
    const UpdateConfig& config_;
    const std::vector<std::string>& sources_;
    CopyAccess& access_;
};
