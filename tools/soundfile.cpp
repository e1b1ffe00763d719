#include "soundfile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
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
    if (reader->info.channels < 1 || reader->info.channels > 64 || reader->info.samplerate <= 0)
    {
        error = "'" + path + "' has an unsupported layout (" +
                std::to_string(reader->info.channels) + " channels at " +
                std::to_string(reader->info.samplerate) + " Hz)";
        return nullptr;
    }
    reader->pcm = directFormat(reader->file.get(), reader->info.format);
    reader->flacInts = flacBitsOf(reader->info.format) != 0;
    return reader;
}

std::int64_t SoundFileReader::read(float* const* channels, std::int64_t count)
{
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

std::unique_ptr<SoundFileWriter> SoundFileWriter::create(const std::string& path, int channels,
                                                         int sampleRate, int inputFormat,
                                                         std::string& error)
{
    namespace fs = std::filesystem;
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = outputFormatFor(path, inputFormat);
    if (info.format == 0)
    {
        error = "cannot write '" + path + "': only .wav and .flac outputs are supported";
        return nullptr;
    }
    if (!sf_format_check(&info))
    {
        error = "cannot write '" + path + "': the format cannot hold " + std::to_string(channels) +
                " channels at " + std::to_string(sampleRate) + " Hz";
        return nullptr;
    }

    std::unique_ptr<SoundFileWriter> writer(new SoundFileWriter);
    writer->finalPath = path;
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
    {
        error = "cannot write '" + path + "': " + std::strerror(errno);
        return nullptr;
    }
    writer->tempPath = name.data();
    // mkstemp makes the file private; the result should get the usual mode.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);

    writer->file.reset(sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE));
    if (!writer->file)
    {
        close(fd);
        error = "cannot write '" + path + "': " + sf_strerror(nullptr);
        return nullptr; // the destructor removes the temporary file
    }
    // Samples beyond full scale are clipped rather than wrapped in integer
    // formats.
    sf_command(writer->file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    writer->numChannels = channels;
    // Float data keeps going through libsndfile, which also keeps the file's
    // peak chunk up to date.
    const PcmFormat direct = directFormat(writer->file.get(), info.format);
    if (direct == PcmFormat::kInt16 || direct == PcmFormat::kInt24)
        writer->pcm = direct;
    writer->flacBits = flacBitsOf(info.format);
    return writer;
}

SoundFileWriter::~SoundFileWriter()
{
    file.reset();
    if (!committed && !tempPath.empty())
        std::remove(tempPath.c_str());
}

bool SoundFileWriter::write(const float* const* channels, std::int64_t count)
{
    const auto samples = static_cast<size_t>(count) * static_cast<size_t>(numChannels);
    float* data = sized(interleaved, samples);
    interleave(channels, numChannels, count, data);
    bool complete = false;
    if (pcm != PcmFormat::kNone)
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
        lastError = "error writing '" + finalPath + "': " + sf_strerror(file.get());
        return false;
    }
    return true;
}

bool SoundFileWriter::commit()
{
    if (committed)
        return true;
    const int closeResult = sf_close(file.release());
    if (closeResult != 0)
    {
        lastError = "error writing '" + finalPath + "': " + sf_error_number(closeResult);
        return false;
    }
    if (std::rename(tempPath.c_str(), finalPath.c_str()) != 0)
    {
        lastError = "cannot write '" + finalPath + "': " + std::strerror(errno);
        return false;
    }
    committed = true;
    return true;
}

} // namespace KestrumTool
