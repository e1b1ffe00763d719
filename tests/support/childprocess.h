// Runs a program to completion with extra environment variables and returns
// its exit status and what it printed.
#pragma once

#include <string>
#include <vector>

namespace KestrumTest
{

struct ProcessResult
{
    int exitCode = -1; // -1 when it could not run or was killed
    std::string out;
    std::string err;
};

ProcessResult runProcess(const std::vector<std::string>& args,
                         const std::vector<std::string>& extraEnv = {});

} // namespace KestrumTest
