#include "ScratchDirectory.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

ScratchDirectory::ScratchDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "orvalis-osm-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch directory from " + pattern);
    directory = pattern;
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

std::string ScratchDirectory::write(const std::string& name, const std::string& bytes) const
{
    const std::string file = path(name);
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file);
    return file;
}

std::string ScratchDirectory::path(const std::string& name) const
{
    return (directory / name).string();
}
