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
    off_t end = 0, last = 0;
    struct stat info
    {
    };
    if (!walk(fd, end, last, [](const BlockHeader&, off_t) { return true; }) ||
        fstat(fd, &info) != 0)
    {
        error = "the written FLAC file cannot be read back";
        return false;
    }
    std::vector<unsigned char> insert;
    for (size_t i = 0; i < blocks.size(); ++i)
    {
        const auto size = static_cast<std::uint32_t>(blocks[i].bytes.size());
        insert.push_back(
            static_cast<unsigned char>(blocks[i].type | (i + 1 == blocks.size() ? kLastFlag : 0)));
        insert.push_back(static_cast<unsigned char>(size >> 16));
        insert.push_back(static_cast<unsigned char>(size >> 8));
        insert.push_back(static_cast<unsigned char>(size));
        insert.insert(insert.end(), blocks[i].bytes.begin(), blocks[i].bytes.end());
    }
    // The frames move up from the end down, so that nothing is overwritten
    // before it is moved.
    const auto shift = static_cast<off_t>(insert.size());
    std::vector<unsigned char> buffer(1 << 20);
    bool ok = true;
    for (off_t top = info.st_size; ok && top > end;)
    {
        const off_t count = std::min<off_t>(static_cast<off_t>(buffer.size()), top - end);
        top -= count;
        ok = readAt(fd, top, buffer.data(), static_cast<size_t>(count)) &&
             writeAt(fd, top + shift, buffer.data(), static_cast<size_t>(count));
    }
    unsigned char head = 0;
    ok = ok && readAt(fd, last, &head, 1);
    head = static_cast<unsigned char>(head & ~kLastFlag);
    ok = ok && writeAt(fd, last, &head, 1) && writeAt(fd, end, insert.data(), insert.size());
    if (!ok)
        error = std::string("cannot add the input's metadata: ") + std::strerror(errno);
    return ok;
}

} // namespace KestrumTool
