#pragma once
// What a sanitized build changes in the tests. It runs many times slower than
// any figure a test could name, so there a wall-clock limit is a day: the
// check is as good as skipped, while the behaviour around it still runs.

#include <chrono>

#ifdef VIREO_SANITIZED_BUILD
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif

template <class Rep, class Period>
constexpr std::chrono::duration<Rep, Period> WallLimit(std::chrono::duration<Rep, Period> limit)
{
    using Limit = std::chrono::duration<Rep, Period>;
    return kSanitizedBuild ? std::chrono::duration_cast<Limit>(std::chrono::hours(24)) : limit;
}
