// Small text helpers shared by the command line, the configuration and the
// commands.
#ifndef BASE_TEXTUTIL_H
#define BASE_TEXTUTIL_H

#include <cstddef>

// Whole-text comparison without regard to ASCII letter case.
bool EqualsIgnoreCase(const char* a, const char* b);

// Copies at most size - 1 characters and always terminates (size > 0).
void CopyText(char* destination, size_t size, const char* source);

// Decimal conversion as the C library's atoi does it, without its undefined
// behaviour on overflow: blanks, one sign, then the leading digits; no digits
// give 0; values beyond int saturate.
int DecimalValue(const char* text);

#endif
