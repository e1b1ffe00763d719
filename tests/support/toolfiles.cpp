#include "support/toolfiles.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sndfile.h>

namespace KestrumTest
{

bool writeAudio(const std::string& path, const Audio& audio, const char* comment)
{
    SF_INFO info{};
    info.channels = audio.channels;
    info.samplerate = audio.rate;
    info.format = audio.format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    const auto frames = static_cast<sf_count_t>(audio.samples.size()) / audio.channels;
    bool ok = sf_writef_float(file, audio.samples.data(), frames) == frames;
    if (comment)
        ok = ok && sf_set_string(file, SF_STR_COMMENT, comment) == 0;
    return sf_close(file) == 0 && ok;
}

bool readAudio(const std::string& path, Audio& audio)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return false;
    audio.channels = info.channels;
    audio.rate = info.samplerate;
    audio.format = info.format;
    audio.samples.resize(static_cast<size_t>(info.frames * info.channels));
    const bool ok = sf_readf_float(file, audio.samples.data(), info.frames) == info.frames;
    sf_close(file);
    return ok;
}

Audio offsetTone(int format)
{
    Audio audio{2, 48000, format, {}};
    for (int i = 0; i < 2 * 48000; ++i)
    {
        const double tone = 0.3 * std::sin(2 * M_PI * 440.0 * i / 48000.0);
        audio.samples.push_back(static_cast<float>(0.25 + tone));
        audio.samples.push_back(static_cast<float>(-0.2 + tone));
    }
    return audio;
}

double meanOfLastSecond(const Audio& audio, int channel)
{
    const size_t frames = audio.samples.size() / static_cast<size_t>(audio.channels);
    double sum = 0;
    for (size_t i = frames - static_cast<size_t>(audio.rate); i < frames; ++i)
        sum +=
            audio.samples[i * static_cast<size_t>(audio.channels) + static_cast<size_t>(channel)];
    return sum / audio.rate;
}

bool printedRow(const std::string& out, int channel, double& dcBefore, double& dcAfter,
                double& lowBefore, double& lowAfter)
{
    const auto row = out.find("\n" + std::to_string(channel) + " ");
    if (row == std::string::npos)
        return false;
    int number = 0;
    return std::sscanf(out.c_str() + row, " %d %lf %lf %lf dBFS %lf dBFS", &number, &dcBefore,
                       &dcAfter, &lowBefore, &lowAfter) == 5;
}

ProcessResult runTool(const TempDir& home, std::vector<std::string> args,
                      std::vector<std::string> extraEnv)
{
    args.insert(args.begin(), KESTRUM_PROCESS_TOOL);
    extraEnv.push_back("HOME=" + home.path().string());
    return runProcess(args, extraEnv);
}

std::string fileContents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readChunks(const std::string& path, std::vector<RiffChunk>& chunks)
{
    const std::string file = fileContents(path);
    chunks.clear();
    if (file.size() < 12 || file.compare(8, 4, "WAVE") != 0)
        return {};
    auto le32 = [&](size_t at)
    {
        std::uint32_t v = 0;
        std::memcpy(&v, file.data() + at, 4);
        return v;
    };
    std::uint64_t rf64Data = 0;
    for (size_t at = 12; at + 8 <= file.size();)
    {
        std::uint64_t size = le32(at + 4);
        const std::string id = file.substr(at, 4);
        if (id == "ds64")
            std::memcpy(&rf64Data, file.data() + at + 16, 8);
        if (id == "data" && size == 0xFFFFFFFFu)
            size = rf64Data;
        chunks.push_back({id, file.substr(at + 8, static_cast<size_t>(size))});
        at += 8 + static_cast<size_t>(size + (size & 1));
    }
    return file.substr(0, 4);
}

std::string riffFile(const std::vector<RiffChunk>& chunks)
{
    std::string body = "WAVE";
    for (const RiffChunk& chunk : chunks)
    {
        const auto size = static_cast<std::uint32_t>(chunk.bytes.size());
        body += chunk.id;
        body.append(reinterpret_cast<const char*>(&size), 4);
        body += chunk.bytes;
        if (size & 1)
            body += '\0';
    }
    const auto size = static_cast<std::uint32_t>(body.size());
    return "RIFF" + std::string(reinterpret_cast<const char*>(&size), 4) + body;
}

} // namespace KestrumTest
