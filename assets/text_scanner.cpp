#include "assets/text_scanner.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

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

// Longer float tokens than this are refused by the strtof reader; the mesh files write at most
// a dozen characters.
constexpr size_t kMaxFloatToken = 127;

} // namespace

#if LOCKSTEP_FLOAT_FROM_CHARS
const char* ReadFloatFromChars(const char* p, const char* end, float* value) {
    std::from_chars_result r = std::from_chars(p, end, *value);
    return r.ec == std::errc() ? r.ptr : nullptr;
}
#endif

const char* ReadFloatStrtof(const char* p, const char* end, float* value) {
    char token[kMaxFloatToken + 1];
    size_t n = 0;
    // strtof would read on into a hexadecimal number, which from_chars stops before.
    while (p + n < end && n < kMaxFloatToken && !IsBlank(p[n]) && p[n] != 'x' && p[n] != 'X') {
        token[n] = p[n];
        ++n;
    }
    token[n] = '\0';
    // strtof also takes a plus sign, which from_chars refuses.
    if (token[0] == '+') return nullptr;
    errno = 0;
    char* stop = nullptr;
    const float result = strtof(token, &stop);
    if (stop == token) return nullptr;
    // Out of range as from_chars has it: too large, or too small for even a subnormal.
    if (errno == ERANGE && (result == 0.0f || std::isinf(result))) return nullptr;
    *value = result;
    return p + (stop - token);
}

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
#if LOCKSTEP_FLOAT_FROM_CHARS
    const char* stop = ReadFloatFromChars(p, scanner->end, &result);
#else
    const char* stop = ReadFloatStrtof(p, scanner->end, &result);
#endif
    if (!stop || !EndsToken(stop, scanner->end)) return false;
    *value = result;
    scanner->cursor = stop;
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
