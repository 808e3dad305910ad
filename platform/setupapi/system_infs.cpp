// The emulated machine's kernel-streaming INFs: only the registration sections that device INFs
// name in their Needs lines.
#include "platform/setupapi/inf_registry.h"

#include "platform/win32/zv_root.h"

#include <filesystem>
#include <fstream>

namespace zv::setupapi {
namespace {

constexpr const char* kKsInf =
    "; ks.inf: kernel-streaming registrations of the machine\r\n"
    "[Version]\r\n"
    "signature=\"$CHICAGO$\"\r\n"
    "Class=Media\r\n"
    "\r\n"
    "[KS.Registration]\r\n"
    "AddReg=KS.Proxy.AddReg\r\n"
    "\r\n"
    "[Stream.Registration]\r\n"
    "AddReg=Stream.AddReg\r\n"
    "\r\n"
    "[KS.Proxy.AddReg]\r\n"
    "HKCR,CLSID\\{17CCA71B-ECD7-11D0-B908-00A0C9223196},,,%Proxy.Name%\r\n"
    "\r\n"
    "[Stream.AddReg]\r\n"
    "HKLM,SYSTEM\\CurrentControlSet\\Services\\stream,Type,0x00010001,1\r\n"
    "HKLM,SYSTEM\\CurrentControlSet\\Services\\stream,Start,0x00010001,3\r\n"
    "\r\n"
    "[Strings]\r\n"
    "Proxy.Name=\"WDM Streaming Proxy\"\r\n";

constexpr const char* kKsCapturInf =
    "; kscaptur.inf: capture categories of kernel streaming\r\n"
    "[Version]\r\n"
    "signature=\"$CHICAGO$\"\r\n"
    "Class=Media\r\n"
    "\r\n"
    "[KSCAPTUR.Registration]\r\n"
    "AddReg=KSCAPTUR.AddReg\r\n"
    "\r\n"
    "[KSCAPTUR.Registration.NT]\r\n"
    "AddReg=KSCAPTUR.AddReg\r\n"
    "\r\n"
    "[KSCAPTUR.AddReg]\r\n"
    "HKLM,SYSTEM\\CurrentControlSet\\Control\\MediaCategories\\{65E8773D-8F56-11D0-A3B9-00A0C9223196},Name,,%Capture%\r\n"
    "HKLM,SYSTEM\\CurrentControlSet\\Control\\MediaCategories\\{6994AD05-93EF-11D0-A3CC-00A0C9223196},Name,,%Video%\r\n"
    "\r\n"
    "[Strings]\r\n"
    "Capture=\"Capture\"\r\n"
    "Video=\"Video\"\r\n";

bool WriteIfMissing(const std::string& folder, const char* name, const char* text)
{
    const std::string path = folder + "/" + name;
    std::error_code error;
    if (std::filesystem::exists(path, error)) return true;
    const std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!(file << text) || !file.flush()) return false;
    }
    std::filesystem::rename(temporary, path, error);
    return !error;
}

}  // namespace

bool EnsureSystemInfFiles()
{
    const std::string folder = zv::win32::ZvFolder("windows/inf");
    return !folder.empty() && WriteIfMissing(folder, "ks.inf", kKsInf) &&
           WriteIfMissing(folder, "kscaptur.inf", kKsCapturInf);
}

}  // namespace zv::setupapi
