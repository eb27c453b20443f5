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
    const char* end = TokenEnd(p, scanner->end);
    if (p == end) return false;
    uint32_t result = 0;
    std::from_chars_result r = std::from_chars(p, end, result);
    if (r.ec != std::errc() || r.ptr != end) return false;
    *value = result;
    scanner->cursor = end;
    return true;
}

bool ScanFloat(TextScanner* scanner, float* value) {
    const char* p = SkipBlanks(scanner->cursor, scanner->end);
    const char* end = TokenEnd(p, scanner->end);
    if (p == end) return false;
    const char* digits = p;
    if (*digits == '+' && end - digits > 1 && digits[1] != '-') ++digits;
    float result = 0;
    std::from_chars_result r = std::from_chars(digits, end, result);
    if (r.ec != std::errc() || r.ptr != end) return false;
    *value = result;
    scanner->cursor = end;
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
