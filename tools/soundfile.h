// WAV and FLAC files through libsndfile. A written file appears under its
// name only when commit() succeeds; until then it is a temporary file in the
// same folder, removed if the writer goes away uncommitted.
#pragma once

#include "audiostream.h"
#include "pcmconvert.h"

#include <memory>
#include <sndfile.h>
#include <string>
#include <vector>

namespace KestrumTool
{

struct SndFileCloser
{
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFileHandle = std::unique_ptr<SNDFILE, SndFileCloser>;

class SoundFileReader : public AudioSource
{
public:
    // Null with a reason when the file cannot be read or is neither WAV nor
    // FLAC.
    static std::unique_ptr<SoundFileReader> open(const std::string& path, std::string& error);

    int channels() const override { return info.channels; }
    double sampleRate() const override { return info.samplerate; }
    std::int64_t frames() const override { return info.frames; }
    int format() const { return info.format; }
    std::int64_t read(float* const* channels, std::int64_t count) override;
    std::string error() const override { return lastError; }

private:
    SoundFileReader() = default;

    SndFileHandle file;
    SF_INFO info{};
    std::string path;
    std::string lastError;
    PcmFormat pcm = PcmFormat::kNone; // kNone: through libsndfile
    bool flacInts = false;            // through libsndfile's int interface
    std::int64_t position = 0;
    std::vector<unsigned char> bytes;
    std::vector<std::int32_t> ints;
    std::vector<float> interleaved;
};

class SoundFileWriter : public AudioSink
{
public:
    // The output format follows the output's extension (.wav or .flac); the
    // sample format is the input's where the output format can hold it.
    // Null with a reason when the extension is not supported or the
    // temporary file cannot be made.
    static std::unique_ptr<SoundFileWriter> create(const std::string& path, int channels,
                                                   int sampleRate, int inputFormat,
                                                   std::string& error);
    ~SoundFileWriter() override;

    bool write(const float* const* channels, std::int64_t count) override;
    // Closes the file and moves it to its name. False with a reason on error;
    // the temporary file is removed then.
    bool commit();
    std::string error() const override { return lastError; }

private:
    SoundFileWriter() = default;

    SndFileHandle file;
    std::string tempPath;
    std::string finalPath;
    std::string lastError;
    bool committed = false;
    int numChannels = 0;
    PcmFormat pcm = PcmFormat::kNone; // kNone: through libsndfile
    int flacBits = 0;                 // 16 or 24: through libsndfile's int interface
    std::vector<unsigned char> bytes;
    std::vector<std::int32_t> ints;
    std::vector<float> interleaved;
};

// The libsndfile format for an output path's extension, 0 if unsupported.
int outputFormatFor(const std::string& path, int inputFormat);

} // namespace KestrumTool
