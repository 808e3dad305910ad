// CXmlReader: the small non-validating reader of the host server's XML replies.
//
// The whole document is indexed in one pass into position records; a cursor then walks the element
// tree and reads attribute values (entities decoded). Element text is never read. Multi-byte
// characters (UTF-8) are stepped over as a unit and never past the end of the text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CXmlReader {
public:
    // One element's place in the document: byte offsets and element indices.
    struct ElemPos {
        std::int32_t nStartL = 0;     // '<' of the start tag
        std::int32_t nStartR = 0;     // '>' of the start tag
        std::int32_t nEndL = 0;       // '<' of the end tag ('/' of an empty element); the scan position while parsing
        std::int32_t nEndR = 0;       // '>' of the end tag
        std::int32_t nReserved = 0;
        std::int32_t iElemParent = 0;
        std::int32_t iElemChild = 0;  // first child, 0 none
        std::int32_t iElemNext = 0;   // next sibling, 0 none
    };
    static_assert(sizeof(ElemPos) == 32);

    // Deeper documents fail to load instead of exhausting the stack.
    static constexpr int kMaxDepth = 256;

    CXmlReader();
    virtual ~CXmlReader() = default;

    // Replaces the document (null: empty) and indexes it; true when a document element was parsed.
    bool LoadText(const char* text);
    // The next child of the current element with this tag, after the current child.
    bool FindElement(const char* name);
    bool EnterElement();
    bool LeaveElement();
    // The decoded value of a quoted attribute of the current element; empty when missing.
    std::string GetAttribute(const char* name) const;
    // The reason the last load failed.
    const std::string& GetError() const { return m_strError; }

private:
    struct TokenPos {
        int nL = 0;
        int nR = -1; // inclusive
        int nNext = 0;
        bool bIsString = false;
    };

    int Length() const { return static_cast<int>(m_strDoc.size()); }
    // Bytes of the character at pos, never beyond the end of the text.
    int CharLength(int pos) const;
    int FindChar(char c, int from) const;
    int FindText(const char* text, int from) const;
    bool FindToken(TokenPos& token) const;
    bool Match(const TokenPos& token, const char* name) const;
    std::string TokenText(const TokenPos& token) const;
    int ParseElement(int iPosParent, int depth);
    int ParseNode(int& pos) const;
    int Fail(const char* message, const std::string& tag = {});
    std::string DecodeEntities(int left, int right) const;

    std::string m_strDoc;
    std::string m_strError;
    std::vector<ElemPos> m_aPos;
    int m_iPosParent = 0;
    int m_iPos = 0;
    int m_iPosChild = 0;
    int m_nNodeType = 0;
    int m_iPosFree = 1;
};
