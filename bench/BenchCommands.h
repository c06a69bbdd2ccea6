#pragma once

#include <string>
#include <vector>

// Each sub-command gets its arguments after the sub-command's name and returns
// the exit status. It prints one JSON object as its last line of standard output;
// unusable input goes to standard error with status 1.
int runLoadBench(const std::vector<std::string>& args);
int runElevationBench(const std::vector<std::string>& args);
int runTerrainBench(const std::vector<std::string>& args);
int runSunBench(const std::vector<std::string>& args);
int runCellsBench(const std::vector<std::string>& args);
int runFramesBench(const std::vector<std::string>& args);
int runIdleBench(const std::vector<std::string>& args);
int runSearchBench(const std::vector<std::string>& args);
int runPickBench(const std::vector<std::string>& args);
int runSoakBench(const std::vector<std::string>& args);
