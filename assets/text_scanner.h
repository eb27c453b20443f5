// Whitespace-separated tokens over a text held in memory, for the mesh files.
#pragma once
#include <cstddef>
#include <cstdint>

struct TextScanner {
    const char* start;
    const char* cursor;
    const char* end;
};

void StartTextScanner(TextScanner* scanner, const char* text, size_t size);
// Each reader skips white space, then takes one whole token. It returns false, and consumes
// nothing, at the end of the text or when the token is not of its kind.
bool ScanWord(TextScanner* scanner);
bool ScanUnsigned(TextScanner* scanner, uint32_t* value);
bool ScanFloat(TextScanner* scanner, float* value);
// The two readers of a float token, each returning the end of the number it read, or null for
// none: the standard library's from_chars where it reads floats (LOCKSTEP_FLOAT_FROM_CHARS),
// and strtof over a copy of the token where it does not (Emscripten's libc++). ScanFloat uses
// the first that the build has; the tests hold the two to the same results.
#if LOCKSTEP_FLOAT_FROM_CHARS
const char* ReadFloatFromChars(const char* p, const char* end, float* value);
#endif
const char* ReadFloatStrtof(const char* p, const char* end, float* value);
// Bytes not yet read, white space included.
size_t ScannerBytesLeft(const TextScanner* scanner);
// The 1-based line of the next token (or of the end of the text), for messages.
int32_t ScannerLine(const TextScanner* scanner);
