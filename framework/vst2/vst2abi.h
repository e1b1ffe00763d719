// The VST 2.4 binary interface as the wrapper and the host library use it:
// the effect record from the clean-room declarations, plus the well-known
// names of the opcodes, flags and buffer sizes that those declarations leave
// numbered only.
#pragma once

#include <cstddef>
#include <cstdint>

#ifndef _WIN32
// The declarations mark their function pointers __cdecl, which only exists
// as a keyword on Windows; elsewhere the platform's C convention applies.
#ifndef __cdecl
#define __cdecl
#endif
#endif
// The VST 3 headers define VST_VERSION as a macro, the VST 2 declarations
// use the name for an enum: hide the macro while they are read.
#pragma push_macro("VST_VERSION")
#undef VST_VERSION
#include "vst.h"
#pragma pop_macro("VST_VERSION")

using AEffect = vst_effect;

#if INTPTR_MAX == INT64_MAX
// The record every VST 2 host on a 64-bit platform reads.
static_assert(sizeof(AEffect) == 192, "AEffect layout");
static_assert(offsetof(AEffect, unique_id) == 112, "AEffect layout");
static_assert(offsetof(AEffect, process_float) == 120, "AEffect layout");
#endif

// The host callback. The clean-room header types its last argument as an
// integer, but hosts read it as a float (the automated value travels in it),
// and on x86-64 the two travel in different registers.
using audioMasterCallback = intptr_t (*)(AEffect* effect, int32_t opcode, int32_t index,
                                         intptr_t value, void* ptr, float opt);

namespace Vst2
{

// A four-character code as VST 2 stores it: the first character in the most
// significant byte ('VstP', unique IDs such as 'TkV2').
constexpr int32_t fourCharCode(const char (&code)[5])
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(code[3])));
}

constexpr int32_t kEffectMagic = fourCharCode("VstP");
constexpr intptr_t kVstVersion = 2400;

// Opcodes the host sends through the dispatcher.
enum EffectOpcode : int32_t
{
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditIdle = 19,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetProgramNameIndexed = 29,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effSetSpeakerArrangement = 42,
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effGetVstVersion = 58,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetProcessPrecision = 77,
};

// Opcodes the effect sends to the host callback.
enum HostOpcode : int32_t
{
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterIdle = 3,
    audioMasterIOChanged = 13,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
};

enum EffectFlags : int32_t
{
    effFlagsHasEditor = 1 << 0,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsCanDoubleReplacing = 1 << 12,
};

enum PlugCategory : int32_t
{
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
    kPlugCategAnalysis = 3,
    kPlugCategMastering = 4,
    kPlugCategSpacializer = 5,
    kPlugCategRoomFx = 6,
    kPlugSurroundFx = 7,
    kPlugCategRestoration = 8,
    kPlugCategOfflineProcess = 9,
    kPlugCategShell = 10,
    kPlugCategGenerator = 11,
};

enum ProcessPrecision : intptr_t
{
    kVstProcessPrecision32 = 0,
    kVstProcessPrecision64 = 1,
};

// The leading fields of a VstSpeakerArrangement. (The clean-room record types
// its first field as an enum that C++ compilers widen to 64 bits, which moves
// the channel count; read through this instead.)
struct SpeakerArrangementHead
{
    int32_t type;
    int32_t numChannels;
};

// Buffer sizes hosts provide, terminator included. Texts never exceed them.
constexpr int kVstMaxParamStrLen = 8;
constexpr int kVstMaxProgNameLen = 24;
constexpr int kVstMaxEffectNameLen = 32;
constexpr int kVstMaxVendorStrLen = 64;
constexpr int kVstMaxProductStrLen = 64;

} // namespace Vst2
