// What the tool prints about files: the figures tables and the JSON report.
#include "batch.h"

#include "module/kestrumparamids.h"
#include "toolstreams.h"

#include <cmath>
#include <string>

namespace KestrumTool
{
namespace
{

std::string formatDb(double db)
{
    if (std::isinf(db) && db < 0)
        return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f dBFS", db);
    return text;
}

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text)
    {
        if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (static_cast<unsigned char>(c) < 0x20)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            out += escaped;
        }
        else
            out += c;
    }
    return out + "\"";
}

std::string jsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null"; // silence: -inf dBFS
    char text[32];
    std::snprintf(text, sizeof(text), "%.9g", value);
    return text;
}

const char* statusName(FileOutcome::Status status)
{
    switch (status)
    {
    case FileOutcome::Status::kWritten:
        return "written";
    case FileOutcome::Status::kAnalysed:
        return "analysed";
    case FileOutcome::Status::kSkipped:
        return "skipped";
    case FileOutcome::Status::kFailed:
        break;
    }
    return "failed";
}

} // namespace

bool applySettings(KestrumHost::HostedPlugin& plugin, const ProcessOptions& options,
                   std::string& error)
{
    if (options.bypass && !plugin.setParameter(Kestrum::kBypassId, 1.0))
        error = "the plug-in refused the bypass setting";
    else if (options.modeValue >= 0.0 && !plugin.setParameter(Kestrum::kModeId, options.modeValue))
        error = "the plug-in refused the mode setting";
    else
        return true;
    return false;
}

void printFigures(const std::vector<ChannelFigures>& figures)
{
    std::printf("%-8s %12s %12s %16s %16s\n", "channel", "DC before", "DC after", "<20 Hz before",
                "<20 Hz after");
    for (size_t c = 0; c < figures.size(); ++c)
    {
        const ChannelFigures& f = figures[c];
        std::printf("%-8zu %+12.6f %+12.6f %16s %16s\n", c + 1, f.dcBefore, f.dcAfter,
                    formatDb(f.lowBefore).c_str(), formatDb(f.lowAfter).c_str());
    }
}

void writeJson(std::FILE* out, const std::vector<BatchItem>& items,
               const std::vector<FileOutcome>& outcomes)
{
    std::fprintf(out, "[");
    for (size_t i = 0; i < items.size(); ++i)
    {
        const FileOutcome& o = outcomes[i];
        std::string line = i ? ",\n " : "\n ";
        line += "{\"input\": " + jsonString(items[i].input);
        if (!items[i].output.empty())
            line += ", \"output\": " + jsonString(items[i].output);
        line += ", \"outcome\": \"" + std::string(statusName(o.status)) + "\"";
        if (!o.reason.empty())
            line += ", \"reason\": " + jsonString(o.reason);
        line += ", \"warnings\": [";
        for (size_t w = 0; w < o.warnings.size(); ++w)
            line += (w ? ", " : "") + jsonString(o.warnings[w]);
        line += "], \"channels\": [";
        for (size_t c = 0; c < o.figures.size(); ++c)
        {
            const ChannelFigures& f = o.figures[c];
            line += std::string(c ? ", " : "") + "{\"dc_before\": " + jsonNumber(f.dcBefore) +
                    ", \"dc_after\": " + jsonNumber(f.dcAfter) +
                    ", \"below_20hz_before_dbfs\": " + jsonNumber(f.lowBefore) +
                    ", \"below_20hz_after_dbfs\": " + jsonNumber(f.lowAfter) + "}";
        }
        line += "]}";
        std::fputs(line.c_str(), out);
    }
    std::fprintf(out, "\n]\n");
}

} // namespace KestrumTool
