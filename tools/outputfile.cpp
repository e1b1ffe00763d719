#include "outputfile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace KestrumTool
{
namespace
{

namespace fs = std::filesystem;

// The temporary files the signal handler removes: claimed and released by
// the jobs through the flag, read by the handler only where it is set.
constexpr int kSlots = 256;
constexpr size_t kPathBytes = 4096;
struct Slot
{
    std::atomic<bool> used{false};
    std::atomic<bool> ready{false};
    char path[kPathBytes] = {};
};
std::array<Slot, kSlots> slots;

void onSignal(int signal)
{
    for (Slot& slot : slots)
        if (slot.ready.load())
            unlink(slot.path);
    // Ends by the same signal, so that the shell sees 128 + N and a loop
    // around the tool stops.
    std::signal(signal, SIG_DFL);
    raise(signal);
}

int claimSlot(const std::string& path)
{
    if (path.size() >= kPathBytes)
        return -1;
    for (int i = 0; i < kSlots; ++i)
    {
        bool expected = false;
        if (slots[i].used.compare_exchange_strong(expected, true))
        {
            std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
            slots[i].ready = true;
            return i;
        }
    }
    return -1;
}

void releaseSlot(int slot)
{
    if (slot < 0)
        return;
    slots[static_cast<size_t>(slot)].ready = false;
    slots[static_cast<size_t>(slot)].used = false;
}

mode_t newFileMode()
{
    static std::once_flag once;
    static mode_t mode = 0644;
    std::call_once(once,
                   []
                   {
                       const mode_t mask = umask(0);
                       umask(mask);
                       mode = 0666 & ~mask;
                   });
    return mode;
}

// The file a path names, through any chain of symbolic links, also one that
// points at a file not made yet.
fs::path resolved(const fs::path& path)
{
    fs::path current = path;
    std::error_code ec;
    for (int depth = 0; depth < 40 && fs::is_symlink(current, ec); ++depth)
    {
        const fs::path target = fs::read_symlink(current, ec);
        if (ec)
            break;
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current;
}

int makeTemporary(const fs::path& folder, const std::string& name, std::string& made)
{
    std::string pattern = (folder / ("." + name + ".kestrum-partial-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd >= 0)
        made = buffer.data();
    return fd;
}

bool copyFile(int from, int to)
{
    std::vector<char> buffer(1 << 20);
    if (lseek(from, 0, SEEK_SET) != 0)
        return false;
    for (;;)
    {
        const ssize_t got = read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        for (ssize_t done = 0; done < got;)
        {
            const ssize_t put = write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += put;
        }
    }
}

} // namespace

void removeTemporaryFilesOnSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

OutputFile::~OutputFile()
{
    discard();
}

void OutputFile::discard()
{
    if (handle >= 0)
        close(handle);
    handle = -1;
    if (!tempPath.empty())
        unlink(tempPath.c_str());
    releaseSlot(slot);
    slot = -1;
    tempPath.clear();
}

int OutputFile::release()
{
    const int fd = handle;
    handle = -1;
    return fd;
}

bool OutputFile::create(const std::string& path, std::string& error)
{
    const fs::path target = resolved(path);
    targetPath = target.string();
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    struct stat existing
    {
    };
    const bool replaces = stat(targetPath.c_str(), &existing) == 0;
    if (replaces && !S_ISREG(existing.st_mode))
    {
        error = "cannot write '" + path + "': it is not a regular file";
        return false;
    }
    handle = makeTemporary(folder, target.filename().string(), tempPath);
    if (handle < 0 && (errno == EACCES || errno == EPERM || errno == EROFS) && replaces &&
        access(targetPath.c_str(), W_OK) == 0)
    {
        const char* tmp = std::getenv("TMPDIR");
        handle = makeTemporary(tmp && *tmp ? tmp : "/tmp", target.filename().string(), tempPath);
        copyOnto = handle >= 0;
    }
    if (handle < 0)
    {
        error = "cannot write '" + path + "': " + std::strerror(errno);
        return false;
    }
    slot = claimSlot(tempPath);
    // mkstemp makes the file private; a replaced file keeps its own bits.
    fchmod(handle, replaces ? existing.st_mode & 07777 : newFileMode());
    return true;
}

bool OutputFile::commit(const std::string& keepAs, std::string& error)
{
    if (handle >= 0 && close(release()) != 0)
    {
        error = "error writing '" + targetPath + "': " + std::strerror(errno);
        discard();
        return false;
    }
    if (!keepAs.empty())
    {
        unlink(keepAs.c_str());
        if (link(targetPath.c_str(), keepAs.c_str()) != 0)
        {
            error = "cannot keep the original as '" + keepAs + "': " + std::strerror(errno);
            discard();
            return false;
        }
    }
    if (!copyOnto)
    {
        if (std::rename(tempPath.c_str(), targetPath.c_str()) != 0)
        {
            error = "cannot write '" + targetPath + "': " + std::strerror(errno);
            discard();
            return false;
        }
        releaseSlot(slot);
        slot = -1;
        tempPath.clear();
        return true;
    }
    // Written in place: only now, with the whole result ready, and without
    // a signal ending the copy half way.
    sigset_t block, previous;
    sigemptyset(&block);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&block, signal);
    pthread_sigmask(SIG_BLOCK, &block, &previous);
    const int from = open(tempPath.c_str(), O_RDONLY | O_CLOEXEC);
    const int to = open(targetPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const bool copied = from >= 0 && to >= 0 && copyFile(from, to);
    const int reason = errno;
    const bool closed = to < 0 || close(to) == 0;
    if (from >= 0)
        close(from);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!copied || !closed)
        error = "cannot write '" + targetPath + "' in place: " + std::strerror(reason);
    discard();
    return copied && closed;
}

} // namespace KestrumTool
