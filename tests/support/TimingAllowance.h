// Upper limits of the tests' timing checks. The programs wait the same in
// every build, but sanitizers and Wine slow the work around the waits, so a
// limit that holds in a plain build stretches in those builds; lower limits,
// the waits themselves, never do.
#ifndef TESTS_SUPPORT_TIMINGALLOWANCE_H
#define TESTS_SUPPORT_TIMINGALLOWANCE_H

namespace timing {

// True in a sanitizer build, and in the Windows build, whose tests run
// under Wine (UTILITY_SLOW_BUILD comes from tests/CMakeLists.txt).
constexpr bool SlowBuild() { return UTILITY_SLOW_BUILD != 0; }

// The limit a plain build is held to, doubled in a slow build.
constexpr long long UpperLimitMs(long long plainLimitMs)
{
    return SlowBuild() ? 2 * plainLimitMs : plainLimitMs;
}

}  // namespace timing

#endif
