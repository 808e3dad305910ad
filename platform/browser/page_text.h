// Text as it crosses between the program and the page: UTF-16 BSTRs, script literals, CSS lengths.
#pragma once

#include "platform/win32/bstr.h"

#include <string>
#include <string_view>

namespace zv::browser {

std::string Utf8Of(BSTR text);
// A new BSTR of the UTF-8 text; null only when memory runs out.
BSTR NewBstr(std::string_view text);

// The text as a JavaScript string literal, quotes included; safe inside any script (every
// character that could end the literal or a <script> element is escaped).
std::string ScriptLiteral(std::string_view text);

// Lengths written without a unit ("3 3 3 3", "12") taken as pixels, as the old engine took them:
// "3px 3px 3px 3px". Words with a unit, percentages and keywords stay as they are.
std::string CssLengths(std::string_view lengths);

} // namespace zv::browser
