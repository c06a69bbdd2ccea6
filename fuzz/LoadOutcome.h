#pragma once

#include <string>

// What became of one input handed to a loader. A plain value: whichever thread
// holds one may use it.
struct LoadOutcome
{
    // Where the bytes were put for the loader to read.
    std::string path;
    bool loaded = false;
    // The loader's message when it refused the input.
    std::string refusal;
};
