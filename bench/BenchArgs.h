#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

// Command-line arguments of one bench sub-command: positional values and
// "--name value" options (flags listed in the constructor take no value).
// Malformed input throws std::invalid_argument with a message for the user.
class BenchArgs
{
public:
    BenchArgs(const std::vector<std::string>& args, const std::vector<std::string>& flags = {});

    const std::vector<std::string>& positional() const { return values; }
    std::string positional(std::size_t index, const std::string& what) const;
    bool has(const std::string& name) const;
    std::string text(const std::string& name, const std::string& fallback) const;
    double number(const std::string& name, double fallback) const;
    int integer(const std::string& name, int fallback) const;

    // "--name WxH" into width and height; both stay as they are without the option.
    void size(const std::string& name, int& width, int& height) const;

    static double toNumber(const std::string& text, const std::string& what);
    static int toInteger(const std::string& text, const std::string& what);

private:
    std::vector<std::string> values;
    std::map<std::string, std::string> options;
};

// Wall time since start, on the steady clock.
double secondsSince(std::chrono::steady_clock::time_point start);

// The value below which the given fraction of the values lie (0.5: the median).
double quantile(std::vector<double> values, double fraction);
