// libFuzzer target for the XML reader: every input is a whole reply document. After loading, the
// cursor walks the tree as the host client does and reads attributes of every element it enters.
#include "online/XmlReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Walk(CXmlReader& xml, int depth)
{
    static const char* const kNames[] = {"a", "param", "userLogin", "e"};
    for (const char* name : kNames) {
        for (int i = 0; i < 64 && xml.FindElement(name); ++i) {
            if (!xml.EnterElement())
                continue;
            (void)xml.GetAttribute("name");
            (void)xml.GetAttribute("value");
            if (depth < 8)
                Walk(xml, depth + 1);
            xml.LeaveElement();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size); // the reader takes a C string
    CXmlReader xml;
    if (xml.LoadText(text.c_str()))
        Walk(xml, 0);
    return 0;
}
