// Real folders and files for the tests: a folder that is emptied when created and
// removed with everything in it at the end of the test, a scoped change of the
// current directory, and the folder the running test program was started from.
#pragma once

#include <cstddef>
#include <string>

// The length a scratch folder's whole path is padded to, for tests of long paths.
struct PathLength {
    std::size_t characters;
};

class ScratchFolder {
public:
    // A new, empty folder under the temporary folder.
    ScratchFolder();
    // The same, its name padded so that its path is exactly length characters long.
    explicit ScratchFolder(PathLength length);
    // The folder at path, emptied first (for the test drive G:).
    explicit ScratchFolder(const std::string& path);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string pathOf(const std::string& name) const { return path_ + "\\" + name; }

    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::string path_;
};

// Replaces whatever the file at path holds by bytes.
void WriteBytes(const std::string& path, const std::string& bytes);

// Removes a folder with all its files and subfolders, read-only ones included.
void RemoveFolderTree(const std::string& path);

// The folder of the running program, without a trailing backslash: the build puts
// the files a test loads or stages beside the test program.
std::string ProgramFolder();

class CurrentDirectoryScope {
public:
    explicit CurrentDirectoryScope(const std::string& folder);
    ~CurrentDirectoryScope();
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

private:
    std::string previous_;
};
