// WAV and FLAC files. Uncompressed little-endian WAV (RIFF or RF64) is read
// and written through the tool's own container code, which keeps every
// other chunk; everything else goes through libsndfile. A written file
// appears under its name only when commit() succeeds; until then it is a
// temporary file (see outputfile.h), removed if the writer goes away
// uncommitted.
#pragma once

#include "audiostream.h"
#include "flacblocks.h"
#include "outputfile.h"
#include "pcmconvert.h"
#include "wavcontainer.h"

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

    ~SoundFileReader() override;

    int channels() const override { return info.channels; }
    double sampleRate() const override { return info.samplerate; }
    // What the header promises; a file cut short ends sooner.
    std::int64_t frames() const override { return info.frames; }
    int format() const { return info.format; }
    std::int64_t read(float* const* channels, std::int64_t count) override;
    int rawFrameBytes() const override { return wav ? layout.frameBytes : 0; }
    std::int64_t readRaw(float* const* channels, std::int64_t count, unsigned char* raw) override;
    std::string error() const override { return lastError; }
    const std::string& filePath() const { return path; }

    // The container of a WAV read by the tool itself, else null.
    const WavLayout* wavLayout() const { return wav ? &layout : nullptr; }
    int descriptor() const { return fd; }

private:
    SoundFileReader() = default;
    std::int64_t readWav(float* const* channels, std::int64_t count, unsigned char* raw);

    SndFileHandle file;
    SF_INFO info{};
    int fd = -1;
    bool wav = false;
    WavLayout layout;
    std::string path;
    std::string lastError;
    PcmFormat pcm = PcmFormat::kNone; // kNone: through libsndfile
    bool flacInts = false;            // through libsndfile's int interface
    std::int64_t position = 0;
    std::vector<unsigned char> bytes;
    std::vector<std::int32_t> ints;
    std::vector<float> interleaved;
};

struct WriterSetup
{
    std::string path;
    const SoundFileReader* input = nullptr; // its format, chunks and blocks are kept
    bool dither = false;                    // TPDF dither before integer samples are stored
};

class SoundFileWriter : public AudioSink
{
public:
    // The output format follows the output's extension (.wav or .flac); the
    // sample format is the input's where the output format can hold it.
    // Null with a reason when the extension is not supported or the
    // temporary file cannot be made.
    // warning: what the output cannot keep of the input, if anything.
    static std::unique_ptr<SoundFileWriter> create(const WriterSetup& setup, std::string& error,
                                                   std::string& warning);
    ~SoundFileWriter() override;

    bool write(const float* const* channels, std::int64_t count) override;
    bool writeRaw(const unsigned char* bytes, std::int64_t frames) override;
    bool acceptsRaw() const override { return container != nullptr; }
    // Completes the file and moves it to its name (keeping a replaced file
    // as keepAs, when given). False with a reason on error; the temporary
    // file is removed then.
    bool commit(const std::string& keepAs = {});
    std::string error() const override { return lastError; }

private:
    SoundFileWriter() = default;
    bool openThroughSndfile(const WriterSetup& setup, std::string& error, std::string& warning);

    OutputFile output;
    std::unique_ptr<WavWriter> container; // the tool's own WAV writer, else libsndfile
    SndFileHandle file;
    int fd = -1; // libsndfile's, closed here after it
    std::vector<FlacBlock> flacBlocks;
    std::string finalPath;
    std::string lastError;
    bool committed = false;
    int numChannels = 0;
    PcmFormat pcm = PcmFormat::kNone; // kNone: through libsndfile
    int flacBits = 0;                 // 16 or 24: through libsndfile's int interface
    int ditherBits = 0;               // 0: none
    std::uint32_t ditherState = 0x9E3779B9u;
    std::vector<unsigned char> bytes;
    std::vector<std::int32_t> ints;
    std::vector<float> interleaved;
};

// The libsndfile format for an output path's extension, 0 if unsupported.
int outputFormatFor(const std::string& path, int inputFormat);

} // namespace KestrumTool
