// The loaders' two fixed messages, plus a line on stderr that says which file and why.
#pragma once

extern const char* const kFileNotFoundMessage;    // "EEEEEEEEEEEK!!!     file not found!!"
extern const char* const kNotEnoughMemoryMessage; // "EEEEEEEEEEEK!!!     not nuff mem!!"

// Writes message to stdout (no line end, flushed), then "lockstep: <file>: <reason>" to stderr.
void ReportLoadFailure(const char* message, const char* file, const char* reason);
// A problem with a file that has no fixed message: only the stderr line.
void ReportLoadProblem(const char* file, const char* reason);
