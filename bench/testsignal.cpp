// Writes a long stereo test file for the batch benchmark on machines without
// sox: two tones, pink-ish noise, a DC offset and a 5 Hz rumble, the format
// following the extension and the bit depth given.
//
//   kestrum_testsignal OUT.wav|OUT.flac SECONDS [16|24|float]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sndfile.h>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: %s OUT.wav|OUT.flac SECONDS [16|24|float]\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    const double seconds = std::atof(argv[2]);
    const std::string depth = argc > 3 ? argv[3] : "24";
    const bool flac = path.size() > 5 && path.compare(path.size() - 5, 5, ".flac") == 0;
    SF_INFO info{};
    info.channels = 2;
    info.samplerate = 48000;
    info.format = (flac ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | (depth == "16"      ? SF_FORMAT_PCM_16
                                                             : depth == "float" ? SF_FORMAT_FLOAT
                                                                                : SF_FORMAT_PCM_24);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file || seconds <= 0)
    {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(file));
        return 1;
    }
    std::mt19937 random(1);
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    const auto total = static_cast<long>(seconds * info.samplerate);
    std::vector<float> block(2 * 4096);
    float smoothed[2] = {0, 0};
    bool ok = true;
    for (long start = 0; start < total && ok; start += 4096)
    {
        const long frames = std::min(4096L, total - start);
        for (long i = 0; i < frames; ++i)
        {
            const double t = static_cast<double>(start + i) / info.samplerate;
            for (int c = 0; c < 2; ++c)
            {
                smoothed[c] = 0.9f * smoothed[c] + noise(random);
                block[static_cast<size_t>(2 * i + c)] =
                    static_cast<float>(0.2 * std::sin(2 * M_PI * (c ? 330.0 : 220.0) * t) +
                                       smoothed[c] + 0.1 + 0.05 * std::sin(2 * M_PI * 5.0 * t));
            }
        }
        ok = sf_writef_float(file, block.data(), frames) == frames;
    }
    return sf_close(file) == 0 && ok ? 0 : 1;
}
