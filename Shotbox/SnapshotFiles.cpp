#include "Shotbox/SnapshotFiles.h"

#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"
#include "platform/win32/files.h"
#include "platform/win32/paths.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string FolderOf(const std::string& path)
{
    const auto cut = path.find_last_of('/');
    if (cut == std::string::npos)
        return {};
    return cut == 0 ? std::string("/") : path.substr(0, cut);
}

std::string ProgramFolder()
{
    char path[4096] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    const std::string full(path, length);
    const auto cut = full.find_last_of('/');
    return cut == std::string::npos ? full : full.substr(0, cut);
}

std::string SnapshotFolderOf(const std::string& programFolder)
{
    return JoinPath(programFolder, kSnapshotFolderName);
}

namespace {

// Adds the folder's name to the ".hidden" list of its parent unless it is there already.
void ListAsHidden(const std::string& folder)
{
    const fs::path parent = fs::path(folder).parent_path();
    const std::string name = fs::path(folder).filename().string();
    const fs::path list = parent / ".hidden";
    {
        std::ifstream in(list);
        for (std::string line; std::getline(in, line);)
            if (line == name)
                return;
    }
    std::ofstream out(list, std::ios::app);
    out << name << '\n';
}

} // namespace

bool EnsureSnapshotFolder(const std::string& folder)
{
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!CreateDirectoryA(folder.c_str(), nullptr))
        return false;
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    ListAsHidden(folder);
    return true;
}

bool IsTemporaryImage(const std::string& path, const std::string& snapshotFolder)
{
    if (path.empty() || snapshotFolder.empty())
        return false;
    const auto normal = [](const std::string& p) {
        std::string text = fs::path(p).lexically_normal().string();
        while (text.size() > 1 && text.back() == '/')
            text.pop_back();
        return text;
    };
    return normal(fs::path(normal(path)).parent_path().string()) == normal(snapshotFolder);
}

std::string FileNameSafeUserId(const std::string& userId)
{
    std::string safe;
    for (const char c : userId)
        if (std::isalnum(static_cast<unsigned char>(c)))
            safe += c;
    return safe;
}

std::string SnapshotFileName(const std::string& prefix, const SYSTEMTIME& time)
{
    char name[64];
    std::snprintf(name, sizeof name, "%02d%02d%04d%02d%02d%02d%04d.jpg", time.wDay, time.wMonth, time.wYear, time.wHour,
                  time.wMinute, time.wSecond, time.wMilliseconds);
    return prefix + name;
}

std::string FreePath(const std::string& folder, const std::string& name, const std::set<std::string>& taken,
                     bool avoidExisting)
{
    const auto dot = name.find_last_of('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    std::string path = JoinPath(folder, name);
    for (int n = 2; taken.count(path) || (avoidExisting && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES); ++n)
        path = JoinPath(folder, stem + "-" + std::to_string(n) + extension);
    return path;
}

bool WriteSnapshotJpeg(const SnapshotFrame& frame, const std::string& path)
{
    CPixImage image;
    const auto stride = static_cast<DWORD>(FrameStride(frame.size.width));
    if (frame.bits.size() < FrameBytes(frame.size) ||
        !image.CreateFromArray(frame.bits.data(), static_cast<DWORD>(frame.size.width),
                               static_cast<DWORD>(frame.size.height), 24, stride, false))
        return false;
    image.SetDpiX(72);
    image.SetDpiY(72);
    return image.Save(path.c_str(), PIXIMAGE_JPG);
}
