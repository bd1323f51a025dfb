#include "base/TextUtil.h"

#include <cctype>
#include <climits>
#include <cstring>

bool EqualsIgnoreCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        int ca = std::toupper(static_cast<unsigned char>(*a));
        int cb = std::toupper(static_cast<unsigned char>(*b));
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

void CopyText(char* destination, size_t size, const char* source)
{
    size_t length = std::strlen(source);
    if (length >= size) length = size - 1;
    std::memcpy(destination, source, length);
    destination[length] = '\0';
}

int DecimalValue(const char* text)
{
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\v' ||
           *text == '\f')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = (*text++ == '-');
    long long value = 0;
    while (*text >= '0' && *text <= '9') {
        value = value * 10 + (*text++ - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}
