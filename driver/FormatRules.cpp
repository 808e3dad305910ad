#include "driver/FormatRules.h"

#include "driver/StreamDescription.h"

namespace {

// KSDATAFORMAT, then the video info header up to bmiHeader.
constexpr ULONG kFormatBytesBeforeBitmapHeader = sizeof(KSDATAFORMAT) + offsetof(KS_VIDEOINFOHEADER, bmiHeader);
static_assert(kFormatBytesBeforeBitmapHeader == 112);
// The same in a KS_DATARANGE_VIDEO.
constexpr ULONG kRangeBytesBeforeBitmapHeader =
    offsetof(KS_DATARANGE_VIDEO, VideoInfoHeader) + offsetof(KS_VIDEOINFOHEADER, bmiHeader);
static_assert(kRangeBytesBeforeBitmapHeader == 256);

const KS_DATARANGE_VIDEO* const kStreamRanges[] = {&kCaptureRange};

// Pictures are only ever RGB24; any other depth or compression would be misread.
bool IsRgb24(const KS_BITMAPINFOHEADER& header)
{
    return header.biBitCount == 24 && header.biCompression == KS_BI_RGB;
}

ULONGLONG AbsoluteHeight(const KS_BITMAPINFOHEADER& header)
{
    LONGLONG height = header.biHeight;
    return static_cast<ULONGLONG>(height < 0 ? -height : height);
}

// Rows padded to four bytes, |biHeight| rows. False for a width that is not positive or a
// size beyond 32 bits.
bool ComputeImageSize(const KS_BITMAPINFOHEADER& header, ULONG* size)
{
    if (header.biWidth <= 0) {
        return false;
    }
    ULONGLONG stride = ((ULONGLONG{header.biBitCount} * static_cast<ULONGLONG>(header.biWidth) + 31) / 8) & ~3ULL;
    ULONGLONG height = AbsoluteHeight(header);
    if (height != 0 && stride > 0xFFFFFFFFULL / height) {
        return false;
    }
    *size = static_cast<ULONG>(stride * height);
    return true;
}

}  // namespace

bool GuidMatches(const GUID& a, const GUID& b)
{
    const bool aIsNull = a == GUID_NULL;
    const bool bIsNull = b == GUID_NULL;
    if (aIsNull != bIsNull) {
        return true;
    }
    return !aIsNull && a == b;
}

bool RangeMatches(const KSDATARANGE& caller, const KSDATARANGE& ours, bool sizesMustAgree)
{
    return GuidMatches(caller.MajorFormat, ours.MajorFormat) && GuidMatches(caller.SubFormat, ours.SubFormat) &&
           GuidMatches(caller.Specifier, ours.Specifier) && (!sizesMustAgree || caller.FormatSize == ours.FormatSize);
}

bool MultiplyChecked(ULONG a, ULONG b, ULONG* product)
{
    ULONG result = a * b;
    if (a != 0 && result / a != b) {
        return false;
    }
    *product = result;
    return true;
}

NTSTATUS IntersectFormat(HW_STREAM_REQUEST_BLOCK* srb)
{
    const STREAM_DATA_INTERSECT_INFO* info = srb->CommandData.IntersectInfo;
    if (info->StreamNumber != 0) {
        return STATUS_NOT_IMPLEMENTED;
    }
    for (const KS_DATARANGE_VIDEO* ours : kStreamRanges) {
        if (!RangeMatches(*info->DataRange, ours->DataRange, true)) {
            continue;
        }
        // Its size equals ours, so the caller's range is a whole KS_DATARANGE_VIDEO.
        const auto* caller = reinterpret_cast<const KS_DATARANGE_VIDEO*>(info->DataRange);
        if (!(caller->DataRange.Specifier == KSDATAFORMAT_SPECIFIER_VIDEOINFO)) {
            return STATUS_NO_MATCH;
        }
        if (caller->bFixedSizeSamples != ours->bFixedSizeSamples ||
            caller->bTemporalCompression != ours->bTemporalCompression ||
            caller->StreamDescriptionFlags != ours->StreamDescriptionFlags ||
            caller->MemoryAllocationFlags != ours->MemoryAllocationFlags) {
            continue;
        }
        const KS_BITMAPINFOHEADER& bitmap = caller->VideoInfoHeader.bmiHeader;
        const ULONG headerSize = bitmap.biSize;
        // A shorter header would put biSizeImage, width and height past the format.
        if (headerSize < sizeof(KS_BITMAPINFOHEADER) ||
            ULONGLONG{headerSize} + kRangeBytesBeforeBitmapHeader > caller->DataRange.FormatSize) {
            return STATUS_INVALID_PARAMETER;
        }
        if (!IsRgb24(bitmap)) {
            continue;
        }
        ULONG imageSize;
        if (!ComputeImageSize(bitmap, &imageSize)) {
            return STATUS_INVALID_PARAMETER;
        }
        // The two checks above leave exactly a 40-byte header: the result is one
        // KS_DATAFORMAT_VIDEOINFOHEADER.
        const ULONG resultSize = headerSize + kFormatBytesBeforeBitmapHeader;
        static_assert(sizeof(KS_DATARANGE_VIDEO) - kRangeBytesBeforeBitmapHeader == sizeof(KS_BITMAPINFOHEADER));
        static_assert(sizeof(KS_DATAFORMAT_VIDEOINFOHEADER) == sizeof(KS_BITMAPINFOHEADER) + 112);
        if (info->SizeOfDataFormatBuffer == sizeof(ULONG)) {
            RtlCopyMemory(info->DataFormatBuffer, &resultSize, sizeof resultSize);
            srb->ActualBytesTransferred = sizeof(ULONG);
            return STATUS_SUCCESS;
        }
        if (info->SizeOfDataFormatBuffer < resultSize) {
            return STATUS_BUFFER_TOO_SMALL;
        }
        KS_DATAFORMAT_VIDEOINFOHEADER format;
        RtlCopyMemory(&format.DataFormat, &caller->DataRange, sizeof(KSDATAFORMAT));
        format.DataFormat.FormatSize = resultSize;
        RtlCopyMemory(&format.VideoInfoHeader, &caller->VideoInfoHeader, sizeof(KS_VIDEOINFOHEADER));
        format.DataFormat.SampleSize = imageSize;
        format.VideoInfoHeader.bmiHeader.biSizeImage = imageSize;
        // The client's buffer need not be aligned.
        RtlCopyMemory(info->DataFormatBuffer, &format, resultSize);
        srb->ActualBytesTransferred = resultSize;
        return STATUS_SUCCESS;
    }
    return STATUS_NO_MATCH;
}

bool VerifyFormat(const KS_DATAFORMAT_VIDEOINFOHEADER* format, ULONG streamNumber)
{
    if (streamNumber != 0) {
        return false;
    }
    for (const KS_DATARANGE_VIDEO* ours : kStreamRanges) {
        if (!RangeMatches(format->DataFormat, ours->DataRange, false)) {
            continue;
        }
        if (!(format->DataFormat.Specifier == KSDATAFORMAT_SPECIFIER_VIDEOINFO) ||
            format->DataFormat.FormatSize < sizeof(KS_DATAFORMAT_VIDEOINFOHEADER)) {
            return false;
        }
        const KS_BITMAPINFOHEADER& bitmap = format->VideoInfoHeader.bmiHeader;
        if (bitmap.biSize < sizeof(KS_BITMAPINFOHEADER) ||
            ULONGLONG{bitmap.biSize} + kFormatBytesBeforeBitmapHeader > format->DataFormat.FormatSize) {
            return false;
        }
        if (!IsRgb24(bitmap) || bitmap.biWidth <= 0) {
            return false;
        }
        ULONGLONG height = AbsoluteHeight(bitmap);  // at most 2^31
        ULONG pixels;
        ULONG bytes;
        if (!MultiplyChecked(static_cast<ULONG>(bitmap.biWidth), static_cast<ULONG>(height), &pixels) ||
            !MultiplyChecked(pixels, bitmap.biBitCount / 8u, &bytes)) {
            return false;
        }
        return bytes <= bitmap.biSizeImage;
    }
    return false;
}
