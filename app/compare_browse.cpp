#include "compare_browse.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "file_compare.h"
#include "file_paths.h"
#include "main_dialog.h"
#include "system_library.h"
#include "update_view.h"

namespace {

constexpr std::size_t kCompareBlockSize = 64 * 1024;
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;  // 0x51

long long LengthOf(std::FILE* file) {
    _fseeki64(file, 0, SEEK_END);
    const long long length = _ftelli64(file);
    _fseeki64(file, 0, SEEK_SET);
    return length;
}

// Reads the target block by block against the source, up to the first difference;
// true when they differ.
bool ContentsDiffer(std::FILE* source, std::FILE* target) {
    SourceComparison comparison(source);
    std::vector<unsigned char> targetBlock(kCompareBlockSize);
    std::size_t read;
    while ((read = std::fread(targetBlock.data(), 1, kCompareBlockSize, target)) > 0) {
        if (!comparison.Next(targetBlock.data(), read)) return true;
    }
    return std::ferror(target) != 0 || !comparison.Same();
}

enum class FileComparison { sameContents, differentContents, differentLengths };

// A file that cannot be opened on either side cannot be shown to be the same:
// it is reported like one whose length differs.
FileComparison CompareFiles(const std::string& sourcePath, const std::string& targetPath) {
    FileHandle source(std::fopen(sourcePath.c_str(), "rb"));
    FileHandle target(std::fopen(targetPath.c_str(), "rb"));
    if (!source || !target || LengthOf(source.get()) != LengthOf(target.get()))
        return FileComparison::differentLengths;
    return ContentsDiffer(source.get(), target.get()) ? FileComparison::differentContents
                                                       : FileComparison::sameContents;
}

std::string PickFolder(HWND owner) {
    char displayName[kPathBufferSize] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = "";
    info.ulFlags = kBrowseFlags;
    PIDLIST_ABSOLUTE picked = SHBrowseForFolderA(&info);
    if (picked == nullptr) return std::string();
    // A pick without a file-system path is taken as no pick: the target stays as it was.
    char path[kPathBufferSize] = {};
    const bool converted = SHGetPathFromIDListA(picked, path) != FALSE;
    CoTaskMemFree(picked);
    return converted ? std::string(path) : std::string();
}

}  // namespace

void RunCompare(const UpdateConfig& config, UpdateView& view) {
    const std::string sourceFolder = CurrentFolder();
    std::string report = "These files are not same with the source files:\n";
    bool anyDiffers = false;
    // The name table has kFileNameSlots entries whatever fileCount says.
    const int files = std::min<int>(config.fileCount, kFileNameSlots);
    for (int i = 0; i < files; ++i) {
        const std::string& name = config.fileNames[i];
        const FileComparison result =
            CompareFiles(JoinPath(sourceFolder, name), JoinPath(config.targetFolder, name));
        if (result != FileComparison::sameContents) {
            anyDiffers = true;
            report += name + "\n";
        }
        if (result != FileComparison::differentLengths) view.SetProgressPos(i + 1);
    }
    view.SetProgressPos(ProgressEnd(config.fileCount));
    view.ShowMessage(anyDiffers ? report : "OK");
    view.SetProgressPos(0);
}

namespace {

// The ole32.dll of the first Windows 95 has no CoInitializeEx, and one unresolved
// import would keep the program from starting there: it is looked up in ole32
// (imported for CoUninitialize and CoTaskMemFree, so loaded) when the picker opens.
// Without it the picker runs without COM and shows its old style.
HRESULT InitializeComApartment() {
    static decltype(&::CoInitializeEx) initialize = nullptr;
    static const bool bound = BindFunction(GetModuleHandleA("ole32.dll"), "CoInitializeEx", initialize);
    return bound ? initialize(nullptr, COINIT_APARTMENTTHREADED) : E_NOTIMPL;
}

}  // namespace

std::string BrowseForFolder(HWND owner) {
    // The picker's new dialog style needs COM on this thread.
    const HRESULT com = InitializeComApartment();
    std::string folder = PickFolder(owner);
    if (SUCCEEDED(com)) CoUninitialize();
    return folder;
}

void CUpdateDlg::OnCompare() { RunCompare(config, *this); }

void CUpdateDlg::OnBrowse() {
    const std::string folder = BrowseForFolder(window());
    if (folder.empty()) return;
    UpdateData(true);
    // Exactly the folder picked: no DCIM is added.
    config.setTargetFolder(folder);
    UpdateData(false);
}
