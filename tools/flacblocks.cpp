#include "flacblocks.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace KestrumTool
{
namespace
{

constexpr int kStreamInfo = 0;
constexpr int kPadding = 1;
constexpr int kSeekTable = 3;
constexpr int kVorbisComment = 4;
constexpr int kLastFlag = 0x80;

bool readAt(int fd, off_t offset, void* out, size_t count)
{
    return pread(fd, out, count, offset) == static_cast<ssize_t>(count);
}

bool writeAt(int fd, off_t offset, const void* in, size_t count)
{
    return pwrite(fd, in, count, offset) == static_cast<ssize_t>(count);
}

struct BlockHeader
{
    bool last = false;
    int type = 0;
    std::uint32_t size = 0;
};

BlockHeader parse(const unsigned char* head)
{
    return {(head[0] & kLastFlag) != 0, head[0] & 0x7F,
            static_cast<std::uint32_t>(head[1] << 16 | head[2] << 8 | head[3])};
}

// Walks the metadata; false when the file is not FLAC. end: where the frames
// start; lastHeader: the offset of the last block's header.
template <typename Visit> bool walk(int fd, off_t& end, off_t& lastHeader, Visit visit)
{
    unsigned char magic[4];
    if (!readAt(fd, 0, magic, 4) || std::memcmp(magic, "fLaC", 4) != 0)
        return false;
    off_t at = 4;
    for (;;)
    {
        unsigned char head[4];
        if (!readAt(fd, at, head, 4))
            return false;
        const BlockHeader block = parse(head);
        lastHeader = at;
        if (!visit(block, at + 4))
            return false;
        at += 4 + static_cast<off_t>(block.size);
        if (block.last)
            break;
    }
    end = at;
    return true;
}

} // namespace

bool readFlacBlocks(const std::string& path, std::vector<FlacBlock>& blocks)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    off_t end = 0, last = 0;
    blocks.clear();
    const bool ok = walk(fd, end, last,
                         [&](const BlockHeader& header, off_t contents)
                         {
                             if (header.type == kStreamInfo || header.type == kPadding ||
                                 header.type == kSeekTable || header.type == 127)
                                 return true;
                             FlacBlock block;
                             block.type = header.type;
                             block.bytes.resize(header.size);
                             if (!readAt(fd, contents, block.bytes.data(), header.size))
                                 return false;
                             blocks.push_back(std::move(block));
                             return true;
                         });
    close(fd);
    return ok;
}

bool insertFlacBlocks(int fd, const std::vector<FlacBlock>& blocks, std::string& error)
{
    if (blocks.empty())
        return true;
    const bool ownComment = std::any_of(
        blocks.begin(), blocks.end(), [](const FlacBlock& b) { return b.type == kVorbisComment; });
    // The written file's blocks stay, but for the encoder's comment when the
    // input brings its own: a file holds one.
    std::vector<FlacBlock> metadata;
    off_t end = 0, last = 0;
    struct stat info
    {
    };
    const bool read =
        walk(fd, end, last,
             [&](const BlockHeader& header, off_t contents)
             {
                 if (header.type == kPadding || (ownComment && header.type == kVorbisComment))
                     return true;
                 FlacBlock block;
                 block.type = header.type;
                 block.bytes.resize(header.size);
                 metadata.push_back(std::move(block));
                 return readAt(fd, contents, metadata.back().bytes.data(), header.size);
             });
    if (!read || fstat(fd, &info) != 0)
    {
        error = "the written FLAC file cannot be read back";
        return false;
    }
    metadata.insert(metadata.end(), blocks.begin(), blocks.end());
    std::vector<unsigned char> region;
    for (size_t i = 0; i < metadata.size(); ++i)
    {
        const auto size = static_cast<std::uint32_t>(metadata[i].bytes.size());
        region.push_back(static_cast<unsigned char>(metadata[i].type |
                                                    (i + 1 == metadata.size() ? kLastFlag : 0)));
        region.push_back(static_cast<unsigned char>(size >> 16));
        region.push_back(static_cast<unsigned char>(size >> 8));
        region.push_back(static_cast<unsigned char>(size));
        region.insert(region.end(), metadata[i].bytes.begin(), metadata[i].bytes.end());
    }
    // The frames move by the change in size: from the end down when they
    // move up, from the start when they move down, so nothing is overwritten
    // before it has moved.
    const off_t shift = 4 + static_cast<off_t>(region.size()) - end;
    std::vector<unsigned char> buffer(1 << 20);
    const off_t chunk = static_cast<off_t>(buffer.size());
    bool ok = true;
    if (shift > 0)
    {
        for (off_t top = info.st_size; ok && top > end;)
        {
            const off_t count = std::min(chunk, top - end);
            top -= count;
            ok = readAt(fd, top, buffer.data(), static_cast<size_t>(count)) &&
                 writeAt(fd, top + shift, buffer.data(), static_cast<size_t>(count));
        }
    }
    else if (shift < 0)
    {
        for (off_t at = end; ok && at < info.st_size;)
        {
            const off_t count = std::min(chunk, info.st_size - at);
            ok = readAt(fd, at, buffer.data(), static_cast<size_t>(count)) &&
                 writeAt(fd, at + shift, buffer.data(), static_cast<size_t>(count));
            at += count;
        }
        ok = ok && ftruncate(fd, info.st_size + shift) == 0;
    }
    ok = ok && writeAt(fd, 4, region.data(), region.size());
    if (!ok)
        error = std::string("cannot add the input's metadata: ") + std::strerror(errno);
    return ok;
}

} // namespace KestrumTool
