#include "bench/BenchCommands.h"

#include <exception>
#include <functional>
#include <iostream>
#include <map>

namespace
{
const std::map<std::string, std::function<int(const std::vector<std::string>&)>>& commands()
{
    static const std::map<std::string, std::function<int(const std::vector<std::string>&)>> table{
        {"load", runLoadBench},
        {"elevation", runElevationBench},
        {"terrain", runTerrainBench},
        {"sun", runSunBench},
        {"cells", runCellsBench},
        {"frames", runFramesBench},
        {"idle", runIdleBench},
        {"search", runSearchBench},
        {"pick", runPickBench},
        {"soak", runSoakBench},
    };
    return table;
}

int usage()
{
    std::cerr << "usage: orvalis-bench COMMAND [ARGS...]\ncommands:";
    for (const auto& entry : commands())
        std::cerr << ' ' << entry.first;
    std::cerr << '\n';
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const auto command = commands().find(argv[1]);
    if (command == commands().end())
        return usage();
    try
    {
        return command->second(std::vector<std::string>(argv + 2, argv + argc));
    }
    catch (const std::exception& e)
    {
        std::cerr << "orvalis-bench " << argv[1] << ": " << e.what() << '\n';
        return 1;
    }
}
