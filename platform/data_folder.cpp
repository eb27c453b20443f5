#include "platform/data_folder.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string TrimFolder(std::string folder) {
    while (folder.size() > 1 && IsSeparator(folder.back()) && folder[folder.size() - 2] != ':')
        folder.pop_back();
    return folder;
}

// The folder above a trimmed FOLDER; a root, or a bare name, is its own parent here.
std::string ParentFolder(const std::string& folder) {
    const size_t cut = folder.find_last_of("/\\");
    if (cut == std::string::npos || cut + 1 == folder.size()) return folder;
    // A root keeps its separator: "/bin" -> "/", "C:\Games" -> "C:\".
    if (cut == 0 || folder[cut - 1] == ':') return folder.substr(0, cut + 1);
    return folder.substr(0, cut);
}

void AddOnce(std::vector<std::string>* folders, const std::string& folder) {
    if (!folder.empty() && std::find(folders->begin(), folders->end(), folder) == folders->end())
        folders->push_back(folder);
}

bool HoldsData(const std::string& folder) {
    const std::string path = folder + (IsSeparator(folder.back()) ? "data" : "/data");
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::vector<std::string> DataFolderCandidates(const std::string& workingFolder,
                                              const std::string& programFolder) {
    std::vector<std::string> folders;
    std::string folder = programFolder.empty() ? std::string() : TrimFolder(programFolder);
    AddOnce(&folders, folder);
    AddOnce(&folders, TrimFolder(workingFolder));
    if (folder.empty()) return folders;
    for (int level = 1; level <= kDataFolderLevelsUp; ++level) {
        folder = ParentFolder(folder);
        AddOnce(&folders, folder);
    }
    return folders;
}

void EnterDataFolder(const std::string& programFolder) {
    char working[4096];
    if (!getcwd(working, sizeof working)) snprintf(working, sizeof working, ".");
    const std::vector<std::string> folders = DataFolderCandidates(working, programFolder);
    for (const std::string& folder : folders) {
        if (HoldsData(folder) && (folder == TrimFolder(working) || chdir(folder.c_str()) == 0))
            return;
    }
    std::string places = folders[0];
    for (size_t i = 1; i < folders.size(); ++i)
        places += (i + 1 == folders.size() ? " or " : ", ") + folders[i];
    fprintf(stderr, "lockstep: no data/ in %s; lockstep-datagen DIR/data makes a data set\n",
            places.c_str());
}
