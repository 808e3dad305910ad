// ChooseColorA and ChooseFontA: the request from the caller's structure, the checks the font
// dialog makes before it closes, and the choice written back.
#include "platform/user/common_dialogs.h"

#include "platform/gdi/font_match.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_text.h"
#include "platform/user/common_dialog_modal.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zv::user {
namespace {

constexpr std::size_t kCustomColours = 16;

int ScreenPixelsPerInch()
{
    HDC screen = GetDC(nullptr);
    const int perInch = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return perInch > 0 ? perInch : 96;
}

// Tenths of a point for a font height in pixels (negative: the character height; positive: the
// cell height, taken as it stands).
int PointSizeTenths(LONG height)
{
    const long long pixels = std::llabs(static_cast<long long>(height));
    const int perInch = ScreenPixelsPerInch();
    return static_cast<int>((pixels * 720 + perInch / 2) / perInch);
}

WORD FontTypeOf(const LOGFONTA& font)
{
    WORD type = SCREEN_FONTTYPE;
    if (font.lfWeight >= FW_BOLD)
        type |= BOLD_FONTTYPE;
    if (font.lfItalic)
        type |= ITALIC_FONTTYPE;
    if (!(type & (BOLD_FONTTYPE | ITALIC_FONTTYPE)))
        type |= REGULAR_FONTTYPE;
    return type;
}

std::string FaceOf(const LOGFONTA& font) { return std::string(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE)); }

// Why the font dialog would not close on this choice; empty when it would.
std::string CheckFont(const CHOOSEFONTA& cf, const CommonDialogRequest& answer)
{
    if ((cf.Flags & CF_FORCEFONTEXIST) && !gdi::FontFamilyInstalled(FaceOf(answer.font)))
        return "There is no font with that name.\nChoose a font from the list of fonts.";
    if (cf.Flags & CF_LIMITSIZE) {
        const int points = (PointSizeTenths(answer.font.lfHeight) + 5) / 10;
        if (points < cf.nSizeMin || points > cf.nSizeMax)
            return "Size must be between " + std::to_string(cf.nSizeMin) + " and " + std::to_string(cf.nSizeMax) +
                   " points.";
    }
    return {};
}

// The structure the caller gave is whole and has what the dialog writes into; otherwise false
// with the extended error set. Clears the error first.
template <typename Request>
bool Usable(const Request* request, const void* output)
{
    SetCommonDialogError(0);
    if (!request || request->lStructSize != sizeof(Request)) {
        SetCommonDialogError(request ? CDERR_STRUCTSIZE : CDERR_INITIALIZATION);
        return false;
    }
    if (!output) {
        SetCommonDialogError(CDERR_INITIALIZATION);
        return false;
    }
    return true;
}

} // namespace
} // namespace zv::user

BOOL ChooseColorA(LPCHOOSECOLORA cc)
{
    using namespace zv::user;
    if (!Usable(cc, cc ? cc->lpCustColors : nullptr))
        return FALSE;
    CommonDialogRequest request;
    request.kind = CommonDialogRequest::Kind::Colour;
    request.owner = cc->hwndOwner;
    request.title = "Color";
    request.flags = cc->Flags;
    request.colour = (cc->Flags & CC_RGBINIT) ? cc->rgbResult : RGB(0, 0, 0);
    request.customColours.assign(cc->lpCustColors, cc->lpCustColors + kCustomColours);
    if (!AskCommonDialogModal(request))
        return FALSE;
    cc->rgbResult = request.colour & 0x00FFFFFF;
    // Custom colours the user edited are the caller's to keep, even if the display gave fewer.
    const std::size_t edited = std::min(request.customColours.size(), kCustomColours);
    for (std::size_t i = 0; i < edited; ++i)
        cc->lpCustColors[i] = request.customColours[i] & 0x00FFFFFF;
    return TRUE;
}

BOOL ChooseFontA(LPCHOOSEFONTA cf)
{
    using namespace zv::user;
    if (!Usable(cf, cf ? cf->lpLogFont : nullptr))
        return FALSE;
    if ((cf->Flags & CF_LIMITSIZE) && cf->nSizeMax < cf->nSizeMin) {
        SetCommonDialogError(CFERR_MAXLESSTHANMIN);
        return FALSE;
    }
    const LOGFONTA initial = (cf->Flags & CF_INITTOLOGFONTSTRUCT) ? *cf->lpLogFont : LOGFONTA{};
    const bool effects = (cf->Flags & CF_EFFECTS) != 0;
    CommonDialogRequest request;
    request.kind = CommonDialogRequest::Kind::Font;
    request.owner = cf->hwndOwner;
    request.title = "Font";
    request.flags = cf->Flags;
    request.font = initial;
    request.colour = effects ? cf->rgbColors : RGB(0, 0, 0);
    if (!AskUntilAccepted(request, [cf](CommonDialogRequest& answer) { return CheckFont(*cf, answer); }))
        return FALSE;

    LOGFONTA chosen = request.font;
    chosen.lfFaceName[LF_FACESIZE - 1] = '\0';
    if (!effects) {
        // Without the effects group the user cannot change these: they stay as they came in.
        chosen.lfUnderline = initial.lfUnderline;
        chosen.lfStrikeOut = initial.lfStrikeOut;
    }
    if (cf->Flags & CF_NOSCRIPTSEL)
        chosen.lfCharSet = DEFAULT_CHARSET;
    *cf->lpLogFont = chosen;
    if (effects)
        cf->rgbColors = request.colour & 0x00FFFFFF;
    cf->iPointSize = PointSizeTenths(chosen.lfHeight);
    cf->nFontType = FontTypeOf(chosen);
    return TRUE;
}
