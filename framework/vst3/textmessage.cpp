#include "vst3/textmessage.h"

#include "pluginterfaces/base/smartpointer.h"

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

// Length of the UTF-8 sequence starting at `text` and its code point, or 0
// for a byte that starts no valid sequence (overlong forms, surrogates and
// values past U+10FFFF included).
std::size_t decodeUtf8(const unsigned char* text, char32_t& c)
{
    const unsigned char lead = text[0];
    std::size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80)
    {
        c = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0)
        length = 2, min = 0x80, c = lead & 0x1F;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, min = 0x800, c = lead & 0x0F;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, min = 0x10000, c = lead & 0x07;
    else
        return 0;
    // A zero byte ends the text and fails this test, so nothing past it is read.
    for (std::size_t i = 1; i < length; ++i)
    {
        if ((text[i] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (text[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || isHighSurrogate(c) || isLowSurrogate(c))
        return 0;
    return length;
}

} // namespace

std::u16string utf16FromUtf8(const char* text, std::size_t maxUnits)
{
    std::u16string out;
    if (!text)
        return out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    while (*bytes)
    {
        char32_t c = kReplacement;
        std::size_t length = decodeUtf8(bytes, c);
        if (length == 0)
            c = kReplacement, length = 1;
        const std::size_t units = c >= 0x10000 ? 2 : 1;
        if (out.size() + units > maxUnits)
            break;
        if (units == 2)
        {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        else
        {
            out += static_cast<char16_t>(c);
        }
        bytes += length;
    }
    return out;
}

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

tresult sendUtf8TextMessage(const ComponentBase& sender, const char* utf8)
{
    IPtr<IMessage> message = owned(sender.allocateMessage());
    if (!message || !message->getAttributes())
        return kResultFalse;
    message->setMessageID("TextMessage");
    const std::u16string text = utf16FromUtf8(utf8, kMaxTextMessageUnits);
    // TChar is char16_t or, on Windows, a 16-bit wchar_t: the same units.
    message->getAttributes()->setString("Text", reinterpret_cast<const TChar*>(text.c_str()));
    return sender.sendMessage(message);
}

} // namespace Vst
} // namespace Steinberg
