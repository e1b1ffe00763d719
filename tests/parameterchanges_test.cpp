// The change lists that hosts and the VST 2 wrapper hand to the processor:
// fixed room made up front, filled on the audio thread without allocating.
#include "support/allocationcounter.h"
#include "vst3/parameterchanges.h"

#include <gtest/gtest.h>

#include <utility>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

TEST(ParameterChanges, FilledOnTheAudioThreadWithoutAllocating)
{
    ParameterChanges changes(2, 1);
    size_t allocations = 0;
    {
        KestrumTest::AllocationCounter counter;
        EXPECT_TRUE(changes.add(7, 0.5));
        EXPECT_TRUE(changes.add(9, 0.25, 3));
        EXPECT_FALSE(changes.add(7, 0.75, 1)); // one point per queue
        EXPECT_FALSE(changes.add(11, 1.0));    // no third queue
        allocations = counter.count();
    }
    EXPECT_EQ(allocations, 0u);
    ASSERT_EQ(changes.getParameterCount(), 2);
    IParamValueQueue* queue = changes.getParameterData(1);
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(queue->getParameterId(), 9u);
    int32 offset = -1;
    ParamValue value = -1;
    ASSERT_EQ(queue->getPoint(0, offset, value), kResultOk);
    EXPECT_EQ(offset, 3);
    EXPECT_DOUBLE_EQ(value, 0.25);
    EXPECT_EQ(queue->getPoint(1, offset, value), kInvalidArgument);
    EXPECT_EQ(changes.getParameterData(2), nullptr);

    changes.clear();
    EXPECT_EQ(changes.getParameterCount(), 0);
    EXPECT_TRUE(changes.add(11, 1.0));
    EXPECT_EQ(changes.getParameterData(0)->getPointCount(), 1);
}

TEST(ParameterChanges, APointAtTheLastOffsetReplacesIt)
{
    ParameterChanges changes(1, 2);
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(changes.add(3, i / 100.0, 8)) << i;
    EXPECT_TRUE(changes.add(3, 0.75, 20));
    EXPECT_FALSE(changes.add(3, 1.0, 30)) << "both points taken";
    EXPECT_FALSE(changes.add(3, 1.0, 8)) << "only the last point is replaced";

    IParamValueQueue* queue = changes.getParameterData(0);
    ASSERT_NE(queue, nullptr);
    ASSERT_EQ(queue->getPointCount(), 2);
    struct Point
    {
        int32 offset;
        ParamValue value;
    };
    const Point expected[] = {{8, 0.99}, {20, 0.75}};
    for (int32 i = 0; i < 2; ++i)
    {
        int32 offset = -1;
        ParamValue value = -1;
        ASSERT_EQ(queue->getPoint(i, offset, value), kResultOk);
        EXPECT_EQ(offset, expected[i].offset) << i;
        EXPECT_DOUBLE_EQ(value, expected[i].value) << i;
    }
    int32 index = -1;
    EXPECT_EQ(queue->addPoint(20, 0.5, index), kResultOk);
    EXPECT_EQ(index, 1);
}

TEST(ParameterChanges, NoRoomRefusesEverything)
{
    for (const auto& size : {std::pair<int32, int32>{0, 4}, {4, 0}, {-1, -1}})
    {
        ParameterChanges changes(size.first, size.second);
        EXPECT_FALSE(changes.add(1, 0.5)) << size.first << " " << size.second;
        for (int32 i = 0; i < changes.getParameterCount(); ++i)
            EXPECT_EQ(changes.getParameterData(i)->getPointCount(), 0);
    }
}

} // namespace
