#include "assets/text_scanner.h"

#include <charconv>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

const char* SkipBlanks(const char* p, const char* end) {
    while (p < end && IsBlank(*p)) ++p;
    return p;
}

const char* TokenEnd(const char* p, const char* end) {
    while (p < end && !IsBlank(*p)) ++p;
    return p;
}

// A number must fill its whole token: "12x" is not 12.
bool EndsToken(const char* p, const char* end) {
    return p == end || IsBlank(*p);
}

} // namespace

void StartTextScanner(TextScanner* scanner, const char* text, size_t size) {
    scanner->start = text;
    scanner->cursor = text;
    scanner->end = text + size;
}

bool ScanWord(TextScanner* scanner) {
    const char* p = SkipBlanks(scanner->cursor, scanner->end);
    if (p == scanner->end) return false;
    scanner->cursor = TokenEnd(p, scanner->end);
    return true;
}

bool ScanUnsigned(TextScanner* scanner, uint32_t* value) {
    const char* p = SkipBlanks(scanner->cursor, scanner->end);
    uint32_t result = 0;
    std::from_chars_result r = std::from_chars(p, scanner->end, result);
    if (r.ec != std::errc() || !EndsToken(r.ptr, scanner->end)) return false;
    *value = result;
    scanner->cursor = r.ptr;
    return true;
}

bool ScanFloat(TextScanner* scanner, float* value) {
    const char* p = SkipBlanks(scanner->cursor, scanner->end);
    // from_chars takes no plus sign; the text files may carry one.
    if (p < scanner->end && *p == '+' && scanner->end - p > 1 && p[1] != '-') ++p;
    float result = 0;
    std::from_chars_result r = std::from_chars(p, scanner->end, result);
    if (r.ec != std::errc() || !EndsToken(r.ptr, scanner->end)) return false;
    *value = result;
    scanner->cursor = r.ptr;
    return true;
}

size_t ScannerBytesLeft(const TextScanner* scanner) {
    return static_cast<size_t>(scanner->end - scanner->cursor);
}

int32_t ScannerLine(const TextScanner* scanner) {
    const char* next = SkipBlanks(scanner->cursor, scanner->end);
    int32_t line = 1;
    for (const char* p = scanner->start; p < next; ++p) line += *p == '\n';
    return line;
}
