// Each get first copies the caller's property into the output, so that fields it does not fill
// come back as the caller sent them, then fills its own. Ids a handler does not serve change
// nothing and report success with no bytes.
#include "driver/DeviceProperties.h"

#include "platform/ks/ks_properties.h"

namespace {

constexpr ULONG kDecoderStandards = KS_AnalogVideo_NTSC_M | KS_AnalogVideo_PAL_B | KS_AnalogVideo_PAL_D |
                                    KS_AnalogVideo_PAL_M | KS_AnalogVideo_PAL_N;
constexpr ULONG kDecoderCapabilities = KS_VIDEODECODER_FLAGS_CAN_DISABLE_OUTPUT |
                                       KS_VIDEODECODER_FLAGS_CAN_USE_VCR_LOCKING |
                                       KS_VIDEODECODER_FLAGS_CAN_INDICATE_LOCKED;
constexpr LONG kCompressionCapabilities =
    KS_CompressionCaps_CanQuality | KS_CompressionCaps_CanKeyFrame | KS_CompressionCaps_CanBFrame;
constexpr LONG kDefaultKeyFrameRate = 15;
constexpr LONG kDefaultPFramesPerKeyFrame = 3;
constexpr LONG kDefaultQuality = 5000;
constexpr LONGLONG kReportedFrameRate = 15;

STREAM_PROPERTY_DESCRIPTOR* Descriptor(HW_STREAM_REQUEST_BLOCK* srb) { return srb->CommandData.PropertyInfo; }

// The caller's property, as far as the output holds it.
void CopyPropertyToOutput(const STREAM_PROPERTY_DESCRIPTOR* descriptor)
{
    ULONG bytes = descriptor->PropertyInputSize < descriptor->PropertyOutputSize ? descriptor->PropertyInputSize
                                                                                 : descriptor->PropertyOutputSize;
    RtlCopyMemory(descriptor->PropertyInfo, descriptor->Property, bytes);
}

// Copies the caller's property, lets `fill` complete the payload and reports its size. The
// buffers need not be aligned, so the payload is filled in a local copy.
template <typename Payload, typename Fill>
void AnswerGet(HW_STREAM_REQUEST_BLOCK* srb, Fill fill)
{
    STREAM_PROPERTY_DESCRIPTOR* descriptor = Descriptor(srb);
    if (descriptor->PropertyOutputSize < sizeof(Payload)) {
        srb->Status = STATUS_BUFFER_TOO_SMALL;
        return;
    }
    CopyPropertyToOutput(descriptor);
    Payload payload;
    RtlCopyMemory(&payload, descriptor->PropertyInfo, sizeof payload);
    fill(payload);
    RtlCopyMemory(descriptor->PropertyInfo, &payload, sizeof payload);
    srb->ActualBytesTransferred = sizeof payload;
}

// The payload of a set, from the request's data buffer.
template <typename Payload>
bool ReadSetPayload(HW_STREAM_REQUEST_BLOCK* srb, Payload* payload)
{
    STREAM_PROPERTY_DESCRIPTOR* descriptor = Descriptor(srb);
    if (descriptor->PropertyOutputSize < sizeof(Payload)) {
        srb->Status = STATUS_BUFFER_TOO_SMALL;
        return false;
    }
    RtlCopyMemory(payload, descriptor->PropertyInfo, sizeof *payload);
    return true;
}

// Video-control and compression requests name a stream right after the KSPROPERTY; only
// stream 0 exists. A property too short to name one names none.
bool NamesOtherStream(const STREAM_PROPERTY_DESCRIPTOR* descriptor)
{
    if (descriptor->PropertyInputSize < sizeof(KSPROPERTY) + sizeof(ULONG)) {
        return false;
    }
    ULONG streamIndex;
    RtlCopyMemory(&streamIndex, reinterpret_cast<const UCHAR*>(descriptor->Property) + sizeof(KSPROPERTY),
                  sizeof streamIndex);
    return streamIndex != 0;
}

void GetDecoderProperty(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb)
{
    switch (Descriptor(srb)->Property->Id) {
    case KSPROPERTY_VIDEODECODER_CAPS:
        AnswerGet<KSPROPERTY_VIDEODECODER_CAPS_S>(srb, [](KSPROPERTY_VIDEODECODER_CAPS_S& caps) {
            caps.StandardsSupported = kDecoderStandards;
            caps.Capabilities = kDecoderCapabilities;
            caps.SettlingTime = 10;
            caps.HSyncPerVSync = 6;
        });
        break;
    case KSPROPERTY_VIDEODECODER_STANDARD:
        AnswerGet<KSPROPERTY_VIDEODECODER_S>(srb, [&](auto& value) { value.Value = device->decoderStandard; });
        break;
    case KSPROPERTY_VIDEODECODER_STATUS:
        AnswerGet<KSPROPERTY_VIDEODECODER_STATUS_S>(srb, [&](KSPROPERTY_VIDEODECODER_STATUS_S& status) {
            status.NumberOfLines = (device->decoderStandard & KS_AnalogVideo_NTSC_Mask) != 0 ? 525 : 625;
        });
        break;
    case KSPROPERTY_VIDEODECODER_VCR_TIMING:
        AnswerGet<KSPROPERTY_VIDEODECODER_S>(srb, [&](auto& value) { value.Value = device->vcrTiming; });
        break;
    case KSPROPERTY_VIDEODECODER_OUTPUT_ENABLE:
        AnswerGet<KSPROPERTY_VIDEODECODER_S>(srb, [&](auto& value) { value.Value = device->outputEnable; });
        break;
    default:
        break;
    }
}

void SetDecoderProperty(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb)
{
    ULONG* target = nullptr;
    switch (Descriptor(srb)->Property->Id) {
    case KSPROPERTY_VIDEODECODER_STANDARD:
        target = &device->decoderStandard;
        break;
    case KSPROPERTY_VIDEODECODER_VCR_TIMING:
        target = &device->vcrTiming;
        break;
    case KSPROPERTY_VIDEODECODER_OUTPUT_ENABLE:
        target = &device->outputEnable;
        break;
    default:
        return;
    }
    KSPROPERTY_VIDEODECODER_S payload;
    if (ReadSetPayload(srb, &payload)) {
        *target = payload.Value;
    }
}

void GetVideoControlProperty(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb)
{
    STREAM_PROPERTY_DESCRIPTOR* descriptor = Descriptor(srb);
    switch (descriptor->Property->Id) {
    case KSPROPERTY_VIDEOCONTROL_CAPS:
        AnswerGet<KSPROPERTY_VIDEOCONTROL_CAPS_S>(srb, [](auto& caps) { caps.VideoControlCaps = 0; });
        break;
    case KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE:
        AnswerGet<KSPROPERTY_VIDEOCONTROL_ACTUAL_FRAME_RATE_S>(srb, [](auto& rate) {
            rate.CurrentActualFrameRate = kReportedFrameRate;
            rate.CurrentMaxAvailableFrameRate = kReportedFrameRate;
        });
        break;
    case KSPROPERTY_VIDEOCONTROL_FRAME_RATES:
        // No list of rates is offered.
        CopyPropertyToOutput(descriptor);
        break;
    case KSPROPERTY_VIDEOCONTROL_MODE:
        AnswerGet<KSPROPERTY_VIDEOCONTROL_MODE_S>(srb, [&](auto& mode) { mode.Mode = device->videoControlMode; });
        break;
    default:
        break;
    }
}

void SetVideoControlProperty(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb)
{
    if (Descriptor(srb)->Property->Id != KSPROPERTY_VIDEOCONTROL_MODE) {
        return;
    }
    KSPROPERTY_VIDEOCONTROL_MODE_S payload;
    if (ReadSetPayload(srb, &payload)) {
        device->videoControlMode = payload.Mode;
    }
}

LONG* CompressionValue(DeviceContext* device, ULONG id)
{
    switch (id) {
    case KSPROPERTY_VIDEOCOMPRESSION_KEYFRAME_RATE:
        return &device->keyFrameRate;
    case KSPROPERTY_VIDEOCOMPRESSION_PFRAMES_PER_KEYFRAME:
        return &device->pFramesPerKeyFrame;
    case KSPROPERTY_VIDEOCOMPRESSION_QUALITY:
        return &device->quality;
    default:
        return nullptr;
    }
}

void GetCompressionProperty(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb)
{
    const ULONG id = Descriptor(srb)->Property->Id;
    if (id == KSPROPERTY_VIDEOCOMPRESSION_GETINFO) {
        AnswerGet<KSPROPERTY_VIDEOCOMPRESSION_GETINFO_S>(srb, [](auto& info) {
            info.DefaultKeyFrameRate = kDefaultKeyFrameRate;
            info.DefaultPFrameRate = kDefaultPFramesPerKeyFrame;
            info.DefaultQuality = kDefaultQuality;
            info.Capabilities = kCompressionCapabilities;
        });
        return;
    }
    if (LONG* value = CompressionValue(device, id)) {
        AnswerGet<KSPROPERTY_VIDEOCOMPRESSION_S>(srb, [&](auto& payload) { payload.Value = *value; });
    }
}

void SetCompressionProperty(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb)
{
    LONG* value = CompressionValue(device, Descriptor(srb)->Property->Id);
    KSPROPERTY_VIDEOCOMPRESSION_S payload;
    if (value != nullptr && ReadSetPayload(srb, &payload)) {
        *value = payload.Value;
    }
}

}  // namespace

void GetDeviceProperty(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb)
{
    const STREAM_PROPERTY_DESCRIPTOR* descriptor = Descriptor(srb);
    const GUID& set = descriptor->Property->Set;
    if (set == PROPSETID_VIDCAP_VIDEODECODER) {
        GetDecoderProperty(device, srb);
    } else if (set == PROPSETID_VIDCAP_VIDEOCONTROL) {
        if (NamesOtherStream(descriptor)) {
            srb->Status = STATUS_INVALID_PARAMETER;
            return;
        }
        GetVideoControlProperty(device, srb);
    } else if (set == PROPSETID_VIDCAP_VIDEOCOMPRESSION) {
        if (NamesOtherStream(descriptor)) {
            srb->Status = STATUS_INVALID_PARAMETER;
            return;
        }
        GetCompressionProperty(device, srb);
    } else {
        srb->Status = STATUS_NOT_IMPLEMENTED;
    }
}

void SetDeviceProperty(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb)
{
    const STREAM_PROPERTY_DESCRIPTOR* descriptor = Descriptor(srb);
    const GUID& set = descriptor->Property->Set;
    if (set == PROPSETID_VIDCAP_VIDEODECODER) {
        SetDecoderProperty(device, srb);
    } else if (set == PROPSETID_VIDCAP_VIDEOCONTROL) {
        if (NamesOtherStream(descriptor)) {
            srb->Status = STATUS_INVALID_PARAMETER;
            return;
        }
        SetVideoControlProperty(device, srb);
    } else if (set == PROPSETID_VIDCAP_VIDEOCOMPRESSION) {
        if (NamesOtherStream(descriptor)) {
            srb->Status = STATUS_INVALID_PARAMETER;
            return;
        }
        SetCompressionProperty(device, srb);
    } else {
        srb->Status = STATUS_NOT_IMPLEMENTED;
    }
}
