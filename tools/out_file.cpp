#include "tools/out_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstring>

namespace {

// A short write or close with no errno of its own still fails, as an input/output error.
int LastError() {
    return errno != 0 ? errno : EIO;
}

void Fail(OutFile* out, int error) {
    if (out->error == 0) out->error = error;
}

} // namespace

void IgnoreFileSizeSignal() {
    signal(SIGXFSZ, SIG_IGN);
}

std::string TemporaryPathFor(const std::string& path) {
    return path + "." + std::to_string(getpid()) + ".part";
}

bool OpenOutFile(OutFile* out, const std::string& path, const char** reason) {
    IgnoreFileSizeSignal();
    out->path = path;
    out->temporary = TemporaryPathFor(path);
    out->error = 0;
    out->file = nullptr;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        Fail(out, EISDIR);
    } else {
        errno = 0;
        out->file = fopen(out->temporary.c_str(), "wb");
        if (!out->file) Fail(out, LastError());
    }
    if (out->error == 0) return true;
    *reason = strerror(out->error);
    return false;
}

bool WriteOutFile(OutFile* out, const void* bytes, size_t size) {
    if (out->error != 0 || !out->file) return false;
    errno = 0;
    if (fwrite(bytes, 1, size, out->file) != size) Fail(out, LastError());
    return out->error == 0;
}

bool PrintOutFile(OutFile* out, const char* format, ...) {
    if (out->error != 0 || !out->file) return false;
    va_list args;
    va_start(args, format);
    errno = 0;
    if (vfprintf(out->file, format, args) < 0) Fail(out, LastError());
    va_end(args);
    return out->error == 0;
}

bool CloseOutFile(OutFile* out, const char** reason) {
    if (out->file) {
        errno = 0;
        // The last buffered bytes reach the disk here: a full one often shows only now.
        if (fclose(out->file) != 0) Fail(out, LastError());
        out->file = nullptr;
        if (out->error == 0 && rename(out->temporary.c_str(), out->path.c_str()) != 0)
            Fail(out, errno);
        if (out->error != 0) unlink(out->temporary.c_str());
    } else if (out->error == 0) {
        Fail(out, EBADF);
    }
    if (out->error == 0) return true;
    *reason = strerror(out->error);
    return false;
}

void DiscardOutFile(OutFile* out) {
    if (!out->file) return;
    fclose(out->file);
    out->file = nullptr;
    unlink(out->temporary.c_str());
}

bool WriteWholeFile(const std::string& path, const void* bytes, size_t size, const char** reason) {
    OutFile out;
    if (!OpenOutFile(&out, path, reason)) return false;
    WriteOutFile(&out, bytes, size);
    return CloseOutFile(&out, reason);
}

bool MoveIntoPlace(const std::string& path, const char** reason) {
    const std::string temporary = TemporaryPathFor(path);
    if (rename(temporary.c_str(), path.c_str()) == 0) return true;
    *reason = strerror(errno);
    unlink(temporary.c_str());
    return false;
}
