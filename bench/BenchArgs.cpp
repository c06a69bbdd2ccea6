#include "bench/BenchArgs.h"

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <stdexcept>

BenchArgs::BenchArgs(const std::vector<std::string>& args, const std::vector<std::string>& flags)
{
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0 || arg.size() == 2)
        {
            values.push_back(arg);
            continue;
        }
        const std::string name = arg.substr(2);
        if (std::find(flags.begin(), flags.end(), name) != flags.end())
            options[name] = "";
        else if (i + 1 < args.size())
            options[name] = args[++i];
        else
            throw std::invalid_argument("option " + arg + " needs a value");
    }
}

std::string BenchArgs::positional(std::size_t index, const std::string& what) const
{
    if (index >= values.size())
        throw std::invalid_argument("missing " + what);
    return values[index];
}

bool BenchArgs::has(const std::string& name) const
{
    return options.count(name) != 0;
}

std::string BenchArgs::text(const std::string& name, const std::string& fallback) const
{
    const auto option = options.find(name);
    return option == options.end() ? fallback : option->second;
}

double BenchArgs::number(const std::string& name, double fallback) const
{
    return has(name) ? toNumber(text(name, ""), "--" + name) : fallback;
}

int BenchArgs::integer(const std::string& name, int fallback) const
{
    return has(name) ? toInteger(text(name, ""), "--" + name) : fallback;
}

namespace
{
// The whole text read by convert (std::stod, std::stoi), or invalid_argument naming what it is for.
template <typename Convert>
auto wholeText(const std::string& text, const std::string& what, const char* kind, Convert convert)
{
    std::size_t used = 0;
    decltype(convert(text, &used)) value{};
    try
    {
        value = convert(text, &used);
    }
    catch (const std::exception&)
    {
        used = 0;
    }
    if (used == 0 || used != text.size() || !std::isfinite(static_cast<double>(value)))
        throw std::invalid_argument(what + ": '" + text + "' is not " + kind);
    return value;
}
} // namespace

double BenchArgs::toNumber(const std::string& text, const std::string& what)
{
    return wholeText(text, what, "a number", [](const std::string& t, std::size_t* used) { return std::stod(t, used); });
}

int BenchArgs::toInteger(const std::string& text, const std::string& what)
{
    return wholeText(text, what, "a whole number",
                     [](const std::string& t, std::size_t* used) { return std::stoi(t, used); });
}

void BenchArgs::size(const std::string& name, int& width, int& height) const
{
    if (!has(name))
        return;
    const std::string value = text(name, "");
    char x = 0;
    if (std::sscanf(value.c_str(), "%d%c%d", &width, &x, &height) != 3 || x != 'x' || width <= 0 || height <= 0)
        throw std::invalid_argument("--" + name + " must look like 1280x720, not \"" + value + "\"");
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double quantile(std::vector<double> values, double fraction)
{
    const std::size_t index = std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()));
    std::nth_element(values.begin(), values.begin() + index, values.end());
    return values[index];
}
