// The upload client: registration GET, multipart POST, and the texts of their failures.
#include "Shotbox/SnapshotUpload.h"

#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"
#include "platform/afx/afx_app.h"
#include "platform/inet/afxinet.h"
#include "platform/inet/wininet.h"
#include "platform/win32/files.h"
#include "platform/win32/paths.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <mutex>
#include <utility>

namespace {

// Strings of the program's string table.
constexpr UINT kUploadUrl = 104;
constexpr UINT kNotLoggedIn = 105;
constexpr UINT kCannotLoadImage = 107;
constexpr UINT kCannotResample = 108;
constexpr UINT kCannotSend = 110;
constexpr UINT kCannotSaveTemporary = 111;
constexpr UINT kRegistrationUrl = 112;
constexpr UINT kDeclined = 113;

constexpr std::size_t kTitleLimit = 50;
constexpr DWORD kReplyPiece = 80;
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

struct InternetCloser {
    void operator()(void* handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

// The temporary file exists only while one upload runs, whichever way it ends.
class TemporaryFileGuard {
public:
    explicit TemporaryFileGuard(const std::string& path) : m_path(path) {}
    ~TemporaryFileGuard() { DeleteFileA(m_path.c_str()); }
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;

private:
    const std::string& m_path;
};

std::string LoadText(UINT id)
{
    std::string text;
    AfxLoadString(id, text);
    return text;
}

SnapshotUploadResult Failure(UINT id, const std::string& detail = std::string())
{
    SnapshotUploadResult result;
    result.messageId = id;
    result.message = LoadText(id);
    if (!detail.empty())
        result.message += "\r\n" + detail;
    return result;
}

// A failing internet call: its error's text is the whole message (the code when no text is known).
SnapshotUploadResult InternetFailure(DWORD error)
{
    SnapshotUploadResult result;
    result.internetError = error;
    result.message = InternetErrorTextOf(error);
    if (result.message.empty())
        result.message = "Internet error " + std::to_string(error) + ".";
    return result;
}

// The server's answer to a request sent: 200 takes it; anything else is a refusal. The reply is
// not used, but read to its end so the exchange completes.
SnapshotUploadResult Answer(HINTERNET request)
{
    char text[80] = {};
    DWORD length = sizeof text - 1;
    const long status = HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE, text, &length, nullptr) ? std::atol(text) : 0;
    char piece[kReplyPiece];
    DWORD read = 0;
    while (InternetReadFile(request, piece, sizeof piece, &read) && read > 0) {
    }
    if (status != 200)
        return Failure(kDeclined);
    SnapshotUploadResult accepted;
    accepted.accepted = true;
    return accepted;
}

// The format's %s and %d, in order, replaced by the values ("%%" stays a '%'); surplus
// placeholders become empty. The format comes from the string table, so nothing is left to printf.
std::string FillPlaceholders(const std::string& format, std::initializer_list<std::string> values)
{
    std::string text;
    auto next = values.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char kind = format[i + 1];
            if (kind == '%') {
                text += '%';
                ++i;
                continue;
            }
            if (kind == 's' || kind == 'd') {
                if (next != values.end())
                    text += *next++;
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

} // namespace

int CBoundaryGenerator::NextValue()
{
    m_state = m_state * 214013u + 2531011u;
    return static_cast<int>((m_state >> 16) & 0x7FFF);
}

std::string CBoundaryGenerator::Next()
{
    const int first = NextValue();
    const int second = NextValue();
    const int third = NextValue();
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04X%04X%04X", first, second, third);
    return std::string(27, '-') + digits;
}

std::string MakeBoundary()
{
    static std::mutex lock;
    static CBoundaryGenerator generator;
    const std::lock_guard<std::mutex> hold(lock);
    return generator.Next();
}

std::string EncodeQueryValue(const std::string& value)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '_' || c == '.' || c == '~') {
            encoded += c;
        } else if (c == ' ') {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

std::string EncodeSnapshotTitle(const std::string& title)
{
    // Characters, not bytes: a UTF-8 sequence is never cut in two.
    std::size_t characters = 0, end = 0;
    while (end < title.size()) {
        if ((static_cast<unsigned char>(title[end]) & 0xC0) != 0x80 && characters++ == kTitleLimit)
            break;
        ++end;
    }
    return EncodeQueryValue(title.substr(0, end));
}

std::string InternetErrorTextOf(DWORD code)
{
    const char* known = zv::inet::InternetErrorText(code);
    std::string text = known ? known : "";
    if (code == ERROR_INTERNET_EXTENDED_ERROR) {
        char response[513] = {};
        DWORD error = 0;
        DWORD length = sizeof response - 1;
        if (InternetGetLastResponseInfoA(&error, response, &length) && length > 0)
            text.assign(response, std::min<DWORD>(length, 512));
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text;
}

CSnapshotUploader::CSnapshotUploader(std::string registrationFormat, std::string uploadUrl, std::string agent,
                                     std::string temporaryFile)
    : m_registrationFormat(std::move(registrationFormat)), m_uploadUrl(std::move(uploadUrl)),
      m_agent(std::move(agent)), m_temporaryFile(std::move(temporaryFile))
{
}

CSnapshotUploader CSnapshotUploader::FromProgram()
{
    char module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
    std::string folder(module, length);
    folder.erase(folder.find_last_of('/') + 1);
    const CWinApp* app = AfxGetApp();
    const std::string agent = app && app->m_pszAppName ? app->m_pszAppName : "Shotbox";
    return CSnapshotUploader(LoadText(kRegistrationUrl), LoadText(kUploadUrl), agent, folder + "~temp~submit.jpg");
}

SnapshotUploadResult CSnapshotUploader::Register(const char* userId, const std::string& title,
                                                 const SnapshotUploadOptions& options)
{
    if (!userId || !*userId)
        return Failure(kNotLoggedIn);
    const std::string url = FillPlaceholders(
        m_registrationFormat,
        {EncodeQueryValue(userId), options.adultGroup ? "2" : "1", EncodeSnapshotTitle(title),
         options.makeMaster ? "1" : "0", options.highResolution ? "1" : "0"});

    const InternetHandle session(InternetOpenA(m_agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return InternetFailure(GetLastError());
    const InternetHandle request(InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0, kRequestFlags, 0));
    if (!request)
        return InternetFailure(GetLastError());
    return Answer(request.get());
}

SnapshotUploadResult CSnapshotUploader::Upload(const std::string& imagePath, const SnapshotUploadOptions& options)
{
    // Also a file a broken earlier run left behind goes.
    const TemporaryFileGuard temporary(m_temporaryFile);
    CPixImage image;
    if (!image.Load(imagePath.c_str(), PIXIMAGE_UNKNOWN))
        return Failure(kCannotLoadImage);
    image.SetDpiX(72);
    image.SetDpiY(72);
    if (!options.highResolution && !image.Resample(320, 240, 1))
        return Failure(kCannotResample);
    const std::string boundary = MakeBoundary();
    const std::string contentType = "Content-Type: multipart/form-data; boundary=" + boundary;

    std::string picture;
    if (!image.Save(m_temporaryFile.c_str(), PIXIMAGE_JPG) || !ReadWholeFile(m_temporaryFile, picture))
        return Failure(kCannotSaveTemporary);
    const std::string body = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"File1\"; filename=\"" +
        m_temporaryFile + "\"\r\nContent-Type: image/pjpeg\r\n\r\n" + picture + "\r\n--" + boundary + "--\r\n";
    picture.clear();

    DWORD service = 0;
    std::string server, object;
    INTERNET_PORT port = 0;
    if (!AfxParseURL(m_uploadUrl.c_str(), service, server, object, port))
        return InternetFailure(ERROR_INTERNET_INVALID_URL);
    const InternetHandle session(InternetOpenA(m_agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return InternetFailure(GetLastError());
    const InternetHandle connection(
        InternetConnectA(session.get(), server.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return InternetFailure(GetLastError());
    const InternetHandle request(
        HttpOpenRequestA(connection.get(), "POST", object.c_str(), nullptr, nullptr, nullptr, kRequestFlags, 0));
    if (!request)
        return InternetFailure(GetLastError());
    if (!HttpAddRequestHeadersA(request.get(), contentType.c_str(), static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD))
        return InternetFailure(GetLastError());
    if (!HttpSendRequestA(request.get(), nullptr, 0, const_cast<char*>(body.data()), static_cast<DWORD>(body.size()))) {
        const DWORD error = GetLastError();
        SnapshotUploadResult failed = Failure(kCannotSend, InternetErrorTextOf(error));
        failed.internetError = error;
        return failed;
    }
    return Answer(request.get());
}
