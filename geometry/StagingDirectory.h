#pragma once

#include <filesystem>
#include <string>

// A temporary directory beside a target file: the file, and any file that goes with
// it, is written there whole and then moved to its place, so that the place never
// holds half a file. What was not moved goes with the directory. One thread.
class StagingDirectory
{
public:
    // Throws std::runtime_error naming the target when its directory cannot take files.
    explicit StagingDirectory(const std::string& target);
    ~StagingDirectory();

    StagingDirectory(const StagingDirectory&) = delete;
    StagingDirectory& operator=(const StagingDirectory&) = delete;

    // Where a file of that name is staged.
    std::string pathOf(const std::string& fileName) const;
    // Moves the staged file into the target's directory, replacing one of that name.
    void publish(const std::string& fileName) const;

private:
    std::filesystem::path destination;
    std::filesystem::path directory;
};
