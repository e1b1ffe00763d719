// The RIFF and RF64 container of a WAV file, read and written by the tool
// itself so that every chunk besides the samples reaches the output byte
// for byte and in its place (libsndfile keeps only the chunks it knows).
#pragma once

#include "pcmconvert.h"

#include <cstdint>
#include <string>
#include <vector>

namespace KestrumTool
{

struct WavChunk
{
    char id[4] = {};
    std::uint64_t offset = 0; // of the chunk's contents in the file
    std::uint64_t size = 0;   // without the pad byte of an odd size
    bool is(const char* name) const;
};

struct WavLayout
{
    std::vector<WavChunk> chunks; // in file order, `data` among them
    size_t dataIndex = 0;
    int channels = 0;
    int sampleRate = 0;
    int frameBytes = 0;
    PcmFormat pcm = PcmFormat::kNone;
    bool extensible = false;
    std::int64_t frames = 0;          // what the header promises
    std::int64_t availableFrames = 0; // what the file holds
    // The libsndfile format code of the same samples, for outputs in another
    // container.
    int sndfileFormat() const;
};

// Parses the open file. False with a reason when the file is not a WAV the
// tool handles itself (a compressed or big-endian one, say): libsndfile reads
// those then.
bool readWavLayout(int fd, WavLayout& layout, std::string& reason);

// Whether the header of a file whose chunks besides `data` take `otherBytes`
// (headers and pad bytes included) can give the sizes of `dataBytes` of
// samples, or the file must be RF64. The limit is the format's 4 GiB, or a
// smaller one from KESTRUM_PROCESS_RIFF_LIMIT for tests.
bool needsRf64(std::uint64_t otherBytes, std::uint64_t dataBytes);

// Writes a WAV with the input's chunks around new sample data: first the
// chunks before `data` (copied from the input), then the samples as they
// come, then at finish() the chunks after it, and the sizes. `ds64` is the
// writer's own and `PEAK` is dropped, as its figures no longer hold.
class WavWriter
{
public:
    // Keeps the input fd open for the copies; writes to outFd at its start.
    WavWriter(int inputFd, const WavLayout& input, int outFd);
    bool begin(std::string& error);
    bool write(const unsigned char* bytes, std::size_t count, std::string& error);
    bool finish(std::string& error);

private:
    bool reserve(std::uint64_t bytesBesideSamples, std::string& error);
    bool put(const void* bytes, std::size_t count, std::string& error);
    bool copyChunk(const WavChunk& chunk, std::string& error);
    bool kept(const WavChunk& chunk) const;

    int inputFd;
    const WavLayout& input;
    int outFd;
    bool rf64 = false;
    std::uint64_t position = 0;
    std::uint64_t dataStart = 0; // offset of the data chunk's header
    std::uint64_t dataBytes = 0;
    std::uint64_t factOffset = 0; // 0: no fact chunk to update
    std::uint64_t reserved = 0;   // bytes claimed on disk at the start
};

} // namespace KestrumTool
