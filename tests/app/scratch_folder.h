// Real folders and files for the tests: a folder that is emptied when created and
// removed with everything in it at the end of the test, and a scoped change of the
// current directory.
#pragma once

#include <string>

class ScratchFolder {
public:
    // A new, empty folder under the temporary folder.
    ScratchFolder();
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

// Removes a folder with all its files and subfolders, read-only ones included.
void RemoveFolderTree(const std::string& path);

class CurrentDirectoryScope {
public:
    explicit CurrentDirectoryScope(const std::string& folder);
    ~CurrentDirectoryScope();
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

private:
    std::string previous_;
};
