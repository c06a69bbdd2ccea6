#pragma once

#include <filesystem>
#include <string>

// A private directory for the files one test writes; removed with everything in it.
class ScratchDirectory
{
public:
    ScratchDirectory();
    ~ScratchDirectory();

    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // Writes the bytes as they are (no newline translation) and returns the file's path.
    std::string write(const std::string& name, const std::string& bytes) const;
    std::string path(const std::string& name) const;

private:
    std::filesystem::path directory;
};
