// A one-line progress bar on a terminal, redrawn only when its percentage
// changes. Silent when disabled (not a terminal, or a short file).
#pragma once

#include <cstdint>
#include <cstdio>

namespace KestrumTool
{

class ProgressBar
{
public:
    ProgressBar(std::FILE* out, std::int64_t total, bool enabled);
    ~ProgressBar();

    void update(std::int64_t done);
    // Completes the line; further updates draw nothing.
    void finish();

    // Whether a bar is worth showing: the stream is a terminal and the file
    // takes a while to process.
    static bool wanted(std::FILE* out, double seconds);

private:
    std::FILE* out;
    std::int64_t total;
    bool enabled;
    int lastPercent = -1;
};

} // namespace KestrumTool
