#pragma once

#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

// Takes over an output stream (std::cout, std::cerr) until destroyed and keeps
// what is written to it. The data thread writes too: every write takes a lock.
class StreamCapture
{
public:
    explicit StreamCapture(std::ostream& stream);
    ~StreamCapture();
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    std::string text() const;
    // The complete lines written since the last take, which drops them.
    std::vector<std::string> takeLines();
    // Waits, running the event loop, until a line equal to `line` has been written
    // since the last take; false after timeoutMs.
    bool waitForLine(const std::string& line, int timeoutMs) const;

private:
    class LockedBuffer : public std::streambuf
    {
    public:
        std::string text() const;
        std::string take();

    protected:
        int_type overflow(int_type ch) override;
        std::streamsize xsputn(const char* s, std::streamsize n) override;

    private:
        mutable std::mutex mutex;
        std::string written;
    };

    std::ostream& stream;
    std::streambuf* previous;
    LockedBuffer buffer;
};
