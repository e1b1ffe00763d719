// A fresh folder under the system's temporary folder, removed with all its
// contents when the test ends.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace KestrumTest
{

class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return dir; }
    std::string file(const std::string& name) const { return (dir / name).string(); }
    // Names of everything in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path dir;
};

} // namespace KestrumTest
