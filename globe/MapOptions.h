#pragma once

#include <string>

namespace globe
{
struct MapOptions
{
    std::string name;
};
} // namespace globe
