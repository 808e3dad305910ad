#include "app/ServerUrl.h"

#include "platform/afx/afx_app.h"
#include "platform/inet/url_parts.h"

#include <algorithm>

namespace {

constexpr const char* kServersSection = "Servers";

} // namespace

std::string ApplyServerSetting(const std::string& url)
{
    const std::size_t scheme = url.find("://");
    CWinApp* app = AfxGetApp();
    if (scheme == std::string::npos || !app)
        return url;
    const std::size_t begin = scheme + 3;
    const std::size_t end = std::min(url.find_first_of("/?#", begin), url.size());
    // Only the part after the user information names the server.
    const std::size_t at = url.rfind('@', end - 1);
    const std::size_t hostBegin = at != std::string::npos && at >= begin ? at + 1 : begin;
    const std::size_t colon = url.find(':', hostBegin);
    const std::size_t hostEnd = colon < end ? colon : end;
    const std::string host = url.substr(hostBegin, hostEnd - hostBegin);
    if (host.empty())
        return url;
    const std::string server = app->GetProfileString(kServersSection, host.c_str(), "");
    if (server.empty())
        return url;
    return url.substr(0, hostBegin) + server + url.substr(end);
}

bool LoadServerUrl(UINT id, std::string& url)
{
    std::string text;
    if (!AfxLoadString(id, text))
        return false;
    url = ApplyServerSetting(text);
    return true;
}

std::string FormatUrl(const std::string& format, std::initializer_list<std::string> values)
{
    std::string url;
    const std::string* value = values.begin();
    std::size_t from = 0;
    for (std::size_t at = format.find("%s"); at != std::string::npos; at = format.find("%s", from)) {
        url.append(format, from, at - from);
        if (value != values.end())
            url += zv::inet::PercentEncode(*value++);
        from = at + 2;
    }
    url.append(format, from, std::string::npos);
    return url;
}

std::string WithUserId(const std::string& url, const std::string& userId)
{
    return url + (url.find('?') == std::string::npos ? "?" : "&") + "ID_USER=" + zv::inet::PercentEncode(userId);
}
