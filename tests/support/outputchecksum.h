// One fingerprint of the plug-in's output per tabled rate and mode, so that
// builds for different platforms can be compared bit for bit without
// sharing a file system: the Linux build wrote the table once
// (tests/data/outputchecksums.txt), every build compares against it.
#pragma once

#include "host/hostedplugin.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace KestrumTest
{

// (rate in Hz, mode value 0 / 0.5 / 1) -> 64-bit FNV-1a over the output's
// float bits, all channels, all frames.
using ChecksumTable = std::map<std::pair<int, double>, std::uint64_t>;

// The modes as normalized parameter values, one per mode.
constexpr double kModeValues[] = {0.0, 0.5, 1.0};

// Enough channels for every kernel to run: two AVX vector pairs and one
// AVX vector (where the CPU has AVX), an SSE2 pair and a lone channel.
constexpr int kChecksumChannels = 15;

// Runs a fixed signal (DC, rumble, a tone, noise and values below the
// denormal floor, different per channel, blocks of uneven length) through a
// fresh start of `plugin` at `rate` with Mode set to `mode`.
bool outputChecksum(KestrumHost::HostedPlugin& plugin, int rate, double mode,
                    std::uint64_t& checksum);

// "rate mode checksum" lines, checksum in hex. False when unreadable.
bool readChecksumTable(const std::string& path, ChecksumTable& table);
bool writeChecksumTable(const std::string& path, const ChecksumTable& table);

} // namespace KestrumTest
