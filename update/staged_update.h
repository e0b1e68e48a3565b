// The target folder's side of an update: staging the new files, putting them in
// place, and clearing up.
//
// Whatever the target folder holds under a firmware file's name is what the camera
// may load when it is next switched on. So nothing there changes until the new
// files are known to be good, and putting them in place is a step of renames only:
//   1. what an interrupted earlier run left is cleared (those names only): staged
//      copies (~STAGEnn.TMP) are removed, and an old file set aside (~OLDnn.TMP) is
//      put back under the name the record ~ASIDE.TMP says it came from where that
//      name is empty, else removed; one whose name is not known stays;
//   2. each new file is copied beside the old ones under its staged name and
//      written through to the device;
//   3. the run reads every staged copy back and checks it (update_run.cpp);
//   4. every staged copy and every old file must open for deletion: a file another
//      program holds would refuse its rename halfway through step 5; on 95/98/ME
//      every set-aside name the commit uses must be free, and the record of the
//      names the old files come from is written through;
//   5. only then is each staged copy renamed over the old file of its name (on
//      95/98/ME, which cannot rename over a file: the old file is renamed aside, the
//      staged copy takes its name, then the old file is deleted; a refused rename
//      into place puts the old file straight back), and each name is written
//      through to the device and must then hold a file of its source's size.
// A failure before step 5 removes every staged copy this run made: the old files
// stay exactly as they were. A cut-off step 5 leaves each name with its old or its
// new file (on 95/98/ME the old one possibly set aside, which step 1 of the next run
// puts back by the record) and the staged copies of the rest, which the next run
// clears. Only when the camera has room for the new files in place of the old ones
// alone are the old ones deleted before step 2.
#pragma once

#include <string>
#include <vector>

#include "staged_name.h"
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
    // Where file i's old file is set aside on 95/98/ME.
    std::string AsidePath(int i) const;

    // Step 1. Failures do not matter: a staged copy that stays is overwritten, and a
    // set-aside file that stays makes a commit on 95/98/ME that would use its name
    // fail before the first rename.
    void ClearLeftovers() const;
    // The sizes of the old files of the package's names in the folder that can be
    // deleted now, 0 where there is none or another program holds it at this moment.
    std::vector<FileBytes> FreeableOldFileSizes() const;
    // Deletes the old files of the package's names, read-only ones included.
    void DeleteOldFiles() const;
    // Step 2 for file i. Returns 0 or the system error code; a failed copy is removed.
    unsigned long Stage(int i) const;
    // After a failure before step 4: removes every staged copy of the package.
    void Discard() const;
    // Step 4 for file i: whether its staged copy and its old file can be renamed now
    // and, on 95/98/ME, its set-aside name is free; there the last file's check then
    // writes through the record of the names the old files are set aside from.
    // Returns 0, the system error code of the open or write that failed, or
    // ERROR_ALREADY_EXISTS for a taken set-aside name.
    unsigned long CheckFreeToReplace(int i) const;
    // Step 5 for file i: the staged copy takes the file's name. On 95/98/ME the last
    // file's rename, or the first that fails, then removes the record once no
    // set-aside file it names is left. Returns 0 or the system error code.
    unsigned long PutInPlace(int i) const;
    // The end of step 5 for file i: its name is written through to the device and
    // must hold a file of size bytes. Returns 0 or a system error code.
    unsigned long SettleInPlace(int i, FileBytes size) const;

private:
    bool IsLastFile(int i) const;
    std::string AsideRecordPath() const;
    AsideNames RemainingAsideNames() const;
    unsigned long RecordAsideNames() const;
    void RemoveSpentAsideRecord() const;
    unsigned long SetAsideAndReplace(int i) const;
    void PutBackOrRemove(const std::string& aside, const std::string& target) const;

    const UpdateConfig& config_;
    const std::vector<std::string>& sources_;
    CopyAccess& access_;
};
