#include "assets/asset_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

FILE* OpenAssetFile(const char* name, uint64_t* size, const char** reason) {
    *size = 0;
    if (!name) {
        *reason = "no file name";
        return nullptr;
    }
    FILE* file = fopen(name, "rb");
    if (!file) {
        *reason = strerror(errno);
        return nullptr;
    }
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        fclose(file);
        *reason = "not a regular file";
        return nullptr;
    }
    *size = static_cast<uint64_t>(info.st_size);
    *reason = "";
    return file;
}
