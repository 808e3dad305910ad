#include "online/XmlReader.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDelimiter(char c)
{
    return IsBlank(c) || std::strchr("<>=\\/?!", c) != nullptr;
}

} // namespace

CXmlReader::CXmlReader()
{
    LoadText("");
}

int CXmlReader::CharLength(int pos) const
{
    auto lead = static_cast<unsigned char>(m_strDoc[pos]);
    int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return length < Length() - pos ? length : Length() - pos;
}

int CXmlReader::FindChar(char c, int from) const
{
    for (int pos = from; pos < Length(); pos += CharLength(pos)) {
        if (m_strDoc[pos] == c)
            return pos;
    }
    return -1;
}

int CXmlReader::FindText(const char* text, int from) const
{
    if (from > Length())
        return -1;
    std::size_t found = m_strDoc.find(text, static_cast<std::size_t>(from));
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

bool CXmlReader::FindToken(TokenPos& token) const
{
    int pos = token.nNext;
    while (pos < Length() && IsBlank(m_strDoc[pos]))
        ++pos;
    if (pos >= Length())
        return false;
    char c = m_strDoc[pos];
    token.bIsString = c == '"' || c == '\'';
    if (token.bIsString) {
        token.nL = pos + 1;
        int close = FindChar(c, token.nL);
        token.nR = (close < 0 ? Length() : close) - 1;
        token.nNext = close < 0 ? Length() : close + 1;
        return true;
    }
    token.nL = pos;
    while (pos < Length() && !IsDelimiter(m_strDoc[pos]))
        pos += CharLength(pos);
    if (pos == token.nL) // the delimiter itself is the token
        pos = token.nL + 1;
    token.nR = pos - 1;
    token.nNext = pos;
    return true;
}

bool CXmlReader::Match(const TokenPos& token, const char* name) const
{
    std::size_t length = static_cast<std::size_t>(token.nR - token.nL + 1);
    if (std::strncmp(m_strDoc.data() + token.nL, name, length) != 0 || std::strlen(name) < length)
        return false;
    char after = name[length];
    return after == '\0' || after == ' ' || after == '=' || after == '/' || after == '[';
}

std::string CXmlReader::TokenText(const TokenPos& token) const
{
    return m_strDoc.substr(static_cast<std::size_t>(token.nL), static_cast<std::size_t>(token.nR - token.nL + 1));
}

bool CXmlReader::LoadText(const char* text)
{
    m_iPosFree = 1;
    m_iPosParent = m_iPos = m_iPosChild = m_nNodeType = 0;
    m_strDoc = text ? text : "";
    if (m_strDoc.size() > static_cast<std::size_t>(INT_MAX / 2)) { // offsets are 32-bit
        m_strDoc.clear();
        m_strError = "Document too large";
    }
    std::size_t wanted = m_strDoc.size() / 64 + 8;
    if (m_aPos.size() < wanted)
        m_aPos.resize(wanted);
    m_aPos[0] = ElemPos{};
    if (m_strDoc.empty())
        return false;
    int iPos = ParseElement(0, 1);
    if (iPos > 0) {
        m_aPos[0].iElemChild = iPos;
        return true;
    }
    m_aPos[0] = ElemPos{};
    m_iPosFree = 1;
    return false;
}

int CXmlReader::Fail(const char* message, const std::string& tag)
{
    char text[512];
    std::snprintf(text, sizeof text, message, tag.c_str());
    m_strError = text;
    --m_iPosFree;
    return -1;
}

int CXmlReader::ParseElement(int iPosParent, int depth)
{
    if (static_cast<std::size_t>(m_iPosFree) == m_aPos.size())
        m_aPos.resize(m_aPos.size() + m_aPos.size() / 2);
    const int iPos = m_iPosFree++;
    m_aPos[iPos] = ElemPos{};
    m_aPos[iPos].iElemParent = iPosParent;

    TokenPos token;
    token.nNext = m_aPos[iPosParent].nEndL;
    TokenPos name;
    int tagEnd = -1;
    for (;;) {
        int open = FindChar('<', token.nNext);
        if (open < 0 && iPosParent != 0) { // no more children: the parent reports its missing end tag
            --m_iPosFree;
            return 0;
        }
        if (open < 0)
            return Fail("Element tag not found");
        m_aPos[iPos].nStartL = open;
        m_aPos[iPosParent].nEndL = open;
        token.nNext = open + 1;
        if (!FindToken(token))
            return Fail("Abrupt end within tag");
        if (token.bIsString)
            return Fail("Tag starts with quote");
        char first = m_strDoc[token.nL];
        if (first == '!' || first == '?') {
            token.nNext = open;
            if (ParseNode(token.nNext) == 0)
                return Fail("Invalid node");
            continue;
        }
        if (first == '/') { // the parent's end tag
            --m_iPosFree;
            return 0;
        }
        tagEnd = FindChar('>', token.nNext);
        if (tagEnd < 0)
            return Fail("End of tag not found");
        if (IsDelimiter(first)) { // no tag name: skip the tag
            token.nNext = tagEnd + 1;
            continue;
        }
        if (depth > kMaxDepth)
            return Fail("Elements nested too deeply");
        name = token;
        break;
    }
    const std::string tag = TokenText(name);
    m_aPos[iPos].nStartR = tagEnd;
    if (m_strDoc[tagEnd - 1] == '/') { // empty element
        m_aPos[iPos].nEndL = tagEnd - 1;
        m_aPos[iPos].nEndR = tagEnd;
        return iPos;
    }

    m_aPos[iPos].nEndL = tagEnd + 1;
    int iPrev = 0;
    for (;;) {
        int iChild = ParseElement(iPos, depth + 1);
        if (iChild < 0)
            return -1;
        if (iChild == 0)
            break;
        if (iPrev)
            m_aPos[iPrev].iElemNext = iChild;
        else
            m_aPos[iPos].iElemChild = iChild;
        iPrev = iChild;
        m_aPos[iPos].nEndL = m_aPos[iChild].nEndR + 1;
    }

    int open = FindChar('<', m_aPos[iPos].nEndL);
    if (open < 0)
        return Fail("End tag of %s element not found", tag);
    m_aPos[iPos].nEndL = open;
    token.nNext = open + 1;
    if (!FindToken(token) || token.bIsString || m_strDoc[token.nL] != '/')
        return Fail("Expecting end tag of element %s", tag);
    if (!FindToken(token) || token.bIsString || !Match(token, tag.c_str()))
        return Fail("End tag does not correspond to %s", tag);
    while (FindToken(token)) {
        if (!token.bIsString && m_strDoc[token.nL] == '>') {
            m_aPos[iPos].nEndR = token.nL;
            return iPos;
        }
    }
    return Fail("End tag not completed for element %s", tag);
}

int CXmlReader::ParseNode(int& pos) const
{
    if (Length() - pos < 3) // fewer than two characters after '<'
        return 0;
    char second = m_strDoc[pos + 1];
    auto skipTo = [&](const char* closing, int kind) {
        int found = FindText(closing, pos + 2);
        if (found < 0)
            return 0;
        pos = found + static_cast<int>(std::strlen(closing));
        return kind;
    };
    if (second == '?')
        return skipTo("?>", 16);
    if (second != '!')
        return 0;
    char third = m_strDoc[pos + 2];
    if (third == '[')
        return skipTo("]]>", 8);
    if (third == '-')
        return skipTo("-->", 32);
    TokenPos token;
    token.nNext = pos + 2;
    int depth = 0;
    while (FindToken(token)) {
        if (token.bIsString)
            continue;
        if (m_strDoc[token.nL] == '>' && depth <= 0) {
            pos = token.nNext;
            return 64;
        }
        for (int i = token.nL; i <= token.nR; ++i) {
            if (m_strDoc[i] == '[')
                ++depth;
            else if (m_strDoc[i] == ']')
                --depth;
        }
    }
    return 0;
}

bool CXmlReader::FindElement(const char* name)
{
    if (!name)
        return false;
    if (m_iPos == 0) {
        m_iPos = m_aPos[m_iPosParent].iElemChild;
        m_nNodeType = m_iPos ? 1 : 0;
        if (m_iPos == 0)
            return false;
    }
    int i = m_iPosChild ? m_aPos[m_iPosChild].iElemNext : m_aPos[m_iPos].iElemChild;
    for (; i; i = m_aPos[i].iElemNext) {
        TokenPos token;
        token.nNext = m_aPos[i].nStartL + 1;
        if (FindToken(token) && !token.bIsString && Match(token, name)) {
            m_iPosChild = i;
            return true;
        }
    }
    return false;
}

bool CXmlReader::EnterElement()
{
    if (m_iPos == 0 || m_nNodeType != 1)
        return false;
    m_iPosParent = m_iPos;
    m_iPos = m_iPosChild;
    m_iPosChild = 0;
    m_nNodeType = m_iPos ? 1 : 0;
    return true;
}

bool CXmlReader::LeaveElement()
{
    if (m_iPosParent == 0)
        return false;
    m_iPosChild = m_iPos;
    m_iPos = m_iPosParent;
    m_iPosParent = m_aPos[m_iPos].iElemParent;
    m_nNodeType = 1;
    return true;
}

std::string CXmlReader::GetAttribute(const char* name) const
{
    if (m_iPos == 0 || m_nNodeType != 1 || !name)
        return {};
    TokenPos token;
    token.nNext = m_aPos[m_iPos].nStartL + 1;
    int index = 0;
    int matched = -1;
    for (; FindToken(token); ++index) {
        if (index == 0) // the tag name
            continue;
        if (token.bIsString) {
            if (matched >= 0 && index == matched + 2)
                return DecodeEntities(token.nL, token.nR);
            continue;
        }
        char c = m_strDoc[token.nL];
        if (token.nL == token.nR && (c == '/' || c == '>' || c == '?'))
            break;
        if (token.nL == token.nR && c == '=')
            continue;
        if (matched < 0 && Match(token, name))
            matched = index;
    }
    return {};
}

std::string CXmlReader::DecodeEntities(int left, int right) const
{
    static const struct {
        const char* name;
        char value;
    } kEntities[] = {{"lt;", '<'}, {"amp;", '&'}, {"gt;", '>'}, {"apos;", '\''}, {"quot;", '"'}};
    std::string out;
    int pos = left;
    while (pos <= right) {
        if (m_strDoc[pos] == '&') {
            bool decoded = false;
            for (const auto& e : kEntities) {
                int length = static_cast<int>(std::strlen(e.name));
                if (pos + length <= right && m_strDoc.compare(static_cast<std::size_t>(pos + 1),
                                                              static_cast<std::size_t>(length), e.name) == 0) {
                    out += e.value;
                    pos += 1 + length;
                    decoded = true;
                    break;
                }
            }
            if (decoded)
                continue;
        }
        int length = CharLength(pos);
        if (length > right - pos + 1) // a character cut by the range's end
            length = right - pos + 1;
        out.append(m_strDoc, static_cast<std::size_t>(pos), static_cast<std::size_t>(length));
        pos += length;
    }
    return out;
}
