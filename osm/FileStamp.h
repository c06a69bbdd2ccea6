#pragma once

#include <string>

// What tells one state of a file from another: its identity, size and last change.
// Any thread may take one.
struct FileStamp
{
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = -1;
    long long changedNanoseconds = 0;

    // The stamp of the file at path now; the default (no file) when it cannot be had.
    static FileStamp of(const std::string& path);

    bool operator==(const FileStamp& other) const;
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
