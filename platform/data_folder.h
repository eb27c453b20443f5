// Where the player finds its data set. The loaders name their files "data/...", relative to the
// working folder; the player moves to the first folder that holds data/. A released folder's
// data/ beside the program comes first, so a data/ that happens to be in the working folder
// cannot stand in for it.
#pragma once
#include <string>
#include <vector>

// How far above the program's own folder data/ is looked for: two levels let build/bin/lockstep
// find the repository's data/, and the Windows folder's lockstep.exe finds its own beside it.
constexpr int kDataFolderLevelsUp = 2;

// The folders that may hold data/, in the order they are tried, each once: the program's folder,
// the working folder, then up to kDataFolderLevelsUp folders above the program's (only the
// working folder when programFolder is empty). '/' and '\' both separate; trailing separators are dropped except
// from a root ("/", "C:\").
std::vector<std::string> DataFolderCandidates(const std::string& workingFolder,
                                              const std::string& programFolder);

// Enters the first of those folders that holds data/ (programFolder as PlatformProgramFolder
// gives it). When none does, stays, and says on stderr where it looked and how to make a data set.
void EnterDataFolder(const std::string& programFolder);
