// The tool's own WAV sample conversions against libsndfile's, which they
// replace: every value must come out the same, bit for bit.
#include "pcmconvert.h"
#include "support/tempdir.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <sndfile.h>
#include <vector>

using namespace KestrumTool;

namespace
{

// A mono file of the given format written by libsndfile from floats with
// clipping on, as the tool writes; false when it cannot be written whole.
bool writeClipped(const std::string& path, int format, const std::vector<float>& samples)
{
    SF_INFO info{};
    info.channels = 1;
    info.samplerate = 48000;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const auto count = static_cast<sf_count_t>(samples.size());
    const bool written = sf_write_float(file, samples.data(), count) == count;
    return sf_close(file) == 0 && written;
}

// The sample bytes of a mono WAV of the given subformat written by
// writeClipped.
std::vector<unsigned char> libsndfileBytes(const std::string& path, int subformat, int width,
                                           const std::vector<float>& samples)
{
    EXPECT_TRUE(writeClipped(path, SF_FORMAT_WAV | subformat, samples));
    const auto count = static_cast<sf_count_t>(samples.size());
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr);
    std::vector<unsigned char> bytes(samples.size() * static_cast<size_t>(width));
    bytes.resize(static_cast<size_t>(sf_read_raw(file, bytes.data(), count * width)));
    sf_close(file);
    return bytes;
}

// libsndfile's floats for the given sample bytes.
std::vector<float> libsndfileFloats(const std::string& path, int subformat,
                                    const std::vector<unsigned char>& bytes, size_t count)
{
    SF_INFO info{};
    info.channels = 1;
    info.samplerate = 48000;
    info.format = SF_FORMAT_WAV | subformat;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr);
    sf_write_raw(file, bytes.data(), static_cast<sf_count_t>(bytes.size()));
    sf_close(file);

    info = {};
    file = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> samples(count);
    EXPECT_EQ(sf_read_float(file, samples.data(), static_cast<sf_count_t>(count)),
              static_cast<sf_count_t>(count));
    sf_close(file);
    return samples;
}

// Values where rounding, clipping and the special values matter, and random
// ones, in an odd count so the scalar tails run too.
std::vector<float> trickyValues()
{
    std::vector<float> values = {0.0f,
                                 -0.0f,
                                 1.0f,
                                 -1.0f,
                                 1.5f,
                                 -1.5f,
                                 std::nextafter(1.0f, 0.0f),
                                 std::nextafter(-1.0f, 0.0f),
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN(),
                                 1e-30f,
                                 -1e-30f,
                                 std::numeric_limits<float>::denorm_min()};
    for (int k = -300; k <= 300; ++k)
    {
        for (double step : {8388608.0, 32768.0})
        {
            // Exactly half-way between output steps, and just either side.
            const auto half = static_cast<float>((k + 0.5) / step);
            values.push_back(half);
            values.push_back(std::nextafter(half, 2.0f));
            values.push_back(std::nextafter(half, -2.0f));
            values.push_back(static_cast<float>(k / step));
        }
    }
    std::mt19937 random(3);
    std::uniform_real_distribution<float> wide(-1.2f, 1.2f);
    for (int i = 0; i < 20001; ++i)
        values.push_back(wide(random));
    return values;
}

} // namespace

TEST(PcmConvert, IntegerEncodingMatchesLibsndfileWithClipping)
{
    KestrumTest::TempDir dir;
    const std::vector<float> values = trickyValues();
    for (auto [format, subformat] : {std::pair{PcmFormat::kInt16, SF_FORMAT_PCM_16},
                                     std::pair{PcmFormat::kInt24, SF_FORMAT_PCM_24}})
    {
        SCOPED_TRACE(subformat);
        const auto expected =
            libsndfileBytes(dir.file("encode.wav"), subformat, bytesPerSample(format), values);
        std::vector<unsigned char> bytes(values.size() *
                                         static_cast<size_t>(bytesPerSample(format)));
        encodeSamples(format, values.data(), static_cast<std::int64_t>(values.size()),
                      bytes.data());
        ASSERT_EQ(bytes.size(), expected.size());
        const int width = bytesPerSample(format);
        for (size_t i = 0; i < values.size(); ++i)
        {
            ASSERT_EQ(std::memcmp(bytes.data() + i * width, expected.data() + i * width, width), 0)
                << "value " << values[i] << " at " << i;
            // One sample alone takes the scalar path.
            unsigned char single[4];
            encodeSamples(format, &values[i], 1, single);
            ASSERT_EQ(std::memcmp(single, expected.data() + i * width, width), 0)
                << "value " << values[i] << " alone";
        }
    }
}

TEST(PcmConvert, FlacIntegersMatchLibsndfilesFlacWriterAndReader)
{
    KestrumTest::TempDir dir;
    std::vector<float> values;
    for (float v : trickyValues())
        if (!std::isnan(v)) // libsndfile hands the encoder garbage for NaN
            values.push_back(v);
    for (auto [bits, subformat] :
         {std::pair{16, SF_FORMAT_PCM_16}, std::pair{24, SF_FORMAT_PCM_24}})
    {
        SCOPED_TRACE(bits);
        const std::string path = dir.file("values.flac");
        ASSERT_TRUE(writeClipped(path, SF_FORMAT_FLAC | subformat, values));
        const auto count = static_cast<sf_count_t>(values.size());
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr);
        std::vector<std::int32_t> expected(values.size());
        ASSERT_EQ(sf_read_int(file, expected.data(), count), count);
        sf_seek(file, 0, SEEK_SET);
        std::vector<float> expectedFloats(values.size());
        ASSERT_EQ(sf_read_float(file, expectedFloats.data(), count), count);
        sf_close(file);

        std::vector<std::int32_t> ints(values.size());
        encodeFlacInt(values.data(), count, bits, ints.data());
        std::vector<float> floats(values.size());
        decodeInt32(expected.data(), count, floats.data());
        for (size_t i = 0; i < values.size(); ++i)
        {
            ASSERT_EQ(ints[i], expected[i]) << "value " << values[i] << " at " << i;
            std::int32_t single = 0;
            encodeFlacInt(&values[i], 1, bits, &single);
            ASSERT_EQ(single, expected[i]) << "value " << values[i] << " alone";
            ASSERT_EQ(floats[i], expectedFloats[i]) << i;
        }
    }
}

TEST(PcmConvert, DecodingMatchesLibsndfileForEveryBytePattern)
{
    KestrumTest::TempDir dir;
    std::mt19937 random(5);
    for (auto [format, subformat] : {std::pair{PcmFormat::kInt16, SF_FORMAT_PCM_16},
                                     std::pair{PcmFormat::kInt24, SF_FORMAT_PCM_24},
                                     std::pair{PcmFormat::kFloat32, SF_FORMAT_FLOAT}})
    {
        SCOPED_TRACE(subformat);
        const size_t count = 65536 + 7;
        const auto width = static_cast<size_t>(bytesPerSample(format));
        std::vector<unsigned char> bytes(count * width);
        for (auto& byte : bytes)
            byte = static_cast<unsigned char>(random());
        // The extremes of the integer range.
        if (format != PcmFormat::kFloat32)
        {
            std::fill(bytes.begin(), bytes.begin() + width - 1, 0x00);
            bytes[width - 1] = 0x80;
            std::fill(bytes.begin() + width, bytes.begin() + 2 * width - 1, 0xFF);
            bytes[2 * width - 1] = 0x7F;
        }
        const auto expected = libsndfileFloats(dir.file("decode.wav"), subformat, bytes, count);
        std::vector<float> samples(count);
        decodeSamples(format, bytes.data(), static_cast<std::int64_t>(count), samples.data());
        EXPECT_EQ(std::memcmp(samples.data(), expected.data(), count * sizeof(float)), 0);
        // One sample alone takes the scalar path.
        for (size_t i = 0; i < 1000; ++i)
        {
            float single = 0;
            decodeSamples(format, bytes.data() + i * width, 1, &single);
            ASSERT_EQ(std::memcmp(&single, &expected[i], sizeof(float)), 0) << i;
        }
    }
}
