#include "vst3/textmessage.h"

#include <cstring>

namespace Steinberg
{
namespace Vst
{

namespace
{

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80)
    {
        out += static_cast<char>(c);
    }
    else if (c < 0x800)
    {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else if (c < 0x10000)
    {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string utf8FromUtf16(const char16_t* text, std::size_t maxUnits)
{
    std::string out;
    if (!text)
        return out;
    std::size_t i = 0;
    while (i < maxUnits && text[i] != 0)
    {
        const char32_t unit = text[i++];
        if (isHighSurrogate(unit) && i < maxUnits && isLowSurrogate(text[i]))
        {
            const char32_t low = text[i++];
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        }
        else if (isHighSurrogate(unit) || isLowSurrogate(unit))
        {
            appendUtf8(out, kReplacement);
        }
        else
        {
            appendUtf8(out, unit);
        }
    }
    return out;
}

tresult readTextMessage(IMessage* message, std::string& utf8)
{
    if (!message)
        return kInvalidArgument;
    const char* id = message->getMessageID();
    IAttributeList* attributes = message->getAttributes();
    if (!id || std::strcmp(id, "TextMessage") != 0 || !attributes)
        return kResultFalse;
    TChar text[kMaxTextMessageUnits + 1] = {};
    if (attributes->getString("Text", text, kMaxTextMessageUnits * sizeof(TChar)) != kResultOk)
        return kResultFalse;
    // TChar is char16_t or, on Windows, a 16-bit wchar_t: the same units.
    utf8 = utf8FromUtf16(reinterpret_cast<const char16_t*>(text), kMaxTextMessageUnits);
    return kResultOk;
}

} // namespace Vst
} // namespace Steinberg
