#include "geometry/StagingDirectory.h"

#include <osg/Notify>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <vector>

StagingDirectory::StagingDirectory(const std::string& target)
{
    const std::filesystem::path path(target);
    destination = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string pattern = (destination / ("." + path.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr)
        throw std::runtime_error("cannot write " + target + ": " + std::strerror(errno));
    directory = name.data();
}

StagingDirectory::~StagingDirectory()
{
    std::error_code error;
    std::filesystem::remove_all(directory, error);
    if (error)
        OSG_WARN << "Could not remove " << directory.string() << ": " << error.message() << std::endl;
}

std::string StagingDirectory::pathOf(const std::string& fileName) const
{
    return (directory / fileName).string();
}

void StagingDirectory::publish(const std::string& fileName) const
{
    std::error_code error;
    std::filesystem::rename(directory / fileName, destination / fileName, error);
    if (error)
        throw std::runtime_error("cannot write " + (destination / fileName).string() + ": " + error.message());
}
