#include "StreamCapture.h"

#include <QTest>

#include <sstream>

StreamCapture::StreamCapture(std::ostream& stream_) : stream(stream_), previous(stream_.rdbuf(&buffer))
{
}

StreamCapture::~StreamCapture()
{
    stream.rdbuf(previous);
}

std::string StreamCapture::text() const
{
    return buffer.text();
}

std::vector<std::string> StreamCapture::takeLines()
{
    std::vector<std::string> lines;
    std::istringstream taken(buffer.take());
    for (std::string line; std::getline(taken, line);)
        lines.push_back(line);
    return lines;
}

bool StreamCapture::waitForLine(const std::string& line, int timeoutMs) const
{
    return QTest::qWaitFor(
        [&] {
            const std::string written = "\n" + buffer.text();
            return written.find("\n" + line + "\n") != std::string::npos;
        },
        timeoutMs);
}

std::string StreamCapture::LockedBuffer::text() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return written;
}

// Only whole lines: a line being written stays for the next take.
std::string StreamCapture::LockedBuffer::take()
{
    std::lock_guard<std::mutex> lock(mutex);
    const std::size_t end = written.rfind('\n');
    if (end == std::string::npos)
        return std::string();
    std::string lines = written.substr(0, end + 1);
    written.erase(0, end + 1);
    return lines;
}

StreamCapture::LockedBuffer::int_type StreamCapture::LockedBuffer::overflow(int_type ch)
{
    if (traits_type::eq_int_type(ch, traits_type::eof()))
        return traits_type::not_eof(ch);
    std::lock_guard<std::mutex> lock(mutex);
    written.push_back(traits_type::to_char_type(ch));
    return ch;
}

std::streamsize StreamCapture::LockedBuffer::xsputn(const char* s, std::streamsize n)
{
    std::lock_guard<std::mutex> lock(mutex);
    written.append(s, static_cast<std::size_t>(n));
    return n;
}
