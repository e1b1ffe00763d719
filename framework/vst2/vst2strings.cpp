#include "vst2/vst2strings.h"

#include "base/source/fstring.h"

#include <cstring>

namespace Steinberg
{
namespace Vst
{

std::string toUtf8(const char16* text)
{
    if (!text)
        return {};
    String converted(text);
    if (!converted.toMultiByte(kCP_Utf8))
        return {};
    const char8* bytes = converted.text8();
    return bytes ? std::string(bytes) : std::string();
}

void copyTruncated(const std::string& text, char* dest, std::size_t capacity)
{
    if (!dest || capacity == 0)
        return;
    std::size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
    // Step back over continuation bytes (10xxxxxx) so that a character whose
    // encoding does not fit entirely is dropped as a whole.
    if (length < text.size())
    {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(dest, text.data(), length);
    dest[length] = '\0';
}

} // namespace Vst
} // namespace Steinberg
