// Files the tools write, whole or not at all: the bytes go to a temporary name beside the final
// one, every write and the close are checked, and only then is the file renamed into place. A
// failure removes the temporary file and gives the system's reason (strerror of the failing
// call), so a file under its final name is always a finished one.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

struct OutFile {
    FILE* file;
    std::string path;      // the final name
    std::string temporary; // where the bytes go until CloseOutFile renames them
    int error;             // errno of the first failed call; 0 while all went well
};

// A file past the size limit (ulimit -f) becomes a failed write to report, not a signal that
// ends the tool. Called at the start of a tool's main, before anything (a GL driver's shader
// cache too) writes; opening an OutFile does it as well.
void IgnoreFileSizeSignal();

// The temporary name beside path: the same folder, so the rename never crosses file systems.
std::string TemporaryPathFor(const std::string& path);

// Opens the temporary file. A path that is a folder fails at once ("Is a directory"), before
// anything is made or written.
bool OpenOutFile(OutFile* out, const std::string& path, const char** reason);
// Both stop writing after the first failure and report it again; CloseOutFile gives its reason.
bool WriteOutFile(OutFile* out, const void* bytes, size_t size);
bool PrintOutFile(OutFile* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Closes and renames into place; on any failure (this or an earlier one) removes the temporary
// file and says why.
bool CloseOutFile(OutFile* out, const char** reason);
// Gives up: closes and removes the temporary file; the final name is left as it was.
void DiscardOutFile(OutFile* out);

// The whole file in one call.
bool WriteWholeFile(const std::string& path, const void* bytes, size_t size, const char** reason);
// Puts a file that another program wrote under TemporaryPathFor(path) into place; removes it
// when that fails.
bool MoveIntoPlace(const std::string& path, const char** reason);
