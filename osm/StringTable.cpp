#include "osm/StringTable.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr std::size_t minimumBlock = 64 << 10;
}

std::uint32_t StringTable::intern(std::string_view text)
{
    const auto found = ids.find(text);
    if (found != ids.end())
        return found->second;
    const std::string_view stored = copy(text);
    const auto id = static_cast<std::uint32_t>(texts.size());
    texts.push_back(stored);
    ids.emplace(stored, id);
    return id;
}

std::string_view StringTable::copy(std::string_view text)
{
    const std::size_t bytes = text.size() + 1;
    if (blocks.empty() || blockSize - blockUsed < bytes)
    {
        blockSize = std::max(minimumBlock, bytes);
        blocks.emplace_back(new char[blockSize]);
        blockUsed = 0;
    }
    char* at = blocks.back().get() + blockUsed;
    std::memcpy(at, text.data(), text.size());
    at[text.size()] = '\0';
    blockUsed += bytes;
    return std::string_view(at, text.size());
}
