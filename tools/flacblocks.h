// The metadata blocks of a FLAC file that describe its content (Vorbis
// comments, pictures, cue sheets, APPLICATION blocks and any kind unknown
// here), carried over to the processed file, which libsndfile writes with
// its stream information only. The seek table, whose offsets no longer hold,
// and padding are left out.
#pragma once

#include <string>
#include <vector>

namespace KestrumTool
{

struct FlacBlock
{
    int type = 0;
    std::vector<unsigned char> bytes; // the block's contents, without its header
};

// The blocks to keep of the FLAC file at path; false when it is not one.
bool readFlacBlocks(const std::string& path, std::vector<FlacBlock>& blocks);

// Puts the blocks after the metadata of the FLAC file open as fd, whose
// audio frames move up to make room. False with a reason.
bool insertFlacBlocks(int fd, const std::vector<FlacBlock>& blocks, std::string& error);

} // namespace KestrumTool
