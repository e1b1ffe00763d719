// kestrum-process keeping what a file carries: chunks, formats, sizes,
// permissions and links; and what it leaves behind when cut short.
#include "support/tempdir.h"
#include "support/toolfiles.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace KestrumTest;
namespace fs = std::filesystem;

namespace
{

std::string le(std::uint32_t value, int bytes)
{
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i));
    return out;
}

// A fmt chunk: plain (tag 1 or 3) or WAVE_FORMAT_EXTENSIBLE with a mask.
std::string fmt(int channels, int bits, int tag, std::uint32_t mask = 0)
{
    const int align = channels * bits / 8;
    std::string out = le(mask ? 0xFFFE : tag, 2) + le(channels, 2) + le(48000, 4) +
                      le(48000 * align, 4) + le(align, 2) + le(bits, 2);
    if (mask)
        out += le(22, 2) + le(bits, 2) + le(mask, 4) + le(tag, 2) +
               std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    return out;
}

// Samples on a DC offset, so that processing changes every frame.
std::string samples(int frames, int channels, int bits, bool isFloat)
{
    std::string out;
    for (int i = 0; i < frames * channels; ++i)
    {
        const double x = 0.3 + 0.2 * std::sin(i * 0.01);
        if (isFloat)
        {
            const float f = static_cast<float>(x);
            out.append(reinterpret_cast<const char*>(&f), 4);
        }
        else if (bits == 8)
            out += static_cast<char>(128 + static_cast<int>(x * 127));
        else
            out += le(static_cast<std::uint32_t>(x * (1 << (bits - 1))), bits / 8);
    }
    return out;
}

std::vector<RiffChunk> without(std::vector<RiffChunk> chunks, const std::string& id)
{
    chunks.erase(std::remove_if(chunks.begin(), chunks.end(),
                                [&](const RiffChunk& c) { return c.id == id; }),
                 chunks.end());
    return chunks;
}

const RiffChunk* find(const std::vector<RiffChunk>& chunks, const std::string& id)
{
    for (const RiffChunk& chunk : chunks)
        if (chunk.id == id)
            return &chunk;
    return nullptr;
}

} // namespace

TEST(ProcessToolFiles, EveryChunkReachesTheOutputInItsPlace)
{
    TempDir dir;
    const std::string bext = std::string(602, 'b') + le(123456789, 4);
    const std::string list = "INFOINAM" + le(5, 4) + "take" + std::string(2, '\0');
    struct Case
    {
        const char* what;
        std::vector<RiffChunk> chunks; // "data" filled in below
    };
    const Case cases[] = {
        {"bext before fmt", {{"bext", bext}, {"fmt ", fmt(2, 24, 1)}, {"data", ""}}},
        {"bext after fmt, LIST at the end",
         {{"fmt ", fmt(2, 16, 1)}, {"bext", bext}, {"data", ""}, {"LIST", list}}},
        {"odd-sized unknown chunks and odd-sized data",
         {{"fmt ", fmt(1, 8, 1)}, {"zyx1", "abc"}, {"data", ""}, {"cue ", "12345"}}},
        {"extensible 5.1 with fact, iXML and axml",
         {{"fmt ", fmt(6, 24, 1, 0x3F)},
          {"fact", le(4801, 4)},
          {"iXML", "<BWFXML/>"},
          {"data", ""},
          {"axml", "<x/>"}}},
        {"float with PEAK and smpl",
         {{"fmt ", fmt(2, 32, 3)}, {"PEAK", std::string(24, 'p')}, {"data", ""}, {"smpl", "s"}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<RiffChunk> chunks = c.chunks;
        const std::string& format = find(chunks, "fmt ")->bytes;
        const int channels = format[2];
        const int bits = format[14];
        for (RiffChunk& chunk : chunks)
            if (chunk.id == "data")
                chunk.bytes = samples(4801, channels, bits, format[0] == 3);
        const std::string in = dir.file("in.wav");
        writeFile(in, riffFile(chunks));
        for (const bool bypass : {false, true})
        {
            SCOPED_TRACE(bypass ? "bypass" : "processed");
            std::vector<std::string> args = {"-q", in, dir.file("out.wav")};
            if (bypass)
                args.insert(args.begin(), "--bypass");
            const auto run = runTool(dir, args);
            ASSERT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(run.err, "");
            std::vector<RiffChunk> out;
            ASSERT_EQ(readChunks(dir.file("out.wav"), out), "RIFF");
            const std::vector<RiffChunk> expected = without(chunks, "PEAK");
            ASSERT_EQ(out.size(), expected.size());
            for (size_t i = 0; i < out.size(); ++i)
            {
                EXPECT_EQ(out[i].id, expected[i].id) << i;
                if (out[i].id != "data")
                    EXPECT_TRUE(out[i].bytes == expected[i].bytes) << out[i].id;
                else if (bypass)
                    EXPECT_TRUE(out[i].bytes == expected[i].bytes);
                else
                {
                    EXPECT_EQ(out[i].bytes.size(), expected[i].bytes.size());
                    EXPECT_FALSE(out[i].bytes == expected[i].bytes);
                }
            }
            EXPECT_EQ(fileContents(dir.file("out.wav")).size() % 2, 0u);
        }
    }
}

TEST(ProcessToolFiles, BypassGivesEverySampleFormatBitForBit)
{
    TempDir dir;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-0.9, 0.9);
    for (int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                       SF_FORMAT_WAV | SF_FORMAT_PCM_24, SF_FORMAT_WAV | SF_FORMAT_PCM_32,
                       SF_FORMAT_WAV | SF_FORMAT_FLOAT, SF_FORMAT_WAV | SF_FORMAT_DOUBLE,
                       SF_FORMAT_WAVEX | SF_FORMAT_PCM_32, SF_FORMAT_RF64 | SF_FORMAT_DOUBLE})
    {
        SCOPED_TRACE(format);
        const std::string in = dir.file("in.wav");
        SF_INFO info{};
        info.channels = 2;
        info.samplerate = 48000;
        info.format = format;
        std::vector<double> values(2 * 48000);
        for (double& v : values)
            v = noise(random);
        SNDFILE* file = sf_open(in.c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        sf_writef_double(file, values.data(), 48000);
        sf_close(file);

        const auto run = runTool(dir, {"-q", "--bypass", in, dir.file("out.wav")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::vector<RiffChunk> before, after;
        readChunks(in, before);
        readChunks(dir.file("out.wav"), after);
        ASSERT_NE(find(after, "data"), nullptr);
        EXPECT_TRUE(find(before, "data")->bytes == find(after, "data")->bytes);
        EXPECT_TRUE(find(before, "fmt ")->bytes == find(after, "fmt ")->bytes);
    }
}

TEST(ProcessToolFiles, OutputBeyondTheRiffLimitIsRf64AndBackAgain)
{
    TempDir dir;
    const std::vector<RiffChunk> chunks = {{"bext", std::string(602, 'b')},
                                           {"fmt ", fmt(2, 16, 1)},
                                           {"data", samples(48000, 2, 16, false)},
                                           {"LIST", "INFO"}};
    writeFile(dir.file("in.wav"), riffFile(chunks));
    struct Case
    {
        const char* what;
        std::string input, limit, form;
    };
    const Case cases[] = {
        {"over the limit", "in.wav", "100000", "RF64"},
        {"under the limit", "in.wav", "1000000", "RIFF"},
        {"RF64 input to a RIFF output", "rf64.wav", "", "RIFF"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::string out = c.form == "RF64" ? "rf64.wav" : "riff.wav";
        std::vector<std::string> env;
        if (!c.limit.empty())
            env.push_back("KESTRUM_PROCESS_RIFF_LIMIT=" + c.limit);
        const auto run = runTool(dir, {"-q", "--bypass", dir.file(c.input), dir.file(out)}, env);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::vector<RiffChunk> written;
        EXPECT_EQ(readChunks(dir.file(out), written), c.form);
        EXPECT_TRUE(without(written, "ds64") == chunks);
        // The header agrees with the data: libsndfile reads every frame.
        SF_INFO info{};
        SNDFILE* file = sf_open(dir.file(out).c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(info.frames, 48000);
        sf_close(file);
    }
}

TEST(ProcessToolFiles, ModesAndLinksOfTheOutput)
{
    TempDir dir;
    const std::string in = dir.file("in.wav");
    ASSERT_TRUE(writeAudio(in, offsetTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16)));
    const mode_t mask = umask(0);
    umask(mask);
    struct Case
    {
        const char* what;
        std::string name;                            // the output named on the command line
        std::function<void(const std::string&)> set; // before the run
        std::string written;                         // the file that must hold the result
        mode_t mode;
    };
    const Case cases[] = {
        {"a replaced private file stays private", "private.wav",
         [](const std::string& p)
         {
             writeFile(p, "old");
             chmod(p.c_str(), 0600);
         },
         "private.wav", 0600},
        {"a new file gets the usual mode", "new.wav", [](const std::string&) {}, "new.wav",
         0666 & ~mask},
        {"a link is written through to its target", "link.wav",
         [&](const std::string& p)
         {
             writeFile(dir.file("target.wav"), "old");
             chmod(dir.file("target.wav").c_str(), 0640);
             fs::create_symlink("target.wav", p);
         },
         "target.wav", 0640},
        {"a dangling link gets its target made", "dangling.wav",
         [&](const std::string& p) { fs::create_symlink("made.wav", p); }, "made.wav",
         0666 & ~mask},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        c.set(dir.file(c.name));
        const auto run = runTool(dir, {"-q", in, dir.file(c.name)});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        Audio audio;
        EXPECT_TRUE(readAudio(dir.file(c.written), audio));
        struct stat info
        {
        };
        ASSERT_EQ(stat(dir.file(c.written).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.mode);
        if (c.written != c.name)
        {
            EXPECT_TRUE(fs::is_symlink(dir.file(c.name)));
        }
    }
    for (const std::string& name : dir.entries())
        EXPECT_EQ(name.find("kestrum-partial"), std::string::npos) << name;
}

// Root writes anywhere, so the run goes to an unprivileged user then.
TEST(ProcessToolFiles, WritableFileInAFolderThatIsNotIsWrittenInPlace)
{
    TempDir dir, scratch;
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.wav");
    ASSERT_TRUE(writeAudio(in, offsetTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16)));
    writeFile(out, "old");
    chmod(out.c_str(), 0666);
    chmod(in.c_str(), 0644);
    chmod(scratch.path().c_str(), 0777);
    chmod(dir.path().c_str(), 0755);
    std::vector<std::string> args = {KESTRUM_PROCESS_TOOL, "-q", in, out};
    if (geteuid() == 0)
    {
        if (access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "running as root without setpriv";
        args.insert(args.begin(),
                    {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"});
    }
    else
        chmod(dir.path().c_str(), 0555);
    const auto run =
        runProcess(args, {"HOME=" + dir.path().string(), "TMPDIR=" + scratch.path().string()});
    chmod(dir.path().c_str(), 0755);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio audio;
    EXPECT_TRUE(readAudio(out, audio));
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{});
}

TEST(ProcessToolFiles, TruncatedInputWarnsAndStrictRefuses)
{
    TempDir dir;
    const std::string whole =
        riffFile({{"fmt ", fmt(2, 24, 1)}, {"data", samples(48000, 2, 24, false)}});
    struct Case
    {
        const char* what;
        size_t keep; // bytes of the file
        std::string warning;
    };
    const size_t header = 12 + 8 + 16 + 8;
    const Case cases[] = {
        {"cut at a frame", header + 6 * 1000, "ends after 1000 of 48000 frames"},
        {"cut inside a frame", header + 6 * 1000 + 4, "ends after 1000 of 48000 frames"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::string in = dir.file("cut.wav");
        writeFile(in, whole.substr(0, c.keep));
        const auto run = runTool(dir, {"-q", in, dir.file("out.wav")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.err.find(c.warning), std::string::npos) << run.err;
        Audio audio;
        ASSERT_TRUE(readAudio(dir.file("out.wav"), audio));
        EXPECT_EQ(audio.samples.size(), 2000u);
        fs::remove(dir.file("out.wav"));

        const auto strict = runTool(dir, {"-q", "--strict", in, dir.file("out.wav")});
        EXPECT_EQ(strict.exitCode, 1);
        EXPECT_NE(strict.err.find(c.warning), std::string::npos) << strict.err;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"cut.wav"});
    }
}

TEST(ProcessToolFiles, SignalsRemoveTheTemporaryFile)
{
    TempDir dir;
    const std::string in = dir.file("in.wav");
    Audio audio = offsetTone(SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    for (int copy = 0; copy < 3; ++copy) // six seconds, at one frame per block
        audio.samples.insert(audio.samples.end(), audio.samples.begin(),
                             audio.samples.begin() + 2 * 96000);
    ASSERT_TRUE(writeAudio(in, audio));
    const std::string home = "HOME=" + dir.path().string();
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
    {
        SCOPED_TRACE(strsignal(signal));
        const std::string out = dir.file("out.wav");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            putenv(const_cast<char*>(home.c_str()));
            freopen("/dev/null", "w", stdout);
            execl(KESTRUM_PROCESS_TOOL, KESTRUM_PROCESS_TOOL, "-q", "--block", "1", in.c_str(),
                  out.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Mid-run: once the temporary file has appeared.
        bool seen = false;
        for (int wait = 0; wait < 1000 && !seen; ++wait)
        {
            for (const std::string& name : dir.entries())
                seen = seen || name.find(".out.wav.kestrum-partial-") == 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(seen);
        kill(child, signal);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"});
    }
}

namespace
{

struct FlacBlock
{
    int type;
    std::string bytes;
    bool operator==(const FlacBlock& o) const { return type == o.type && bytes == o.bytes; }
};

// The metadata blocks and what follows them (the frames).
std::vector<FlacBlock> flacBlocks(const std::string& file, std::string* frames = nullptr)
{
    std::vector<FlacBlock> blocks;
    size_t at = 4;
    for (bool last = false; !last && at + 4 <= file.size();)
    {
        const auto* head = reinterpret_cast<const unsigned char*>(file.data() + at);
        last = head[0] & 0x80;
        const size_t size = static_cast<size_t>(head[1] << 16 | head[2] << 8 | head[3]);
        blocks.push_back({head[0] & 0x7F, file.substr(at + 4, size)});
        at += 4 + size;
    }
    if (frames)
        *frames = file.substr(at);
    return blocks;
}

std::string flacFile(const std::vector<FlacBlock>& blocks, const std::string& frames)
{
    std::string out = "fLaC";
    for (size_t i = 0; i < blocks.size(); ++i)
    {
        const size_t size = blocks[i].bytes.size();
        out += static_cast<char>(blocks[i].type | (i + 1 == blocks.size() ? 0x80 : 0));
        out += static_cast<char>(size >> 16);
        out += static_cast<char>(size >> 8);
        out += static_cast<char>(size);
        out += blocks[i].bytes;
    }
    return out + frames;
}

} // namespace

TEST(ProcessToolFiles, FlacKeepsItsMetadataBlocks)
{
    TempDir dir;
    const std::string in = dir.file("in.flac");
    ASSERT_TRUE(writeAudio(in, offsetTone(SF_FORMAT_FLAC | SF_FORMAT_PCM_24)));
    std::string frames;
    const std::vector<FlacBlock> written = flacBlocks(fileContents(in), &frames);
    ASSERT_EQ(written.front().type, 0);
    const FlacBlock riff{2, "riff" + std::string("bext\x04\x00\x00\x00time", 12)};
    auto be32 = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    const FlacBlock picture{6, be32(3) + be32(9) + "image/png" + be32(0) + be32(1) + be32(1) +
                                   be32(24) + be32(0) + be32(4) + "\x89PNG"};
    // No catalogue, not a CD, one lead-out track without indices.
    const FlacBlock cueSheet{5, std::string(395, '\0') + '\x01' + std::string(8, '\0') + '\xff' +
                                    std::string(27, '\0')};
    const std::string vendor = "test";
    const FlacBlock comments{4, std::string("\x04\0\0\0", 4) + vendor +
                                    std::string("\x01\0\0\0", 4) + std::string("\x0b\0\0\0", 4) +
                                    "TITLE=Take3"};
    std::vector<FlacBlock> blocks = written;
    blocks.erase(std::remove_if(blocks.begin(), blocks.end(),
                                [](const FlacBlock& b) { return b.type == 4; }),
                 blocks.end());
    blocks.push_back(comments);
    blocks.insert(blocks.begin() + 1, riff);
    blocks.push_back(picture);
    blocks.push_back(cueSheet);
    blocks.push_back({1, std::string(100, '\0')}); // padding, not carried over
    writeFile(in, flacFile(blocks, frames));

    for (const char* mode : {"--bypass", "--dither"})
    {
        SCOPED_TRACE(mode);
        const auto run = runTool(dir, {"-q", mode, in, dir.file("out.flac")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<FlacBlock> out = flacBlocks(fileContents(dir.file("out.flac")));
        blocks.pop_back();
        std::vector<FlacBlock> expected(blocks.begin() + 1, blocks.end());
        blocks.push_back({1, std::string(100, '\0')});
        ASSERT_FALSE(out.empty());
        EXPECT_TRUE(std::vector<FlacBlock>(out.begin() + 1, out.end()) == expected);
        Audio before, after;
        ASSERT_TRUE(readAudio(in, before));
        ASSERT_TRUE(readAudio(dir.file("out.flac"), after));
        EXPECT_EQ(after.samples.size(), before.samples.size());
    }
}

TEST(ProcessToolFiles, DitherMovesSamplesByAtMostTwoSteps)
{
    TempDir dir;
    const std::string in = dir.file("in.wav");
    ASSERT_TRUE(writeAudio(in, offsetTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16)));
    for (const char* name : {"plain.wav", "dithered.wav"})
    {
        std::vector<std::string> args = {"-q", in, dir.file(name)};
        if (std::string(name) == "dithered.wav")
            args.insert(args.begin(), "--dither");
        ASSERT_EQ(runTool(dir, args).exitCode, 0);
    }
    Audio plain, dithered;
    ASSERT_TRUE(readAudio(dir.file("plain.wav"), plain));
    ASSERT_TRUE(readAudio(dir.file("dithered.wav"), dithered));
    ASSERT_EQ(plain.samples.size(), dithered.samples.size());
    size_t changed = 0;
    double largest = 0;
    for (size_t i = 0; i < plain.samples.size(); ++i)
    {
        const double steps = std::fabs(plain.samples[i] - dithered.samples[i]) * 32768.0;
        changed += steps > 0;
        largest = std::max(largest, steps);
    }
    EXPECT_GT(changed, plain.samples.size() / 4);
    EXPECT_LE(largest, 2.0);
}
