#include "app/driverinstall/DeviceMatch.h"

#include "platform/win32/last_error.h"

#include <cctype>
#include <cstring>

namespace {

constexpr DWORD kFirstPropertySize = 8192;

bool SameLetter(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Whether `id` holds `segment` at `pos` (within both strings).
bool SegmentAt(const std::string& id, std::size_t pos, const std::string& segment)
{
    if (pos > id.size() || id.size() - pos < segment.size()) return false;
    for (std::size_t i = 0; i < segment.size(); ++i)
        if (!SameLetter(id[pos + i], segment[i])) return false;
    return true;
}

}  // namespace

IdPattern ParseIdPattern(const char* pattern)
{
    IdPattern parsed;
    std::string text = pattern ? pattern : "";
    if (!text.empty() && text[0] == '@') {
        parsed.instanceId = true;
        text.erase(0, 1);
    }
    if (!text.empty() && text[0] == '\'') {
        text.erase(0, 1);
    } else {
        parsed.firstStar = text.find('*');
    }
    parsed.text = text;
    parsed.filter = parsed.firstStar != std::string::npos || !parsed.instanceId;
    return parsed;
}

bool MatchIdPattern(const char* idText, const IdPattern& pattern)
{
    const std::string id = idText ? idText : "";
    const std::string& text = pattern.text;
    if (pattern.firstStar == std::string::npos) return id.size() == text.size() && SegmentAt(id, 0, text);
    if (!SegmentAt(id, 0, text.substr(0, pattern.firstStar))) return false;
    std::size_t pos = pattern.firstStar;  // in the id: the prefix's length
    std::size_t p = pattern.firstStar;    // in the pattern
    while (p < text.size()) {
        if (text[p] == '*') {
            ++p;
            continue;
        }
        const std::size_t end = std::min(text.find('*', p), text.size());
        const std::string segment = text.substr(p, end - p);
        if (end == text.size()) {
            // The last segment ends the id.
            return id.size() - pos >= segment.size() && SegmentAt(id, id.size() - segment.size(), segment);
        }
        std::size_t found = pos;
        while (found < id.size() && !SegmentAt(id, found, segment)) ++found;
        if (found >= id.size()) return false;
        pos = found + segment.size();
        p = end;
    }
    return true;
}

std::vector<std::string> ParseMultiSz(const char* buffer, std::size_t size)
{
    std::vector<std::string> strings;
    std::size_t start = 0;
    while (buffer && start < size && buffer[start] != '\0') {
        const void* nul = std::memchr(buffer + start, '\0', size - start);
        const std::size_t end = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer) : size;
        strings.emplace_back(buffer + start, end - start);
        start = end + 1;
    }
    return strings;
}

std::optional<std::vector<std::string>> GetDeviceMultiSzProperty(HDEVINFO deviceList, SP_DEVINFO_DATA* device,
                                                                 DWORD property)
{
    std::vector<char> buffer(kFirstPropertySize + 2);
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD type = 0;
        DWORD required = 0;
        if (SetupDiGetDeviceRegistryPropertyA(deviceList, device, property, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                              static_cast<DWORD>(buffer.size() - 2), &required)) {
            return ParseMultiSz(buffer.data(), std::min<std::size_t>(required, buffer.size() - 2));
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || type != REG_MULTI_SZ) return std::nullopt;
        buffer.assign(static_cast<std::size_t>(required) + 2, '\0');
    }
    return std::nullopt;  // it grew again between the two reads
}

bool MultiSzMatches(const std::optional<std::vector<std::string>>& ids, const IdPattern& pattern)
{
    if (!ids) return false;
    for (const std::string& id : *ids)
        if (MatchIdPattern(id.c_str(), pattern)) return true;
    return false;
}

int EnumerateDevicesByPattern(const char* patternText, DeviceCallback callback, void* user)
{
    const IdPattern pattern = ParseIdPattern(patternText);
    HDEVINFO list = INVALID_HANDLE_VALUE;
    if (pattern.filter) {
        list = SetupDiGetClassDevsExA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT, nullptr, nullptr,
                                      nullptr);
    } else {
        list = SetupDiCreateDeviceInfoListExA(nullptr, nullptr, nullptr, nullptr);
        if (list != INVALID_HANDLE_VALUE)
            SetupDiOpenDeviceInfoA(list, pattern.text.c_str(), nullptr, 0, nullptr);  // failing: an empty set
    }
    if (list == INVALID_HANDLE_VALUE) return 2;
    SP_DEVINFO_LIST_DETAIL_DATA_A detail{};
    detail.cbSize = sizeof detail;
    if (!SetupDiGetDeviceInfoListDetailA(list, &detail)) {
        DestroyDeviceList(list);
        return 2;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(list, index, &device); ++index) {
        bool takesPart = !pattern.filter;
        if (pattern.filter && pattern.instanceId) {
            char instanceId[MAX_DEVICE_ID_LEN + 1] = {};
            if (CM_Get_Device_ID_ExA(device.DevInst, instanceId, MAX_DEVICE_ID_LEN, 0, nullptr) != CR_SUCCESS)
                instanceId[0] = '\0';
            takesPart = MatchIdPattern(instanceId, pattern);
        } else if (pattern.filter) {
            takesPart = MultiSzMatches(GetDeviceMultiSzProperty(list, &device, SPDRP_HARDWAREID), pattern) ||
                        MultiSzMatches(GetDeviceMultiSzProperty(list, &device, SPDRP_COMPATIBLEIDS), pattern);
        }
        if (takesPart && callback(list, &device, index, user) == 0) break;
    }
    DestroyDeviceList(list);
    return 0;
}

void DestroyDeviceList(HDEVINFO deviceList)
{
    if (deviceList != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(deviceList);
}

int OnRemoveDevice(HDEVINFO deviceList, SP_DEVINFO_DATA* device, DWORD, void* user)
{
    auto* state = static_cast<RemovalState*>(user);
    state->removed = 0;
    if (!SetupDiCallClassInstaller(DIF_REMOVE, deviceList, device)) return 1;
    state->removed = 1;
    SP_DEVINSTALL_PARAMS_A params{};
    params.cbSize = sizeof params;
    if (SetupDiGetDeviceInstallParamsA(deviceList, device, &params) && (params.Flags & (DI_NEEDREBOOT | DI_NEEDRESTART)))
        state->restartNeeded = 1;
    return 1;
}
