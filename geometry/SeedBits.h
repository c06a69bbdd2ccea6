#pragma once

#include <cstdint>

// Well spread bits from an id or a grid point (splitmix64), and fractions read from
// them, so that what varies per feature (a tree's size, where a wood's trees stand)
// comes out the same on every run. Any thread.
inline std::uint64_t seedBits(std::uint64_t value)
{
    value += 0x9e3779b97f4a7c15ull;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ull;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebull;
    return value ^ (value >> 31);
}

// The bits' k-th fraction in [0, 1), k from 0 to 3.
inline float seedFraction(std::uint64_t bits, int k)
{
    return static_cast<float>((bits >> (16 * k)) & 0xffffu) / 65536.0f;
}
