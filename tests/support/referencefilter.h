// The filter's recurrence written out plainly, one sample of one channel at a
// time: what the optimised filter and the processor must match bit for bit.
#pragma once

#include "processor/filtercoefficients.h"

namespace KestrumTest
{

// The single-precision floor, bit pattern 0x15F79688.
constexpr float kReferenceFloor = 1e-25f;

struct ReferenceChannel
{
    double s0 = 0.0, s1 = 0.0, s2 = 0.0;

    float step(const Kestrum::FilterCoefficients& c, float x)
    {
        if (x > -kReferenceFloor && x < kReferenceFloor)
            x = kReferenceFloor;
        const double xd = x;
        const double y = c.b0 * xd + s0;
        s0 = (c.b1 * xd - c.a1 * y) + s1;
        s1 = (c.b2 * xd - c.a2 * y) + s2;
        s2 = c.b3 * xd - c.a3 * y;
        return static_cast<float>(y);
    }
};

} // namespace KestrumTest
