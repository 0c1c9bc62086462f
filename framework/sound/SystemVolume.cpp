// The one-line system mixer: a process-local wave-out volume applied as the output's master gain.
#include "sound/SystemVolume.h"

#include <cstring>

#include "sound/AudioEngine.h"

namespace Zest
{

namespace
{
constexpr uint32_t kWaveOutLineId = 0x10000;
constexpr uint32_t kVolumeControlId = 1;
MixerHandleTag* const kMixerHandle = reinterpret_cast<MixerHandleTag*>(static_cast<uintptr_t>(0x4D58));

bool ValidHandle(HMIXER mixer)
{
    return mixer == kMixerHandle;
}

MMRESULT CheckDetails(HMIXER mixer, MIXERCONTROLDETAILS* details)
{
    if (!ValidHandle(mixer)) return MMSYSERR_INVALHANDLE;
    if (!details || details->dwControlID != kVolumeControlId || !details->paDetails ||
        details->cbDetails < sizeof(MIXERCONTROLDETAILS_UNSIGNED) || details->cChannels < 1)
        return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}
} // namespace

MMRESULT mixerOpen(HMIXER* mixer, uint32_t deviceId, uintptr_t, uintptr_t, uint32_t)
{
    if (!mixer) return MMSYSERR_INVALPARAM;
    if (deviceId != 0) return MMSYSERR_BADDEVICEID;
    *mixer = kMixerHandle;
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetDevCaps(uintptr_t deviceId, MIXERCAPS* caps, uint32_t size)
{
    if (!caps || size < sizeof(MIXERCAPS)) return MMSYSERR_INVALPARAM;
    if (deviceId != 0 && deviceId != reinterpret_cast<uintptr_t>(kMixerHandle)) return MMSYSERR_BADDEVICEID;
    *caps = MIXERCAPS{};
    std::strncpy(caps->szPname, "Output", sizeof caps->szPname - 1);
    caps->cDestinations = 1;
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineInfo(HMIXER mixer, MIXERLINE* line, uint32_t flags)
{
    if (!ValidHandle(mixer)) return MMSYSERR_INVALHANDLE;
    if (!line || flags != MIXER_GETLINEINFOF_COMPONENTTYPE) return MMSYSERR_INVALPARAM;
    if (line->dwComponentType != MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT) return MIXERR_INVALLINE;
    line->dwLineID = kWaveOutLineId;
    line->cChannels = 1;
    line->cControls = 1;
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineControls(HMIXER mixer, MIXERLINECONTROLS* controls, uint32_t flags)
{
    if (!ValidHandle(mixer)) return MMSYSERR_INVALHANDLE;
    if (!controls || flags != MIXER_GETLINECONTROLSF_ONEBYTYPE || !controls->pamxctrl || controls->cControls < 1)
        return MMSYSERR_INVALPARAM;
    if (controls->dwLineID != kWaveOutLineId) return MIXERR_INVALLINE;
    if (controls->dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME) return MIXERR_INVALCONTROL;
    MIXERCONTROL& control = *controls->pamxctrl;
    control.dwControlID = kVolumeControlId;
    control.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    control.dwMinimum = 0;
    control.dwMaximum = 65535;
    return MMSYSERR_NOERROR;
}

MMRESULT mixerGetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, uint32_t)
{
    if (MMRESULT r = CheckDetails(mixer, details)) return r;
    auto* values = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails);
    for (uint32_t c = 0; c < details->cChannels; ++c) values[c].dwValue = WaveOutVolume();
    return MMSYSERR_NOERROR;
}

MMRESULT mixerSetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, uint32_t)
{
    if (MMRESULT r = CheckDetails(mixer, details)) return r;
    SetWaveOutVolume(static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)[0].dwValue);
    return MMSYSERR_NOERROR;
}

MMRESULT mixerClose(HMIXER mixer)
{
    return ValidHandle(mixer) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

bool OpenWaveOutControl(HMIXER& mixer, MIXERCONTROL& control)
{
    if (mixerOpen(&mixer, 0, 0, 0, 0) != MMSYSERR_NOERROR) return false;
    MIXERCAPS caps;
    mixerGetDevCaps(reinterpret_cast<uintptr_t>(mixer), &caps, sizeof caps);
    MIXERLINE line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
    mixerGetLineInfo(mixer, &line, MIXER_GETLINEINFOF_COMPONENTTYPE);
    MIXERLINECONTROLS controls;
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.pamxctrl = &control;
    mixerGetLineControls(mixer, &controls, MIXER_GETLINECONTROLSF_ONEBYTYPE);
    return true;
}

namespace
{
MIXERCONTROLDETAILS OneValue(const MIXERCONTROL& control, MIXERCONTROLDETAILS_UNSIGNED& value)
{
    MIXERCONTROLDETAILS details;
    details.dwControlID = control.dwControlID;
    details.cChannels = 1;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    return details;
}
} // namespace

uint32_t GetMixerValue(HMIXER mixer, const MIXERCONTROL& control)
{
    MIXERCONTROLDETAILS_UNSIGNED value;
    MIXERCONTROLDETAILS details = OneValue(control, value);
    mixerGetControlDetails(mixer, &details, MIXER_GETCONTROLDETAILSF_VALUE);
    return value.dwValue;
}

void SetMixerValue(HMIXER mixer, const MIXERCONTROL& control, uint32_t volume)
{
    MIXERCONTROLDETAILS_UNSIGNED value;
    value.dwValue = volume;
    MIXERCONTROLDETAILS details = OneValue(control, value);
    mixerSetControlDetails(mixer, &details, MIXER_SETCONTROLDETAILSF_VALUE);
}

} // namespace Zest
