#include "platform/dshow/media_types.h"

#include "platform/win32/com.h"

#include <cstdlib>
#include <cstring>

namespace zv::dshow {

bool FillRgb24MediaType(AM_MEDIA_TYPE& mt, const VideoFormat& format)
{
    auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (info == nullptr) return false;
    std::memset(info, 0, sizeof(VIDEOINFOHEADER));
    const DWORD imageSize = static_cast<DWORD>(DibStride(format.width)) * static_cast<DWORD>(std::abs(format.height));
    info->AvgTimePerFrame = format.avgTimePerFrame;
    if (format.avgTimePerFrame > 0)
        info->dwBitRate = static_cast<DWORD>(imageSize * 8ull * kUnitsPerSecond / format.avgTimePerFrame);
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = format.width;
    info->bmiHeader.biHeight = format.height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = imageSize;

    mt = AM_MEDIA_TYPE{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB24;
    mt.bFixedSizeSamples = TRUE;
    mt.bTemporalCompression = FALSE;
    mt.lSampleSize = imageSize;
    mt.formattype = FORMAT_VideoInfo;
    mt.pUnk = nullptr;
    mt.cbFormat = sizeof(VIDEOINFOHEADER);
    mt.pbFormat = reinterpret_cast<BYTE*>(info);
    return true;
}

AM_MEDIA_TYPE* CreateRgb24MediaType(const VideoFormat& format)
{
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (mt == nullptr) return nullptr;
    if (!FillRgb24MediaType(*mt, format)) {
        CoTaskMemFree(mt);
        return nullptr;
    }
    return mt;
}

std::optional<VideoFormat> VideoFormatOf(const AM_MEDIA_TYPE& mt)
{
    if (mt.majortype != MEDIATYPE_Video || mt.formattype != FORMAT_VideoInfo || mt.pbFormat == nullptr ||
        mt.cbFormat < sizeof(VIDEOINFOHEADER))
        return std::nullopt;
    VIDEOINFOHEADER info;
    std::memcpy(&info, mt.pbFormat, sizeof info);
    return VideoFormat{info.bmiHeader.biWidth, info.bmiHeader.biHeight, info.AvgTimePerFrame};
}

void FreeMediaTypeContents(AM_MEDIA_TYPE& mt)
{
    if (mt.cbFormat != 0 || mt.pbFormat != nullptr) {
        CoTaskMemFree(mt.pbFormat);
        mt.cbFormat = 0;
        mt.pbFormat = nullptr;
    }
    if (mt.pUnk != nullptr) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* mt)
{
    if (mt == nullptr) return;
    FreeMediaTypeContents(*mt);
    CoTaskMemFree(mt);
}

} // namespace zv::dshow
