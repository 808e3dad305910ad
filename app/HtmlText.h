// Text from outside (a peer's name and chat line, the user's own line) made safe to place inside
// HTML markup: it shows as the characters it holds and can neither open a tag nor end an attribute.
#pragma once

#include <string>
#include <string_view>

// &, <, >, " and ' as character references; every other byte as it is.
std::string EscapeHtml(std::string_view text);
