#pragma once

#include <cstdlib>

// A broken property stops the run at once, so libFuzzer keeps the input.
inline void Check(bool condition)
{
    if (!condition)
        std::abort();
}
