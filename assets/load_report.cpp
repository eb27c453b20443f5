#include "assets/load_report.h"

#include <cstdio>

const char* const kFileNotFoundMessage = "EEEEEEEEEEEK!!!     file not found!!";
const char* const kNotEnoughMemoryMessage = "EEEEEEEEEEEK!!!     not nuff mem!!";

void ReportLoadFailure(const char* message, const char* file, const char* reason) {
    // The console message has no line end of its own; flush so it shows before the show goes on.
    fputs(message, stdout);
    fflush(stdout);
    ReportLoadProblem(file, reason);
}

void ReportLoadProblem(const char* file, const char* reason) {
    fprintf(stderr, "lockstep: %s: %s\n", file ? file : "(no name)", reason);
}
