#include "target_room.h"

#include <windows.h>

#include "system_library.h"

namespace {

struct DriveSpace {
    FileBytes freeBytes;
    FileBytes clusterBytes;
};

// The root of the drive or share that holds folder (X:\ or \\server\share\), as
// GetDiskFreeSpaceA wants it; empty for any other path.
std::string RootOf(const std::string& folder) {
    if (folder.size() >= 2 && folder[1] == ':') return folder.substr(0, 2) + "\\";
    if (folder.compare(0, 2, "\\\\") != 0) return std::string();
    const std::string::size_type server = folder.find('\\', 2);
    if (server == std::string::npos) return std::string();
    const std::string::size_type share = folder.find('\\', server + 1);
    return share == std::string::npos ? folder + "\\" : folder.substr(0, share + 1);
}

// GetDiskFreeSpaceExA, which Windows 95 before OSR2 lacks, is bound at run time.
// Where it is missing, GetDiskFreeSpaceA's clusters give the free space; they are
// capped at 2 GiB on such systems, which only makes the check stricter.
decltype(&::GetDiskFreeSpaceExA) BindFreeSpaceEx() {
    decltype(&::GetDiskFreeSpaceExA) freeSpaceEx = nullptr;
    BindFunction(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA", freeSpaceEx);
    return freeSpaceEx;
}

bool ReadDriveSpace(const std::string& folder, DriveSpace& space) {
    const std::string root = RootOf(folder);
    if (root.empty()) return false;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return false;
    space.clusterBytes = FileBytes{sectorsPerCluster} * bytesPerSector;
    if (space.clusterBytes == 0) return false;
    space.freeBytes = FileBytes{freeClusters} * space.clusterBytes;
    static const auto freeSpaceEx = BindFreeSpaceEx();
    ULARGE_INTEGER available;
    if (freeSpaceEx != nullptr && freeSpaceEx(root.c_str(), &available, nullptr, nullptr))
        space.freeBytes = available.QuadPart;  // what this user may use, quotas included
    return true;
}

FileBytes WholeClusters(FileBytes bytes, FileBytes cluster) { return (bytes + cluster - 1) / cluster * cluster; }

}  // namespace

RoomCheck CheckRoom(const std::string& folder, const std::vector<FileBytes>& newSizes,
                    const std::vector<FileBytes>& oldSizes) {
    DriveSpace space;
    if (!ReadDriveSpace(folder, space)) return {Room::Unknown, -1};
    // The folder's own entries may take one more cluster.
    FileBytes needed = space.clusterBytes;
    FileBytes freedByOld = 0;
    for (const FileBytes size : oldSizes) freedByOld += WholeClusters(size, space.clusterBytes);
    int firstNotFitting = -1;
    for (std::size_t i = 0; i < newSizes.size(); ++i) {
        needed += WholeClusters(newSizes[i], space.clusterBytes);
        if (firstNotFitting < 0 && needed > space.freeBytes + freedByOld) firstNotFitting = static_cast<int>(i);
    }
    if (needed <= space.freeBytes) return {Room::BesideOld, -1};
    if (firstNotFitting < 0) return {Room::InPlaceOfOld, -1};
    return {Room::TooSmall, firstNotFitting};
}
