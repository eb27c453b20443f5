// Opening asset files: only regular files count, so a folder or a device never passes as data.
#pragma once
#include <cstdint>
#include <cstdio>

// Opens name for binary reading and gives its size in bytes. Returns null, with a short
// reason, when it cannot be opened or is not a regular file.
FILE* OpenAssetFile(const char* name, uint64_t* size, const char** reason);
