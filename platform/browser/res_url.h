// res:// URLs: "res://<module path>/<resource name>" names an HTML resource (type 23) of a loaded
// module, the program itself included. The name is matched without regard to case, and a name of
// digits is the resource's number ("res://.../125" is resource 125).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zv::browser {

struct ResUrl {
    std::string module; // as written, percent-escapes decoded
    std::string name;
};

// Null for anything else (another scheme, no module, no name, a bad escape).
std::optional<ResUrl> ParseResUrl(std::string_view url);

// The HTML resource the URL names, or the reason it cannot be had.
struct ResPage {
    std::string html;
    std::string error; // empty when found
};
ResPage ReadResPage(const ResUrl& url);

} // namespace zv::browser
