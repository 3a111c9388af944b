#pragma once

// The VST 2.4 binary interface on x86_64 Linux: the types, request codes and constants that
// VELK's binding and its test host use, written from the published layout facts. Plain C
// types only; the host and the plug-in agree on nothing else.

#include <cstddef>
#include <cstdint>

namespace vst2
{
using VstInt16 = short;
using VstInt32 = int;
using VstIntPtr = long long;

struct AEffect;

using audioMasterCallback = VstIntPtr (*) (AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
using AEffectDispatcherProc = VstIntPtr (*) (AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
using AEffectProcessProc = void (*) (AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames);
using AEffectProcessDoubleProc = void (*) (AEffect* effect, double** inputs, double** outputs, VstInt32 sampleFrames);
using AEffectSetParameterProc = void (*) (AEffect* effect, VstInt32 index, float parameter);
using AEffectGetParameterProc = float (*) (AEffect* effect, VstInt32 index);

/** The effect record the host reads: 192 bytes, with a reserved tail. */
struct AEffect
{
    VstInt32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    VstInt32 initialDelay;
    VstInt32 realQualities;
    VstInt32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

struct ERect
{
    VstInt16 top, left, bottom, right;
};

struct VstPinProperties
{
    char label[64];
    VstInt32 flags;
    VstInt32 arrangementType;
    char shortLabel[8];
    char future[48];
};

struct VstSpeakerProperties
{
    float azimuth, elevation, radius, reserved;
    char name[64];
    VstInt32 type;
    char future[28];
};

struct VstSpeakerArrangement
{
    VstInt32 type;
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8];
};

/** Four-character code: the first character in the most significant byte. */
constexpr VstInt32 fourCharCode (char a, char b, char c, char d)
{
    return (VstInt32) (((std::uint32_t) (unsigned char) a << 24) | ((std::uint32_t) (unsigned char) b << 16)
                       | ((std::uint32_t) (unsigned char) c << 8) | (std::uint32_t) (unsigned char) d);
}

constexpr VstInt32 kEffectMagic = fourCharCode ('V', 's', 't', 'P');
constexpr VstInt32 kVstVersion = 2400;

/** Dispatcher requests, host to plug-in. */
enum DispatcherOpcode : VstInt32
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
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
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
    effGetSpeakerArrangement = 69,
    effStartProcess = 71,
    effStopProcess = 72
};

/** Requests from the plug-in to the host. */
enum AudioMasterOpcode : VstInt32
{
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterIdle = 3,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44
};

enum EffectFlags : VstInt32
{
    effFlagsHasEditor = 1,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsCanDoubleReplacing = 4096
};

enum PinFlags : VstInt32
{
    kVstPinIsActive = 1,
    kVstPinIsStereo = 2,
    kVstPinUseSpeaker = 4
};

enum SpeakerArrangementType : VstInt32
{
    kSpeakerArrUserDefined = -2,
    kSpeakerArrEmpty = -1,
    kSpeakerArrMono = 0,
    kSpeakerArrStereo = 1,
    kSpeakerArr51 = 15
};

enum PlugCategory : VstInt32
{
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1
};

enum StringLength : VstInt32
{
    kVstMaxNameLength = 64,
    kVstMaxLabelLength = 64,
    kVstMaxShortLabelLength = 8,
    kVstMaxParamNameLength = 16,
    kVstMaxParamDisplayLength = 24,
    kVstMaxProgramNameLength = 25 // 24 characters and the terminator
};

// The layout the host expects, checked at compile time.
static_assert (sizeof (AEffect) == 192 && alignof (AEffect) == 8, "AEffect layout");
static_assert (offsetof (AEffect, numPrograms) == 40 && offsetof (AEffect, flags) == 56, "AEffect layout");
static_assert (offsetof (AEffect, initialDelay) == 80 && offsetof (AEffect, ioRatio) == 92, "AEffect layout");
static_assert (offsetof (AEffect, object) == 96 && offsetof (AEffect, uniqueID) == 112, "AEffect layout");
static_assert (offsetof (AEffect, processReplacing) == 120 && offsetof (AEffect, processDoubleReplacing) == 128, "AEffect layout");
static_assert (sizeof (ERect) == 8, "ERect layout");
static_assert (sizeof (VstPinProperties) == 128 && offsetof (VstPinProperties, shortLabel) == 72, "VstPinProperties layout");
static_assert (sizeof (VstSpeakerProperties) == 112 && offsetof (VstSpeakerProperties, type) == 80, "VstSpeakerProperties layout");
static_assert (sizeof (VstSpeakerArrangement) == 904, "VstSpeakerArrangement layout");
static_assert (fourCharCode ('V', 's', 't', 'P') == 0x56737450, "four-character codes");
} // namespace vst2
