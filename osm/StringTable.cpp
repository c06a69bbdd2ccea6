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
    if (blocks.empty() || blockSize - blockUsed < text.size())
    {
        blockSize = std::max(minimumBlock, text.size());
        blocks.emplace_back(new char[blockSize]);
        blockUsed = 0;
    }
    char* at = blocks.back().get() + blockUsed;
    std::memcpy(at, text.data(), text.size());
    blockUsed += text.size();
    return std::string_view(at, text.size());
}
