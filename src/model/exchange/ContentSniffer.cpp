#include "ContentSniffer.h"

#include "model/text/Charset.h"
#include "model/text/Utf8.h"

#include <string>

namespace ContentSniffer {
namespace {

bool startsWithVCard(std::string_view text)
{
    while (!text.empty() && (text.front() == '\r' || text.front() == '\n' || text.front() == ' ' ||
                             text.front() == '\t'))
        text.remove_prefix(1);
    return Utf8::startsWithNoCase(text, "BEGIN:VCARD");
}

} // namespace

Kind sniff(std::string_view head)
{
    std::string utf16;
    if (head.size() % 2 == 1 && head.size() > 2)
        head.remove_suffix(1); // a cut through the last UTF-16 unit
    if (Charset::fromUtf16(head, utf16))
        head = utf16;
    else if (head.substr(0, 3) == "\xEF\xBB\xBF")
        head.remove_prefix(3);
    if (startsWithVCard(head))
        return Kind::VCard;
    for (unsigned char c : head) {
        if (c < 0x20 && c != '\r' && c != '\n' && c != '\t' && c != 0x1A) // 0x1A: DOS end of file
            return Kind::Unknown;
    }
    return Kind::Csv;
}

} // namespace ContentSniffer
