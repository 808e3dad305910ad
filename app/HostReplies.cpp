#include "app/HostReplies.h"

#include "online/XmlReader.h"

#include <cctype>
#include <functional>
#include <limits>

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool IsTrue(std::string_view value)
{
    return EqualsIgnoringCase(value, "true") || value == "1";
}

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Calls `take` with the name and value of each param of the reply element; false when the reply
// cannot be read or lacks that element.
bool ForEachParam(const std::string& text, const char* replyElement,
                  const std::function<void(const std::string&, const std::string&)>& take)
{
    CXmlReader reader;
    if (!reader.LoadText(text.c_str()) || !reader.FindElement(replyElement) || !reader.EnterElement())
        return false;
    while (reader.FindElement("param")) {
        if (!reader.EnterElement())
            break;
        take(reader.GetAttribute("name"), reader.GetAttribute("value"));
        reader.LeaveElement();
    }
    return true;
}

void SetMenuBit(HostStatusReply& reply, std::uint32_t bit, const std::string& value)
{
    // The param says whether the user has the page: having it shows the item.
    if (IsTrue(value)) {
        reply.menuBitsToClear |= bit;
        reply.menuBitsToSet &= ~bit;
    } else {
        reply.menuBitsToSet |= bit;
        reply.menuBitsToClear &= ~bit;
    }
}

} // namespace

std::int32_t LeadingDecimal(std::string_view text)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > kMax)
            return static_cast<std::int32_t>(kMax);
    }
    return static_cast<std::int32_t>(value);
}

LoginReply ReadLoginReply(const std::string& text)
{
    std::string loginOk, type, id;
    // A later param of the same name replaces an earlier one.
    const bool found = ForEachParam(text, "userLogin", [&](const std::string& name, const std::string& value) {
        if (EqualsIgnoringCase(name, "LoginOK"))
            loginOk = value;
        else if (EqualsIgnoringCase(name, "type"))
            type = value;
        else if (EqualsIgnoringCase(name, "id"))
            id = value;
    });
    LoginReply reply;
    if (!found)
        return reply;
    reply.loggedIn = IsTrue(Trimmed(loginOk));
    type = Trimmed(type);
    reply.userType = EqualsIgnoringCase(type, "host") ? 1 : EqualsIgnoringCase(type, "studio") ? 2 : 0;
    reply.userId = Trimmed(id);
    return reply;
}

std::optional<HostStatusReply> ReadStatusReply(const std::string& text)
{
    HostStatusReply reply;
    const bool found = ForEachParam(text, "userStatus", [&](const std::string& name, const std::string& value) {
        if (EqualsIgnoringCase(name, "messages"))
            reply.unreadMessages = LeadingDecimal(value);
        else if (EqualsIgnoringCase(name, "hasMenuSalary"))
            SetMenuBit(reply, kHideSalaryMenu, value);
        else if (EqualsIgnoringCase(name, "hasMenuPayment"))
            SetMenuBit(reply, kHidePaymentMenu, value);
        else if (EqualsIgnoringCase(name, "hasMenuEarning"))
            SetMenuBit(reply, kHideEarningsMenu, value);
        else if (EqualsIgnoringCase(name, "profilePhoto"))
            reply.profilePhoto = IsTrue(value) ? 1 : EqualsIgnoringCase(value, "false") ? 0 : LeadingDecimal(value);
        else if (EqualsIgnoringCase(name, "okStartSession"))
            reply.okStartSession = IsTrue(value) ? 1 : 0;
        else if (EqualsIgnoringCase(name, "ActiveForSession"))
            reply.activeForSession = IsTrue(value) ? 1 : 0;
        else if (EqualsIgnoringCase(name, "hostGroup"))
            reply.hostGroup = !value.empty() && value[0] == '2' ? 1 : 0;
    });
    if (!found)
        return std::nullopt;
    return reply;
}
