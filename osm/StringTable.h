#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

// Interned texts: each distinct text is held once and named by a small number.
// Texts never move, so their views stay valid as long as the table; each ends with
// a zero byte, for the readers that compare C strings. Filled on one
// thread, then read from any number.
class StringTable
{
public:
    std::uint32_t intern(std::string_view text);
    std::string_view text(std::uint32_t id) const { return texts[id]; }
    std::size_t size() const { return texts.size(); }

private:
    std::string_view copy(std::string_view text);

    std::vector<std::unique_ptr<char[]>> blocks;
    std::size_t blockUsed = 0;
    std::size_t blockSize = 0;
    std::vector<std::string_view> texts;
    std::unordered_map<std::string_view, std::uint32_t> ids;
};
