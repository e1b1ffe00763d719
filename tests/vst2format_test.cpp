// The VST 2 wrapper's pure parts: the program chunk format, texts cut to the
// host's buffer sizes, version numbers, categories and the class description
// read from a factory.
#include "adapter/statebundle.h"
#include "vst2/vst2abi.h"
#include "vst2/vst2classinfo.h"
#include "vst2/vst2strings.h"
#include "vst3/pluginfactory.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/vsttypes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

std::vector<uint8> bytesOf(std::initializer_list<int> values)
{
    std::vector<uint8> bytes;
    for (int v : values)
        bytes.push_back(static_cast<uint8>(v));
    return bytes;
}

void putWord(std::vector<uint8>& bytes, size_t at, uint32 word)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(at + static_cast<size_t>(i)) = static_cast<uint8>(word >> (8 * i));
}

} // namespace

TEST(StateBundle, RoundTripKeepsStatesAndValuesApart)
{
    const auto processor = bytesOf({1, 0, 0, 0, 0, 0, 0, 0x3F});
    const auto controller = bytesOf({'a', 'b', 'c'});
    const std::vector<StateBundle::ParameterValue> values = {{0, 1.0}, {7, 0.25}};
    std::vector<uint8> chunk;
    ASSERT_TRUE(StateBundle::build(processor, controller, values, chunk));
    ASSERT_EQ(chunk.size(),
              StateBundle::kHeaderSize + processor.size() + controller.size() + 4 + 2 * 12);
    // Little-endian header: magic, version, lengths.
    EXPECT_EQ(0, std::memcmp(chunk.data(), "\x32\x57\x33\x56\x02\0\0\0\x08\0\0\0\x03\0\0\0", 16));
    // Then the count and the records: id 7, 0.25 as a little-endian double.
    EXPECT_EQ(0, std::memcmp(chunk.data() + 27, "\x02\0\0\0", 4));
    EXPECT_EQ(0, std::memcmp(chunk.data() + 43, "\x07\0\0\0\0\0\0\0\0\0\xD0\x3F", 12));

    StateBundle parsed;
    ASSERT_TRUE(parsed.parse(chunk.data(), chunk.size()));
    EXPECT_EQ(std::vector<uint8>(parsed.processorState(),
                                 parsed.processorState() + parsed.processorStateSize()),
              processor);
    EXPECT_EQ(std::vector<uint8>(parsed.controllerState(),
                                 parsed.controllerState() + parsed.controllerStateSize()),
              controller);
    EXPECT_EQ(parsed.parameterValues(), values);
}

TEST(StateBundle, EmptyPartsAndTheFirstFormatAreRead)
{
    std::vector<uint8> chunk;
    ASSERT_TRUE(StateBundle::build(bytesOf({7, 7}), {}, {}, chunk));
    StateBundle parsed;
    ASSERT_TRUE(parsed.parse(chunk.data(), chunk.size()));
    EXPECT_EQ(parsed.processorStateSize(), 2u);
    EXPECT_EQ(parsed.controllerStateSize(), 0u);
    EXPECT_TRUE(parsed.parameterValues().empty());

    // Projects saved before the values were added: header and states only.
    const auto first =
        bytesOf({0x32, 0x57, 0x33, 0x56, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 9, 8, 'x'});
    ASSERT_TRUE(parsed.parse(first.data(), first.size()));
    EXPECT_EQ(parsed.processorStateSize(), 2u);
    EXPECT_EQ(parsed.controllerStateSize(), 1u);
    EXPECT_EQ(*parsed.controllerState(), 'x');
    EXPECT_TRUE(parsed.parameterValues().empty());
}

TEST(StateBundle, UnreadableChunksAreRefused)
{
    std::vector<uint8> good;
    ASSERT_TRUE(StateBundle::build(bytesOf({1, 2, 3, 4}), bytesOf({5, 6}), {{1, 0.5}}, good));
    // The value record's double sits in the last 8 bytes.
    const size_t valueAt = good.size() - 8;

    struct Case
    {
        const char* what;
        std::vector<uint8> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"header cut short", std::vector<uint8>(good.begin(), good.begin() + 15)});
    cases.push_back({"payload cut short", std::vector<uint8>(good.begin(), good.end() - 1)});
    {
        auto bytes = good;
        bytes.push_back(0);
        cases.push_back({"trailing byte", bytes});
    }
    {
        auto bytes = good;
        bytes[0] ^= 0xFF;
        cases.push_back({"wrong magic", bytes});
    }
    {
        auto bytes = good;
        putWord(bytes, 4, 3);
        cases.push_back({"newer format", bytes});
    }
    {
        auto bytes = good;
        putWord(bytes, 4, 0);
        cases.push_back({"format 0", bytes});
    }
    {
        auto bytes = good;
        putWord(bytes, valueAt - 8, 2);
        cases.push_back({"more values counted than present", bytes});
    }
    {
        auto bytes = good;
        putWord(bytes, valueAt - 8, 0x15555556); // times 12 wraps in 32 bits
        cases.push_back({"value count that wraps", bytes});
    }
    {
        auto bytes = good;
        putWord(bytes, valueAt + 4, 0x7FF80000); // NaN
        cases.push_back({"value that is not a number", bytes});
    }
    {
        auto bytes = good;
        putWord(bytes, valueAt + 4, 0x3FF80000); // 1.5
        cases.push_back({"value above 1", bytes});
    }
    {
        auto bytes = good;
        putWord(bytes, valueAt + 4, 0xBFF00000); // -1
        cases.push_back({"value below 0", bytes});
    }
    {
        auto bytes = good;
        putWord(bytes, 8, 0xFFFFFFFF);
        cases.push_back({"processor length beyond the chunk", bytes});
    }
    {
        auto bytes = good;
        putWord(bytes, 8, 0xFFFFFFFE);
        putWord(bytes, 12, 0x00000008);
        cases.push_back({"lengths that wrap in 32 bits", bytes});
    }
    {
        auto bytes = good;
        putWord(bytes, 8, 2);
        putWord(bytes, 12, 2);
        cases.push_back({"lengths short of the chunk", bytes});
    }

    for (const Case& c : cases)
    {
        StateBundle parsed;
        EXPECT_FALSE(parsed.parse(c.bytes.empty() ? nullptr : c.bytes.data(), c.bytes.size()))
            << c.what;
        EXPECT_EQ(parsed.processorState(), nullptr) << c.what;
        EXPECT_EQ(parsed.controllerState(), nullptr) << c.what;
        EXPECT_TRUE(parsed.parameterValues().empty()) << c.what;
    }
    StateBundle parsed;
    EXPECT_FALSE(parsed.parse(nullptr, 64));

    std::vector<uint8> untouched = {42};
    EXPECT_FALSE(StateBundle::build({1}, {}, {{0, 2.0}}, untouched)) << "a value above 1";
    EXPECT_EQ(untouched, std::vector<uint8>{42});
}

TEST(Vst2Strings, TextIsCutToTheBufferWithoutSplittingCharacters)
{
    struct Case
    {
        std::string text;
        size_t capacity;
        std::string expected;
    };
    const Case cases[] = {
        {"Bypass", 8, "Bypass"},
        {"super low", 8, "super l"},
        {"1234567", 8, "1234567"},
        {"12345678", 8, "1234567"},
        {"", 8, ""},
        {"abc", 1, ""},
        // "ab" then U+00E9 (2 bytes) then U+20AC (3 bytes): 7 bytes in all.
        {"ab\xC3\xA9\xE2\x82\xAC", 8, "ab\xC3\xA9\xE2\x82\xAC"},
        {"ab\xC3\xA9\xE2\x82\xAC", 7, "ab\xC3\xA9"},
        {"ab\xC3\xA9\xE2\x82\xAC", 5, "ab\xC3\xA9"},
        {"ab\xC3\xA9\xE2\x82\xAC", 4, "ab"},
        // A character beyond the BMP (4 bytes) that does not fit at all.
        {"x\xF0\x9F\x8E\xB5", 4, "x"},
    };
    for (const Case& c : cases)
    {
        char buffer[16];
        std::memset(buffer, 'Z', sizeof(buffer));
        copyTruncated(c.text, buffer, c.capacity);
        EXPECT_EQ(std::string(buffer), c.expected) << c.text << " into " << c.capacity;
        // Nothing written past the buffer the host gave.
        for (size_t i = c.capacity; i < sizeof(buffer); ++i)
            EXPECT_EQ(buffer[i], 'Z') << c.text << " into " << c.capacity;
    }
    copyTruncated("text", nullptr, 8); // no buffer, no crash
    char untouched = 'Z';
    copyTruncated("text", &untouched, 0);
    EXPECT_EQ(untouched, 'Z');
}

TEST(Vst2ClassInfo, VersionNumbers)
{
    struct Case
    {
        const char* version;
        int32_t expected;
    };
    const Case cases[] = {
        {"1.0.0.1", 1001}, {"2.1", 2100},   {"1.2.3.4", 1234},   {"3", 3000},        {"", 0},
        {"beta", 0},       {"1.x.3", 1000}, {"1.0.0.1.7", 1001}, {"1.2.3.4a", 1234}, {"0.0.0.0", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vst2VersionNumber(c.version), c.expected) << c.version;
}

TEST(Vst2ClassInfo, CategoriesFromSubCategories)
{
    struct Case
    {
        const char* subCategories;
        int32_t category;
        bool instrument;
    };
    const Case cases[] = {
        {"Fx", Vst2::kPlugCategEffect, false},
        {"", Vst2::kPlugCategEffect, false},
        {"Instrument", Vst2::kPlugCategSynth, true},
        {"Instrument|Synth", Vst2::kPlugCategSynth, true},
        {"Fx|Instrument", Vst2::kPlugCategSynth, true},
        {"Fx|Analyzer", Vst2::kPlugCategAnalysis, false},
        // A name that only contains the word is not the sub-category.
        {"Fx|Instruments Bus", Vst2::kPlugCategEffect, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(vst2PlugCategory(c.subCategories), c.category) << c.subCategories;
        EXPECT_EQ(isInstrument(c.subCategories), c.instrument) << c.subCategories;
    }
}

namespace
{

FUnknown* createNothing(void*)
{
    return nullptr;
}

const FUID kFirstCid(0x11111111, 0x22222222, 0x33333333, 0x44444444);
const FUID kSecondCid(0x55555555, 0x66666666, 0x77777777, 0x88888888);
const FUID kMissingCid(0x99999999, 0x99999999, 0x99999999, 0x99999999);

PClassInfo2 record(const FUID& cid, const char* name, const char* vendor, const char* version,
                   const char* subCategories)
{
    TUID bytes;
    cid.toTUID(bytes);
    return PClassInfo2(bytes, PClassInfo::kManyInstances, kVstAudioEffectClass, name, 0,
                       subCategories, vendor, version, kVstVersionString);
}

} // namespace

TEST(Vst2ClassInfo, DescribesTheClassFromItsRecordAndTheFactory)
{
    PFactoryInfo factoryInfo("Factory Maker", "https://example.org", "mailto:a@example.org",
                             PFactoryInfo::kUnicode);
    CPluginFactory factory(factoryInfo);
    const PClassInfo2 first = record(kFirstCid, "First Effect", "", "1.0.0.1", "Fx");
    const PClassInfo2 second = record(kSecondCid, "Second", "Own Vendor", "2.3", "Instrument");
    ASSERT_TRUE(factory.registerClass(&first, createNothing));
    ASSERT_TRUE(factory.registerClass(&second, createNothing));

    TUID cid;
    Vst2ClassDescription description;
    kFirstCid.toTUID(cid);
    ASSERT_TRUE(describeClass(factory, cid, description));
    EXPECT_EQ(description.effectName, "First Effect");
    EXPECT_EQ(description.vendor, "Factory Maker"); // the record has none
    EXPECT_EQ(description.version, "1.0.0.1");
    EXPECT_EQ(description.subCategories, "Fx");

    kSecondCid.toTUID(cid);
    ASSERT_TRUE(describeClass(factory, cid, description));
    EXPECT_EQ(description.effectName, "Second");
    EXPECT_EQ(description.vendor, "Own Vendor"); // the record's own vendor wins
    EXPECT_EQ(description.version, "2.3");
    EXPECT_EQ(description.subCategories, "Instrument");

    kMissingCid.toTUID(cid);
    Vst2ClassDescription untouched;
    untouched.effectName = "keep";
    EXPECT_FALSE(describeClass(factory, cid, untouched));
    EXPECT_EQ(untouched.effectName, "keep");
}
