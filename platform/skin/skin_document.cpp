#include "platform/skin/skin_document.h"

#include <cstring>
#include <strings.h>

namespace zv::skin {

const ElementSpec* SkinDocument::FindForm(const std::string& formName) const
{
    for (const ElementSpec& form : forms) {
        if (strcasecmp(form.name.c_str(), formName.c_str()) == 0)
            return &form;
    }
    return nullptr;
}

SkinCaptionStyle DefaultCaptionStyle()
{
    SkinCaptionStyle style{};
    std::strncpy(style.faceName, "Liberation Sans", sizeof style.faceName - 1);
    style.height = 13;
    style.weight = 400;
    style.colour = RGB(0xE6, 0xEA, 0xF0);
    style.shadowColour = CLR_INVALID;
    style.format = DT_CENTER | DT_VCENTER;
    return style;
}

} // namespace zv::skin
