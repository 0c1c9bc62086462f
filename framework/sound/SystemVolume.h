// The system mixer calls through which the sound code reads and sets the wave-out volume.
//
// Implements: one mixer device (0) with one wave-out source line holding one volume control (0..65535), opened,
// queried by component and control type, read, written and closed in the usual sequence. Leaves out: every other
// line, control and device, and notifications. The value is this process's own: it scales our output as a master
// gain and never touches the desktop's volume, which belongs to the user.
#pragma once

#include <cstdint>

namespace Zest
{

using MMRESULT = uint32_t;
using HMIXER = struct MixerHandleTag*;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MIXERR_INVALLINE = 1024;
constexpr MMRESULT MIXERR_INVALCONTROL = 1025;

constexpr uint32_t MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x1008;
constexpr uint32_t MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;
constexpr uint32_t MIXER_GETLINEINFOF_COMPONENTTYPE = 0x3;
constexpr uint32_t MIXER_GETLINECONTROLSF_ONEBYTYPE = 0x2;
constexpr uint32_t MIXER_GETCONTROLDETAILSF_VALUE = 0x0;
constexpr uint32_t MIXER_SETCONTROLDETAILSF_VALUE = 0x0;

struct MIXERCAPS
{
    uint16_t wMid = 0;
    uint16_t wPid = 0;
    uint32_t vDriverVersion = 0;
    char szPname[32] = {};
    uint32_t fdwSupport = 0;
    uint32_t cDestinations = 0;
};

struct MIXERLINE
{
    uint32_t cbStruct = sizeof(MIXERLINE);
    uint32_t dwDestination = 0;
    uint32_t dwSource = 0;
    uint32_t dwLineID = 0;
    uint32_t fdwLine = 0;
    uint32_t dwComponentType = 0;
    uint32_t cChannels = 0;
    uint32_t cControls = 0;
};

struct MIXERCONTROL
{
    uint32_t cbStruct = sizeof(MIXERCONTROL);
    uint32_t dwControlID = 0;
    uint32_t dwControlType = 0;
    uint32_t fdwControl = 0;
    uint32_t cMultipleItems = 0;
    uint32_t dwMinimum = 0;
    uint32_t dwMaximum = 0;
};

struct MIXERLINECONTROLS
{
    uint32_t cbStruct = sizeof(MIXERLINECONTROLS);
    uint32_t dwLineID = 0;
    uint32_t dwControlType = 0;
    uint32_t cControls = 0;
    uint32_t cbmxctrl = sizeof(MIXERCONTROL);
    MIXERCONTROL* pamxctrl = nullptr;
};

struct MIXERCONTROLDETAILS_UNSIGNED
{
    uint32_t dwValue = 0;
};

struct MIXERCONTROLDETAILS
{
    uint32_t cbStruct = sizeof(MIXERCONTROLDETAILS);
    uint32_t dwControlID = 0;
    uint32_t cChannels = 0;
    uint32_t cMultipleItems = 0;
    uint32_t cbDetails = 0;
    void* paDetails = nullptr;
};

MMRESULT mixerOpen(HMIXER* mixer, uint32_t deviceId, uintptr_t callback, uintptr_t instance, uint32_t flags);
MMRESULT mixerGetDevCaps(uintptr_t deviceId, MIXERCAPS* caps, uint32_t size);
MMRESULT mixerGetLineInfo(HMIXER mixer, MIXERLINE* line, uint32_t flags);
MMRESULT mixerGetLineControls(HMIXER mixer, MIXERLINECONTROLS* controls, uint32_t flags);
MMRESULT mixerGetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, uint32_t flags);
MMRESULT mixerSetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, uint32_t flags);
MMRESULT mixerClose(HMIXER mixer);

// Opens the mixer and finds the wave-out line's volume control by the usual query sequence; false when no mixer
// opens. The caller closes the mixer.
bool OpenWaveOutControl(HMIXER& mixer, MIXERCONTROL& control);
// The control's one-channel value (0 when it cannot be read), and its setting.
uint32_t GetMixerValue(HMIXER mixer, const MIXERCONTROL& control);
void SetMixerValue(HMIXER mixer, const MIXERCONTROL& control, uint32_t value);

} // namespace Zest
