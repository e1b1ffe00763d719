#include "support/outputchecksum.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace KestrumTest
{
namespace
{

constexpr int kFrames = 6000;
constexpr int kMaxBlock = 1024;
constexpr int kBlockLengths[] = {1024, 1, 333, 7, 1000, 64};
constexpr std::uint32_t kModeParameterId = 1;

// A generator of our own, so that the signal is the same with every
// standard library.
struct Lcg
{
    std::uint32_t state;
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f * 2.0f - 1.0f;
    }
};

std::vector<std::vector<float>> testSignal(int rate)
{
    std::vector<std::vector<float>> signal(kChecksumChannels,
                                           std::vector<float>(static_cast<size_t>(kFrames)));
    for (int ch = 0; ch < kChecksumChannels; ++ch)
    {
        Lcg noise{static_cast<std::uint32_t>(ch * 7919 + 1)};
        const float dc = 0.05f * static_cast<float>(ch % 5) - 0.1f;
        for (int i = 0; i < kFrames; ++i)
        {
            // A triangle, not a sine: basic IEEE arithmetic only, so the
            // signal does not depend on the platform's maths library.
            const float phase =
                static_cast<float>((i * (3 + ch)) % rate) / static_cast<float>(rate);
            const float rumble = 0.2f * (phase < 0.5f ? 4.0f * phase - 1.0f : 3.0f - 4.0f * phase);
            float x = dc + rumble + 0.1f * noise.next();
            if (i % 97 == 0)
                x = 1e-30f; // below the denormal floor
            signal[static_cast<size_t>(ch)][static_cast<size_t>(i)] = x;
        }
    }
    return signal;
}

std::uint64_t fnv1a(std::uint64_t hash, const float* data, int count)
{
    for (int i = 0; i < count; ++i)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &data[i], sizeof(bits));
        for (int b = 0; b < 4; ++b)
        {
            hash ^= (bits >> (8 * b)) & 0xffu;
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

} // namespace

bool outputChecksum(KestrumHost::HostedPlugin& plugin, int rate, double mode,
                    std::uint64_t& checksum)
{
    plugin.stop();
    if (!plugin.setParameter(kModeParameterId, mode) ||
        !plugin.start(rate, kMaxBlock, kChecksumChannels))
        return false;
    const std::vector<std::vector<float>> in = testSignal(rate);
    std::vector<std::vector<float>> out(in.size(), std::vector<float>(in[0].size()));
    std::vector<const float*> inputs(in.size());
    std::vector<float*> outputs(in.size());
    int pos = 0;
    for (int block = 0; pos < kFrames; ++block)
    {
        const int n = std::min(kBlockLengths[block % 6], kFrames - pos);
        for (size_t ch = 0; ch < in.size(); ++ch)
        {
            inputs[ch] = in[ch].data() + pos;
            outputs[ch] = out[ch].data() + pos;
        }
        if (!plugin.process(inputs.data(), outputs.data(), n))
            return false;
        pos += n;
    }
    std::uint64_t hash = 14695981039346656037ull;
    for (const auto& channel : out)
        hash = fnv1a(hash, channel.data(), kFrames);
    checksum = hash;
    return true;
}

bool readChecksumTable(const std::string& path, ChecksumTable& table)
{
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line))
    {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        int rate = 0;
        double mode = 0;
        std::string hex;
        if (!(fields >> rate >> mode >> hex))
            return false;
        table[{rate, mode}] = std::stoull(hex, nullptr, 16);
    }
    return true;
}

bool writeChecksumTable(const std::string& path, const ChecksumTable& table)
{
    std::ofstream out(path);
    out << "# rate mode fnv1a64(output) -- written by the Linux build, see outputchecksum.h\n";
    for (const auto& [key, sum] : table)
    {
        char hex[17];
        std::snprintf(hex, sizeof(hex), "%016" PRIx64, sum);
        out << key.first << ' ' << key.second << ' ' << hex << '\n';
    }
    return static_cast<bool>(out);
}

} // namespace KestrumTest
