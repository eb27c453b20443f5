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
// Bytes not yet read, white space included.
size_t ScannerBytesLeft(const TextScanner* scanner);
// The 1-based line of the next token (or of the end of the text), for messages.
int32_t ScannerLine(const TextScanner* scanner);
