#include "wavcontainer.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace KestrumTool
{
namespace
{

constexpr std::uint32_t kNoSize = 0xFFFFFFFFu;
// The GUID of the KSDATAFORMAT sub-formats after their first two bytes.
constexpr unsigned char kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::uint32_t le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint64_t le64(const unsigned char* p)
{
    return le32(p) | static_cast<std::uint64_t>(le32(p + 4)) << 32;
}
void putLe(unsigned char* p, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

bool readAt(int fd, std::uint64_t offset, void* out, std::size_t count)
{
    auto* bytes = static_cast<unsigned char*>(out);
    while (count > 0)
    {
        const ssize_t got = pread(fd, bytes, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

PcmFormat formatOf(unsigned tag, unsigned bits)
{
    if (tag == 1)
    {
        switch (bits)
        {
        case 8:
            return PcmFormat::kUInt8;
        case 16:
            return PcmFormat::kInt16;
        case 24:
            return PcmFormat::kInt24;
        case 32:
            return PcmFormat::kInt32;
        default:
            return PcmFormat::kNone;
        }
    }
    if (tag == 3)
        return bits == 32   ? PcmFormat::kFloat32
               : bits == 64 ? PcmFormat::kFloat64
                            : PcmFormat::kNone;
    return PcmFormat::kNone;
}

bool parseFormat(const std::vector<unsigned char>& fmt, WavLayout& layout, std::string& reason)
{
    if (fmt.size() < 16)
    {
        reason = "its fmt chunk is too short";
        return false;
    }
    unsigned tag = le16(fmt.data());
    const unsigned bits = le16(fmt.data() + 14);
    if (tag == 0xFFFE)
    {
        if (fmt.size() < 40 || std::memcmp(fmt.data() + 26, kSubFormatTail, 14) != 0)
        {
            reason = "its extensible sub-format is not PCM or float";
            return false;
        }
        tag = le16(fmt.data() + 24);
        layout.extensible = true;
    }
    layout.channels = le16(fmt.data() + 2);
    layout.sampleRate = static_cast<int>(le32(fmt.data() + 4));
    layout.frameBytes = le16(fmt.data() + 12);
    layout.pcm = formatOf(tag, bits);
    if (layout.pcm == PcmFormat::kNone || layout.channels < 1 ||
        layout.frameBytes != layout.channels * bytesPerSample(layout.pcm))
    {
        reason = "its sample format is not one the tool converts itself";
        return false;
    }
    return true;
}

std::uint64_t riffLimit()
{
    if (const char* text = std::getenv("KESTRUM_PROCESS_RIFF_LIMIT"))
    {
        const unsigned long long value = std::strtoull(text, nullptr, 10);
        if (value > 0 && value < kNoSize)
            return value;
    }
    return kNoSize;
}

} // namespace

bool WavChunk::is(const char* name) const
{
    return std::memcmp(id, name, 4) == 0;
}

int WavLayout::sndfileFormat() const
{
    return (extensible ? SF_FORMAT_WAVEX : SF_FORMAT_WAV) | sndfileSubformatFor(pcm);
}

bool readWavLayout(int fd, WavLayout& layout, std::string& reason)
{
    struct stat info
    {
    };
    unsigned char header[12];
    if (fstat(fd, &info) != 0 || !readAt(fd, 0, header, sizeof(header)) ||
        (std::memcmp(header, "RIFF", 4) != 0 && std::memcmp(header, "RF64", 4) != 0) ||
        std::memcmp(header + 8, "WAVE", 4) != 0)
    {
        reason = "it is not a little-endian RIFF or RF64 WAVE file";
        return false;
    }
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    const bool rf64 = header[1] == 'F';
    std::uint64_t rf64DataSize = 0;
    std::uint64_t promised = 0; // bytes of samples the header gives
    bool haveFormat = false, haveData = false;
    std::vector<unsigned char> fmt;
    layout = WavLayout{};
    for (std::uint64_t at = 12; at + 8 <= fileSize;)
    {
        unsigned char head[8];
        if (!readAt(fd, at, head, 8))
            break;
        WavChunk chunk;
        std::memcpy(chunk.id, head, 4);
        chunk.offset = at + 8;
        chunk.size = le32(head + 4);
        if (chunk.is("ds64") && chunk.size >= 24)
        {
            unsigned char ds64[24];
            if (!readAt(fd, chunk.offset, ds64, sizeof(ds64)))
                break;
            rf64DataSize = le64(ds64 + 8);
        }
        if (chunk.is("data") && rf64 && chunk.size == kNoSize)
            chunk.size = rf64DataSize;
        const std::uint64_t room = fileSize - chunk.offset;
        if (chunk.is("data"))
        {
            haveData = true;
            promised = chunk.size;
            layout.dataIndex = layout.chunks.size();
            layout.chunks.push_back(chunk);
            if (chunk.size > room)
            {
                // A recording cut short: what the file holds is the data.
                layout.chunks.back().size = room;
                break;
            }
        }
        else
        {
            if (chunk.size > room)
                break; // a chunk cut short after the samples: the end of the file
            if (chunk.is("fmt "))
            {
                fmt.resize(static_cast<size_t>(std::min<std::uint64_t>(chunk.size, 4096)));
                if (!readAt(fd, chunk.offset, fmt.data(), fmt.size()))
                    break;
                haveFormat = true;
            }
            layout.chunks.push_back(chunk);
        }
        at = chunk.offset + chunk.size + (chunk.size & 1);
    }
    if (!haveFormat || !haveData)
    {
        reason = haveFormat ? "it has no data chunk" : "it has no fmt chunk";
        return false;
    }
    if (!parseFormat(fmt, layout, reason))
        return false;
    const auto frameBytes = static_cast<std::uint64_t>(layout.frameBytes);
    const std::uint64_t held = layout.chunks[layout.dataIndex].size;
    layout.availableFrames = static_cast<std::int64_t>(held / frameBytes);
    // Cut inside a frame: the promise was at least one frame more.
    layout.frames = static_cast<std::int64_t>((promised + frameBytes - 1) / frameBytes);
    return true;
}

bool needsRf64(std::uint64_t otherBytes, std::uint64_t dataBytes)
{
    // The RIFF size counts everything after its own field.
    return 4 + otherBytes + 8 + dataBytes + (dataBytes & 1) > riffLimit();
}

WavWriter::WavWriter(int in, const WavLayout& layout, int out)
    : inputFd(in), input(layout), outFd(out)
{
}

bool WavWriter::kept(const WavChunk& chunk) const
{
    return !chunk.is("data") && !chunk.is("ds64") && !chunk.is("PEAK");
}

bool WavWriter::put(const void* bytes, std::size_t count, std::string& error)
{
    const auto* data = static_cast<const unsigned char*>(bytes);
    while (count > 0)
    {
        const ssize_t done = ::write(outFd, data, count);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
        {
            error = std::strerror(done < 0 ? errno : ENOSPC);
            return false;
        }
        data += done;
        count -= static_cast<std::size_t>(done);
        position += static_cast<std::uint64_t>(done);
    }
    return true;
}

bool WavWriter::copyChunk(const WavChunk& chunk, std::string& error)
{
    unsigned char head[8];
    std::memcpy(head, chunk.id, 4);
    putLe(head + 4, chunk.size, 4);
    if (chunk.is("fact") && chunk.size >= 4)
        factOffset = position + 8;
    if (!put(head, 8, error))
        return false;
    std::vector<unsigned char> buffer(
        static_cast<size_t>(std::min<std::uint64_t>(chunk.size, 1 << 20)));
    for (std::uint64_t done = 0; done < chunk.size;)
    {
        const auto count =
            static_cast<size_t>(std::min<std::uint64_t>(buffer.size(), chunk.size - done));
        if (!readAt(inputFd, chunk.offset + done, buffer.data(), count))
        {
            error = "cannot read the input's chunks again";
            return false;
        }
        if (!put(buffer.data(), count, error))
            return false;
        done += count;
    }
    const unsigned char pad = 0;
    return (chunk.size & 1) == 0 || put(&pad, 1, error);
}

bool WavWriter::begin(std::string& error)
{
    std::uint64_t otherBytes = 0;
    for (const WavChunk& chunk : input.chunks)
        if (kept(chunk))
            otherBytes += 8 + chunk.size + (chunk.size & 1);
    const std::uint64_t expected =
        static_cast<std::uint64_t>(input.frames) * static_cast<std::uint64_t>(input.frameBytes);
    rf64 = needsRf64(otherBytes, expected);

    unsigned char head[12 + 36] = {};
    std::memcpy(head, rf64 ? "RF64" : "RIFF", 4);
    putLe(head + 4, kNoSize, 4); // set at the end
    std::memcpy(head + 8, "WAVE", 4);
    size_t headBytes = 12;
    if (rf64)
    {
        std::memcpy(head + 12, "ds64", 4);
        putLe(head + 16, 28, 4); // sizes set at the end, no table
        headBytes += 36;
    }
    const unsigned char dataHead[8] = {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF};
    if (!reserve(headBytes + otherBytes + sizeof(dataHead), error) || !put(head, headBytes, error))
        return false;
    for (size_t i = 0; i < input.dataIndex; ++i)
        if (kept(input.chunks[i]) && !copyChunk(input.chunks[i], error))
            return false;
    dataStart = position;
    return put(dataHead, sizeof(dataHead), error);
}

// Claims the disk space of the whole output before any sample is written: a
// full disk is reported at once instead of after most of the work, and the
// file system places the file in one piece. It also spares the rename over
// an existing file, which ext4 makes wait until it has placed every block it
// had only promised. The samples are as many as the input holds; a file
// system that cannot reserve space just goes without.
bool WavWriter::reserve(std::uint64_t bytesBesideSamples, std::string& error)
{
    const std::uint64_t samples = static_cast<std::uint64_t>(input.availableFrames) *
                                  static_cast<std::uint64_t>(input.frameBytes);
    reserved = bytesBesideSamples + samples + (samples & 1);
    if (fallocate(outFd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(reserved)) == 0)
        return true;
    reserved = 0;
    if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)
    {
        error = std::string("no room for the output: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool WavWriter::write(const unsigned char* bytes, std::size_t count, std::string& error)
{
    dataBytes += count;
    return put(bytes, count, error);
}

bool WavWriter::finish(std::string& error)
{
    const unsigned char pad = 0;
    if ((dataBytes & 1) && !put(&pad, 1, error))
        return false;
    for (size_t i = input.dataIndex + 1; i < input.chunks.size(); ++i)
        if (kept(input.chunks[i]) && !copyChunk(input.chunks[i], error))
            return false;

    const std::uint64_t riffSize = position - 8;
    const std::uint64_t frames = dataBytes / static_cast<std::uint64_t>(input.frameBytes);
    auto patch = [&](std::uint64_t offset, std::uint64_t value, int bytes)
    {
        unsigned char field[8];
        putLe(field, value, bytes);
        return pwrite(outFd, field, static_cast<size_t>(bytes), static_cast<off_t>(offset)) ==
               bytes;
    };
    bool ok = true;
    if (rf64)
        ok = patch(20, riffSize, 8) && patch(28, dataBytes, 8) && patch(36, frames, 8);
    else if (riffSize > kNoSize || dataBytes > kNoSize)
    {
        error = "the output grew beyond what a RIFF header can give";
        return false;
    }
    else
        ok = patch(4, riffSize, 4) && patch(dataStart + 4, dataBytes, 4);
    // The length of compressed or float data, in frames; kept in step.
    if (ok && factOffset != 0)
        ok = patch(factOffset, std::min<std::uint64_t>(frames, kNoSize), 4);
    // Space reserved beyond what was written (the input ended early) is
    // given back.
    if (ok && reserved > position)
        ok = ftruncate(outFd, static_cast<off_t>(position)) == 0;
    if (!ok)
        error = std::strerror(errno);
    return ok;
}

} // namespace KestrumTool
