#include "soundfile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace KestrumTool
{
namespace
{

std::string lowerExtension(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool isReadableMajorFormat(int format)
{
    switch (format & SF_FORMAT_TYPEMASK)
    {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
    case SF_FORMAT_FLAC:
        return true;
    default:
        return false;
    }
}

// Integer and float WAV data in the machine's byte order is converted here,
// in large blocks; everything else (FLAC, other sample formats) goes through
// libsndfile's float interface.
PcmFormat directFormat(SNDFILE* file, int format)
{
    const int major = format & SF_FORMAT_TYPEMASK;
    if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX && major != SF_FORMAT_RF64)
        return PcmFormat::kNone;
    if (sf_command(file, SFC_RAW_DATA_NEEDS_ENDSWAP, nullptr, 0) != SF_FALSE)
        return PcmFormat::kNone;
    return pcmFormatFor(format);
}

// 16- and 24-bit FLAC goes through libsndfile's integers, whose conversion
// to and from floats is done here, faster than libsndfile's own.
int flacBitsOf(int format)
{
    if ((format & SF_FORMAT_TYPEMASK) != SF_FORMAT_FLAC)
        return 0;
    switch (format & SF_FORMAT_SUBMASK)
    {
    case SF_FORMAT_PCM_16:
        return 16;
    case SF_FORMAT_PCM_24:
        return 24;
    default:
        return 0;
    }
}

// Adds triangular noise of one step of the output's resolution, peak to
// peak two, as two uniform values summed.
void addTpdfDither(float* samples, size_t count, int bits, std::uint32_t& state)
{
    const float step = 1.0f / static_cast<float>(1u << (bits - 1));
    const float scale = step / 4294967296.0f;
    for (size_t i = 0; i < count; ++i)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const std::uint32_t a = state;
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        samples[i] += (static_cast<float>(a) - static_cast<float>(state)) * scale;
    }
}

int ditherBitsFor(PcmFormat pcm, int flacBits)
{
    if (flacBits != 0)
        return flacBits;
    switch (pcm)
    {
    case PcmFormat::kUInt8:
        return 8;
    case PcmFormat::kInt16:
        return 16;
    case PcmFormat::kInt24:
        return 24;
    default:
        return 0; // float, and 32-bit integers beyond a float's resolution
    }
}

bool hasExtraChunks(const WavLayout& layout)
{
    for (const WavChunk& chunk : layout.chunks)
        if (!chunk.is("fmt ") && !chunk.is("data") && !chunk.is("fact") && !chunk.is("PEAK") &&
            !chunk.is("ds64"))
            return true;
    return false;
}

template <typename T> T* sized(std::vector<T>& buffer, size_t size)
{
    if (buffer.size() < size)
        buffer.resize(size);
    return buffer.data();
}

} // namespace

std::unique_ptr<SoundFileReader> SoundFileReader::open(const std::string& path, std::string& error)
{
    std::unique_ptr<SoundFileReader> reader(new SoundFileReader);
    reader->path = path;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
    {
        error = "cannot read '" + path + "': it is a folder";
        return nullptr;
    }
    reader->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (reader->fd < 0)
    {
        error = "cannot read '" + path + "': " + std::strerror(errno);
        return nullptr;
    }
    std::string notOwn;
    if (readWavLayout(reader->fd, reader->layout, notOwn))
    {
        const WavLayout& layout = reader->layout;
        reader->wav = true;
        reader->pcm = layout.pcm;
        reader->info.channels = layout.channels;
        reader->info.samplerate = layout.sampleRate;
        reader->info.frames = layout.frames;
        reader->info.format = layout.sndfileFormat();
    }
    else
    {
        reader->file.reset(sf_open(path.c_str(), SFM_READ, &reader->info));
        if (!reader->file)
        {
            error = "cannot read '" + path + "': " + sf_strerror(nullptr);
            return nullptr;
        }
        if (!isReadableMajorFormat(reader->info.format))
        {
            error = "'" + path + "' is not a WAV or FLAC file";
            return nullptr;
        }
        reader->pcm = directFormat(reader->file.get(), reader->info.format);
        reader->flacInts = flacBitsOf(reader->info.format) != 0;
    }
    if (reader->info.channels < 1 || reader->info.channels > 64 || reader->info.samplerate <= 0)
    {
        error = "'" + path + "' has an unsupported layout (" +
                std::to_string(reader->info.channels) + " channels at " +
                std::to_string(reader->info.samplerate) + " Hz)";
        return nullptr;
    }
    return reader;
}

SoundFileReader::~SoundFileReader()
{
    file.reset();
    if (fd >= 0)
        close(fd);
}

std::int64_t SoundFileReader::readWav(float* const* channels, std::int64_t count,
                                      unsigned char* raw)
{
    const auto samples = static_cast<size_t>(count) * static_cast<size_t>(info.channels);
    float* data = sized(interleaved, samples);
    const std::int64_t wanted = std::min(count, layout.availableFrames - position);
    const size_t frameBytes = static_cast<size_t>(layout.frameBytes);
    if (!raw)
        raw = pcm == PcmFormat::kFloat32 ? reinterpret_cast<unsigned char*>(data)
                                         : sized(bytes, static_cast<size_t>(count) * frameBytes);
    const WavChunk& chunk = layout.chunks[layout.dataIndex];
    size_t done = 0;
    const size_t total = wanted > 0 ? static_cast<size_t>(wanted) * frameBytes : 0;
    while (done < total)
    {
        const ssize_t got =
            pread(fd, raw + done, total - done,
                  static_cast<off_t>(chunk.offset +
                                     static_cast<std::uint64_t>(position) * frameBytes + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
        {
            lastError = "error reading '" + path + "': " + std::strerror(errno);
            return -1;
        }
        if (got == 0)
            break; // the file shrank while read
        done += static_cast<size_t>(got);
    }
    const auto got = static_cast<std::int64_t>(done / frameBytes);
    if (reinterpret_cast<float*>(raw) != data)
        decodeSamples(pcm, raw, got * info.channels, data);
    deinterleave(data, info.channels, got, channels);
    position += got;
    return got;
}

std::int64_t SoundFileReader::readRaw(float* const* channels, std::int64_t count,
                                      unsigned char* raw)
{
    return wav ? readWav(channels, count, raw) : read(channels, count);
}

std::int64_t SoundFileReader::read(float* const* channels, std::int64_t count)
{
    if (wav)
        return readWav(channels, count, nullptr);
    const auto samples = static_cast<size_t>(count) * static_cast<size_t>(info.channels);
    float* data = sized(interleaved, samples);
    std::int64_t got = 0;
    if (pcm != PcmFormat::kNone)
    {
        // Raw reads are not bounded by the sample data: chunks that follow
        // it must not be read as audio.
        const sf_count_t wanted = std::min<sf_count_t>(count, info.frames - position);
        const sf_count_t frameBytes = bytesPerSample(pcm) * info.channels;
        // Float data needs no conversion: straight into the frame buffer.
        auto* raw = pcm == PcmFormat::kFloat32
                        ? reinterpret_cast<unsigned char*>(data)
                        : sized(bytes, samples * static_cast<size_t>(bytesPerSample(pcm)));
        if (wanted > 0)
            got = sf_read_raw(file.get(), raw, wanted * frameBytes) / frameBytes;
        if (pcm != PcmFormat::kFloat32)
            decodeSamples(pcm, raw, got * info.channels, data);
    }
    else if (flacInts)
    {
        std::int32_t* values = sized(ints, samples);
        got = sf_readf_int(file.get(), values, count);
        decodeInt32(values, got * info.channels, data);
    }
    else
        got = sf_readf_float(file.get(), data, count);
    if (got < count && sf_error(file.get()) != SF_ERR_NO_ERROR)
    {
        lastError = "error reading '" + path + "': " + sf_strerror(file.get());
        return -1;
    }
    deinterleave(data, info.channels, got, channels);
    position += got;
    return got;
}

int outputFormatFor(const std::string& path, int inputFormat)
{
    const std::string ext = lowerExtension(path);
    int major = 0;
    if (ext == ".wav")
        major = SF_FORMAT_WAV;
    else if (ext == ".flac")
        major = SF_FORMAT_FLAC;
    else
        return 0;
    SF_INFO probe{};
    probe.channels = 1;
    probe.samplerate = 48000;
    probe.format = major | (inputFormat & SF_FORMAT_SUBMASK);
    if (sf_format_check(&probe))
        return probe.format;
    return major | (major == SF_FORMAT_FLAC ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT);
}

std::unique_ptr<SoundFileWriter> SoundFileWriter::create(const WriterSetup& setup,
                                                         std::string& error, std::string& warning)
{
    const SoundFileReader& input = *setup.input;
    const int format = outputFormatFor(setup.path, input.format());
    if (format == 0)
    {
        error = "cannot write '" + setup.path + "': only .wav and .flac outputs are supported";
        return nullptr;
    }
    std::unique_ptr<SoundFileWriter> writer(new SoundFileWriter);
    writer->finalPath = setup.path;
    writer->numChannels = input.channels();
    const WavLayout* layout = input.wavLayout();
    const bool wavOut = (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
    if (wavOut && layout)
    {
        if (!writer->output.create(setup.path, error))
            return nullptr;
        writer->container =
            std::make_unique<WavWriter>(input.descriptor(), *layout, writer->output.fd());
        writer->pcm = layout->pcm;
        if (!writer->container->begin(error))
        {
            error = "error writing '" + setup.path + "': " + error;
            return nullptr;
        }
    }
    else if (!writer->openThroughSndfile(setup, error, warning))
        return nullptr;
    if (setup.dither)
        writer->ditherBits = ditherBitsFor(writer->pcm, writer->flacBits);
    return writer;
}

bool SoundFileWriter::openThroughSndfile(const WriterSetup& setup, std::string& error,
                                         std::string& warning)
{
    const SoundFileReader& input = *setup.input;
    const std::string& path = setup.path;
    SF_INFO info{};
    info.channels = input.channels();
    info.samplerate = static_cast<int>(input.sampleRate());
    info.format = outputFormatFor(path, input.format());
    const bool flacOut = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC;
    if (!sf_format_check(&info))
    {
        error = "cannot write '" + path + "': the format cannot hold " +
                std::to_string(info.channels) + " channels at " + std::to_string(info.samplerate) +
                " Hz";
        return false;
    }
    // A WAV beyond 4 GiB has its sizes in an RF64 header.
    const int width = std::max(1, bytesPerSample(pcmFormatFor(info.format)));
    if (!flacOut && needsRf64(1024, static_cast<std::uint64_t>(input.frames()) *
                                        static_cast<std::uint64_t>(info.channels * width)))
        info.format = SF_FORMAT_RF64 | (info.format & SF_FORMAT_SUBMASK);
    const bool flacIn = (input.format() & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC;
    if (flacIn && flacOut)
        readFlacBlocks(input.filePath(), flacBlocks);
    else if (flacIn)
    {
        std::vector<FlacBlock> blocks;
        if (readFlacBlocks(input.filePath(), blocks) && !blocks.empty())
            warning = "the FLAC metadata of '" + input.filePath() + "' is not kept in a WAV output";
    }
    else if (!input.wavLayout() || hasExtraChunks(*input.wavLayout()))
        warning = "the chunks of '" + input.filePath() + "' besides the samples are not kept" +
                  (flacOut ? " in a FLAC output" : " (libsndfile writes this sample format)");

    if (!output.create(path, error))
        return false;
    fd = output.release();
    file.reset(sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE));
    if (!file)
    {
        error = "cannot write '" + path + "': " + sf_strerror(nullptr);
        return false; // the destructor removes the temporary file
    }
    // Samples beyond full scale are clipped rather than wrapped in integer
    // formats.
    sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // Float data keeps going through libsndfile, which also keeps the file's
    // peak chunk up to date.
    const PcmFormat direct = directFormat(file.get(), info.format);
    if (direct == PcmFormat::kInt16 || direct == PcmFormat::kInt24)
        pcm = direct;
    flacBits = flacBitsOf(info.format);
    return true;
}

SoundFileWriter::~SoundFileWriter()
{
    file.reset();
    if (fd >= 0)
        close(fd);
}

bool SoundFileWriter::writeRaw(const unsigned char* raw, std::int64_t frames)
{
    const size_t count =
        static_cast<size_t>(frames) * static_cast<size_t>(numChannels * bytesPerSample(pcm));
    std::string reason;
    if (!container || !container->write(raw, count, reason))
    {
        lastError = "error writing '" + finalPath + "': " + reason;
        return false;
    }
    return true;
}

bool SoundFileWriter::write(const float* const* channels, std::int64_t count)
{
    const auto samples = static_cast<size_t>(count) * static_cast<size_t>(numChannels);
    float* data = sized(interleaved, samples);
    interleave(channels, numChannels, count, data);
    if (ditherBits != 0)
        addTpdfDither(data, samples, ditherBits, ditherState);
    bool complete = false;
    std::string reason;
    if (container)
    {
        const auto byteCount = samples * static_cast<size_t>(bytesPerSample(pcm));
        unsigned char* raw = sized(bytes, byteCount);
        encodeSamples(pcm, data, static_cast<std::int64_t>(samples), raw);
        complete = container->write(raw, byteCount, reason);
    }
    else if (pcm != PcmFormat::kNone)
    {
        const auto byteCount = static_cast<sf_count_t>(samples) * bytesPerSample(pcm);
        unsigned char* raw = sized(bytes, static_cast<size_t>(byteCount));
        encodeSamples(pcm, data, static_cast<std::int64_t>(samples), raw);
        complete = sf_write_raw(file.get(), raw, byteCount) == byteCount;
    }
    else if (flacBits != 0)
    {
        std::int32_t* values = sized(ints, samples);
        encodeFlacInt(data, static_cast<std::int64_t>(samples), flacBits, values);
        complete = sf_writef_int(file.get(), values, count) == count;
    }
    else
        complete = sf_writef_float(file.get(), data, count) == count;
    if (!complete)
    {
        lastError = "error writing '" + finalPath +
                    "': " + (container ? reason : std::string(sf_strerror(file.get())));
        return false;
    }
    return true;
}

bool SoundFileWriter::commit(const std::string& keepAs)
{
    if (committed)
        return true;
    std::string reason;
    if (container)
    {
        if (!container->finish(reason))
        {
            lastError = "error writing '" + finalPath + "': " + reason;
            return false;
        }
    }
    else
    {
        const int closeResult = sf_close(file.release());
        if (closeResult != 0)
        {
            lastError = "error writing '" + finalPath + "': " + sf_error_number(closeResult);
            return false;
        }
        if (!insertFlacBlocks(fd, flacBlocks, reason))
        {
            lastError = "error writing '" + finalPath + "': " + reason;
            return false;
        }
        const int closed = close(fd);
        fd = -1;
        if (closed != 0)
        {
            lastError = "error writing '" + finalPath + "': " + std::strerror(errno);
            return false;
        }
    }
    if (!output.commit(keepAs, reason))
    {
        lastError = reason;
        return false;
    }
    committed = true;
    return true;
}

} // namespace KestrumTool
