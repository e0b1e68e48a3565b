#include "scratch_folder.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

std::string NewTempFolderPath() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    return std::string(temp) + "nolvetra-test-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++serial);
}

// Pads the folder name at the end of path so that path is length characters long;
// a path already longer cannot serve a test that needs that length.
std::string PaddedTo(std::string path, std::size_t length) {
    if (path.size() > length) throw std::runtime_error(path + " is longer than " + std::to_string(length));
    path.append(length - path.size(), 'x');
    return path;
}

std::string CurrentDirectory() {
    char buffer[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
}

}  // namespace

void RemoveFolderTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolderTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

std::string ProgramFolder() {
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string path = program;
    return path.substr(0, path.find_last_of('\\'));
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

ScratchFolder::ScratchFolder() : ScratchFolder(NewTempFolderPath()) {}

ScratchFolder::ScratchFolder(PathLength length)
    : ScratchFolder(PaddedTo(NewTempFolderPath(), length.characters)) {}

ScratchFolder::ScratchFolder(const std::string& path) : path_(path) {
    RemoveFolderTree(path_);
    if (!CreateDirectoryA(path_.c_str(), nullptr)) throw std::runtime_error("cannot create " + path_);
}

ScratchFolder::~ScratchFolder() { RemoveFolderTree(path_); }

void ScratchFolder::write(const std::string& name, const std::string& bytes) const {
    WriteBytes(pathOf(name), bytes);
}

std::string ScratchFolder::read(const std::string& name) const {
    std::ifstream file(pathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool ScratchFolder::exists(const std::string& name) const {
    return GetFileAttributesA(pathOf(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

CurrentDirectoryScope::CurrentDirectoryScope(const std::string& folder) : previous_(CurrentDirectory()) {
    if (!SetCurrentDirectoryA(folder.c_str())) throw std::runtime_error("cannot enter " + folder);
}

CurrentDirectoryScope::~CurrentDirectoryScope() { SetCurrentDirectoryA(previous_.c_str()); }
