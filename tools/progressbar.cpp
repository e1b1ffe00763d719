#include "progressbar.h"

#include <algorithm>
#include <string>
#include <unistd.h>

namespace KestrumTool
{
namespace
{

constexpr int kWidth = 40;
constexpr double kLongFileSeconds = 10.0;

} // namespace

ProgressBar::ProgressBar(std::FILE* stream, std::int64_t totalFrames, bool show)
    : out(stream), total(totalFrames), enabled(show && totalFrames > 0)
{
}

ProgressBar::~ProgressBar()
{
    finish();
}

bool ProgressBar::wanted(std::FILE* stream, double seconds)
{
    return stream && isatty(fileno(stream)) && seconds >= kLongFileSeconds;
}

void ProgressBar::update(std::int64_t done)
{
    if (!enabled)
        return;
    const int percent = static_cast<int>(100 * std::min(done, total) / total);
    if (percent == lastPercent)
        return;
    lastPercent = percent;
    const int filled = percent * kWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '-');
    std::fprintf(out, "\r[%s] %3d%%", bar.c_str(), percent);
    std::fflush(out);
}

void ProgressBar::finish()
{
    if (!enabled)
        return;
    std::fputc('\n', out);
    std::fflush(out);
    enabled = false;
}

} // namespace KestrumTool
