// The INF calls: the class of an INF, INF handles and the registry part of installing a section.
#include "platform/setupapi/inf_file.h"
#include "platform/setupapi/inf_registry.h"
#include "platform/setupapi/setupapi.h"
#include "platform/win32/last_error.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <set>

namespace {

using zv::setupapi::InfFile;

std::mutex g_infsLock;
std::set<InfFile*> g_infs;

InfFile* InfOf(HINF handle)
{
    std::lock_guard lock(g_infsLock);
    auto* inf = static_cast<InfFile*>(handle);
    if (!g_infs.count(inf)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return inf;
}

std::optional<InfFile> LoadWithVersion(LPCSTR fileName)
{
    zv::setupapi::EnsureSystemInfFiles();  // the machine's own INFs are there to be opened
    auto inf = fileName ? InfFile::Load(fileName) : std::nullopt;
    if (!inf) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return std::nullopt;
    }
    if (!inf->HasSection("Version")) {
        SetLastError(ERROR_INVALID_DATA);  // not a Windows 4 style INF
        return std::nullopt;
    }
    return inf;
}

}  // namespace

BOOL SetupDiGetINFClassA(LPCSTR infName, GUID* classGuid, LPSTR className, DWORD classNameSize, DWORD* requiredSize)
{
    const auto inf = LoadWithVersion(infName);
    if (!inf) return FALSE;
    const std::string name = inf->Value("Version", "Class");
    const auto guid = zv::win32::ParseGuidText(inf->Value("Version", "ClassGUID"));
    if (!guid || name.empty() || !classGuid) {
        SetLastError(classGuid ? ERROR_INVALID_CLASS : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD needed = static_cast<DWORD>(name.size() + 1);
    if (requiredSize) *requiredSize = needed;
    if (!className || classNameSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    *classGuid = *guid;
    std::memcpy(className, name.c_str(), needed);
    return TRUE;
}

HINF SetupOpenInfFileA(LPCSTR fileName, LPCSTR infClass, DWORD infStyle, UINT* errorLine)
{
    if (errorLine) *errorLine = 0;
    if (!(infStyle & INF_STYLE_WIN4)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return INVALID_HANDLE_VALUE;
    }
    auto inf = LoadWithVersion(fileName);
    if (!inf) return INVALID_HANDLE_VALUE;
    if (infClass && !zv::setupapi::SameText(inf->Value("Version", "Class"), infClass)) {
        SetLastError(ERROR_INVALID_CLASS);
        return INVALID_HANDLE_VALUE;
    }
    auto owned = std::make_unique<InfFile>(std::move(*inf));
    std::lock_guard lock(g_infsLock);
    g_infs.insert(owned.get());
    return owned.release();
}

void SetupCloseInfFile(HINF infHandle)
{
    std::lock_guard lock(g_infsLock);
    auto* inf = static_cast<InfFile*>(infHandle);
    if (g_infs.erase(inf)) delete inf;
}

BOOL SetupInstallFromInfSectionA(HWND, HINF infHandle, LPCSTR sectionName, UINT flags, HKEY relativeKeyRoot, LPCSTR,
                                 UINT, PSP_FILE_CALLBACK_A, void*, HDEVINFO, PSP_DEVINFO_DATA)
{
    const InfFile* inf = InfOf(infHandle);
    if (!inf) return FALSE;
    if (!sectionName || (flags & ~SPINST_REGISTRY) != 0) {
        SetLastError(sectionName ? ERROR_NOT_SUPPORTED : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!inf->HasSection(sectionName)) {
        SetLastError(ERROR_SECTION_NOT_FOUND);
        return FALSE;
    }
    if (!(flags & SPINST_REGISTRY)) return TRUE;
    return zv::setupapi::ApplyNeededSections(*inf, sectionName, relativeKeyRoot) &&
           zv::setupapi::ApplyRegistryDirectives(*inf, sectionName, relativeKeyRoot);
}
