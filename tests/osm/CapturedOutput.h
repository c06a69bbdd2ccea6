#pragma once

#include <iostream>
#include <sstream>
#include <string>

// Takes what is written to std::cout while it lives (the loader's progress lines).
class CapturedOutput
{
public:
    CapturedOutput() : saved(std::cout.rdbuf(buffer.rdbuf())) {}
    ~CapturedOutput() { std::cout.rdbuf(saved); }

    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    std::string text() const { return buffer.str(); }

private:
    std::ostringstream buffer;
    std::streambuf* saved;
};
