#include "bench/BenchArgs.h"

#include <algorithm>
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

double BenchArgs::toNumber(const std::string& text, const std::string& what)
{
    std::size_t used = 0;
    double value = 0.0;
    try
    {
        value = std::stod(text, &used);
    }
    catch (const std::exception&)
    {
        used = 0;
    }
    if (used == 0 || used != text.size() || !std::isfinite(value))
        throw std::invalid_argument(what + ": '" + text + "' is not a number");
    return value;
}

int BenchArgs::toInteger(const std::string& text, const std::string& what)
{
    std::size_t used = 0;
    int value = 0;
    try
    {
        value = std::stoi(text, &used);
    }
    catch (const std::exception&)
    {
        used = 0;
    }
    if (used == 0 || used != text.size())
        throw std::invalid_argument(what + ": '" + text + "' is not a whole number");
    return value;
}
