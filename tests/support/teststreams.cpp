#include "support/teststreams.h"

#include <algorithm>
#include <cstring>

using namespace Steinberg;

namespace KestrumTest
{

tresult PLUGIN_API TestStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
    if (numBytesRead)
        *numBytesRead = 0;
    if (failReadAfter >= 0 && reads >= failReadAfter)
        return kResultFalse;
    ++reads;
    if (numBytes < 0 || (numBytes > 0 && !buffer))
        return kInvalidArgument;
    const auto available = static_cast<std::int64_t>(data.size()) - position;
    const auto count =
        static_cast<int32>(std::max<std::int64_t>(0, std::min<std::int64_t>(numBytes, available)));
    if (count > 0)
        std::memcpy(buffer, data.data() + position, static_cast<size_t>(count));
    position += count;
    if (numBytesRead)
        *numBytesRead = count;
    if (count < numBytes && !okOnShortRead)
        return kResultFalse;
    return kResultOk;
}

tresult PLUGIN_API TestStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
    if (numBytesWritten)
        *numBytesWritten = 0;
    if (failWriteAfter >= 0 && writes >= failWriteAfter)
        return kResultFalse;
    ++writes;
    if (numBytes < 0 || (numBytes > 0 && !buffer))
        return kInvalidArgument;
    const auto end = static_cast<size_t>(position) + static_cast<size_t>(numBytes);
    if (data.size() < end)
        data.resize(end);
    if (numBytes > 0)
        std::memcpy(data.data() + position, buffer, static_cast<size_t>(numBytes));
    position += numBytes;
    if (numBytesWritten)
        *numBytesWritten = numBytes;
    return kResultOk;
}

tresult PLUGIN_API TestStream::seek(int64 pos, int32 mode, int64* result)
{
    int64 base = 0;
    if (mode == kIBSeekCur)
        base = position;
    else if (mode == kIBSeekEnd)
        base = static_cast<int64>(data.size());
    if (base + pos < 0)
        return kInvalidArgument;
    position = base + pos;
    if (result)
        *result = position;
    return kResultOk;
}

tresult PLUGIN_API TestStream::tell(int64* pos)
{
    if (!pos)
        return kInvalidArgument;
    *pos = position;
    return kResultOk;
}

tresult PLUGIN_API TestStream::queryInterface(const TUID iid, void** obj)
{
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IBStream)
    QUERY_INTERFACE(iid, obj, IBStream::iid, IBStream)
    *obj = nullptr;
    return kNoInterface;
}

} // namespace KestrumTest
