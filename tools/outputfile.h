// Where a written file lives until it is complete, and how it takes its
// place: a temporary file beside the output (the folder of a symbolic
// link's target), given the replaced file's permission bits, renamed over
// it when done. When that folder cannot be written but the output file can,
// the temporary file goes to the system's temporary folder and is copied
// onto the output once complete. SIGINT, SIGTERM and SIGHUP remove every
// temporary file still open before the tool ends by that signal.
#pragma once

#include <string>

namespace KestrumTool
{

// Installs the signal handlers; once per process, before any output.
void removeTemporaryFilesOnSignals();

class OutputFile
{
public:
    OutputFile() = default;
    ~OutputFile(); // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Makes the temporary file for path; false with a reason.
    bool create(const std::string& path, std::string& error);
    int fd() const { return handle; }
    const std::string& temporaryPath() const { return tempPath; }
    // Gives up the descriptor (another owner closes it).
    int release();
    // Puts the finished file in place (the descriptor must be closed or
    // released by then); keepAs, when not empty, is the name the replaced
    // file keeps. False with a reason; the temporary file is removed then.
    bool commit(const std::string& keepAs, std::string& error);

private:
    void discard();

    int handle = -1;
    int slot = -1; // in the signal handler's table
    std::string tempPath;
    std::string targetPath; // the output, through any symbolic links
    bool copyOnto = false;  // the folder is not writable: copy at the end
};

} // namespace KestrumTool
