// Test support: answers the headless display's common dialogs from a script, oldest answer
// first, and keeps every request as it was asked. Dialogs beyond the script are cancelled.
#pragma once

#include "platform/user/headless_display.h"

#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zv::user::testing {

class CommonDialogScript {
public:
    using Answer = std::function<bool(CommonDialogRequest&)>;

    CommonDialogScript()
    {
        headless::SetCommonDialogResponder([this](CommonDialogRequest& request) { return Next(request); });
    }
    ~CommonDialogScript() { headless::SetCommonDialogResponder(nullptr); }
    CommonDialogScript(const CommonDialogScript&) = delete;
    CommonDialogScript& operator=(const CommonDialogScript&) = delete;

    CommonDialogScript& Then(Answer answer)
    {
        std::lock_guard lock(m_mutex);
        m_answers.push_back(std::move(answer));
        return *this;
    }

    // OK with these files (or this folder).
    static Answer Choose(std::vector<std::string> paths)
    {
        return [paths = std::move(paths)](CommonDialogRequest& request) {
            request.paths = paths;
            return true;
        };
    }
    static Answer Cancel()
    {
        return [](CommonDialogRequest&) { return false; };
    }

    std::vector<CommonDialogRequest> Seen() const
    {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

private:
    bool Next(CommonDialogRequest& request)
    {
        Answer answer;
        {
            std::lock_guard lock(m_mutex);
            m_seen.push_back(request);
            if (m_answers.empty())
                return false;
            answer = std::move(m_answers.front());
            m_answers.pop_front();
        }
        return answer(request);
    }

    mutable std::mutex m_mutex;
    std::deque<Answer> m_answers;
    std::vector<CommonDialogRequest> m_seen;
};

// A font as a font dialog gives it (flags: 1 italic, 2 underline, 4 strike-out).
enum FontStyle : unsigned { kPlain = 0, kItalic = 1, kUnderline = 2, kStrikeOut = 4 };
inline LOGFONTA MakeLogFont(const char* face, LONG height, LONG weight, unsigned style = kPlain,
                            BYTE charSet = ANSI_CHARSET)
{
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfItalic = (style & kItalic) ? 1 : 0;
    font.lfUnderline = (style & kUnderline) ? 1 : 0;
    font.lfStrikeOut = (style & kStrikeOut) ? 1 : 0;
    font.lfCharSet = charSet;
    std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return font;
}

} // namespace zv::user::testing
