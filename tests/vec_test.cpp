// tests/vec_test.cpp -- Vec3's single-precision operators, in-place forms and IEEE edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "glarve.h"

namespace {

bool BitEqual(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

::testing::AssertionResult Is(const Vec3& v, float x, float y, float z)
{
    if (BitEqual(v.x, x) && BitEqual(v.y, y) && BitEqual(v.z, z)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << v.x << ", " << v.y << ", " << v.z << ") is not (" << x << ", " << y << ", " << z << ")";
}

TEST(Vec3, DefaultAndArrayElementsAreZero)
{
    EXPECT_TRUE(Is(Vec3(), 0.0f, 0.0f, 0.0f));
    Vec3* array = new Vec3[5];
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(Is(array[i], 0.0f, 0.0f, 0.0f)) << "element " << i;
    }
    delete[] array;
}

TEST(Vec3, OperatorsAreSinglePrecisionPerComponent)
{
    const Vec3 p(2.0f, 4.0f, 6.0f);
    EXPECT_TRUE(Is(Vec3(16777216.0f, 0.0f, 0.0f) + Vec3(1.0f, 0.0f, 0.0f), 16777216.0f, 0.0f, 0.0f));
    EXPECT_TRUE(Is(Vec3(0.1f, 0.2f, 0.3f) + Vec3(0.2f, 0.1f, 0.3f), 0.1f + 0.2f, 0.2f + 0.1f, 0.3f + 0.3f));
    EXPECT_TRUE(Is(p - Vec3(1.0f, 1.0f, 1.0f), 1.0f, 3.0f, 5.0f));
    EXPECT_TRUE(Is(p * 0.5f, 1.0f, 2.0f, 3.0f));
    EXPECT_TRUE(Is(p / 2.0f, 1.0f, 2.0f, 3.0f));
    EXPECT_TRUE(Is(Vec3(1.0f, 2.0f, 3.0f) / 3.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f));
    EXPECT_TRUE(Is(p, 2.0f, 4.0f, 6.0f)) << "the new forms leave the left operand unchanged";
}

TEST(Vec3, UnaryMinusFlipsSignsIncludingZero)
{
    const Vec3 n = -Vec3(0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(Is(n, -0.0f, -0.0f, -0.0f));
    EXPECT_TRUE(std::signbit(n.x) && std::signbit(n.y) && std::signbit(n.z));
    EXPECT_TRUE(Is(-Vec3(1.0f, -2.0f, 3.0f), -1.0f, 2.0f, -3.0f));
}

TEST(Vec3, DivisionByZeroGivesIeeeResults)
{
    const Vec3 q = Vec3(1.0f, -1.0f, 0.0f) / 0.0f;
    EXPECT_TRUE(std::isinf(q.x) && q.x > 0);
    EXPECT_TRUE(std::isinf(q.y) && q.y < 0);
    EXPECT_TRUE(std::isnan(q.z));
}

TEST(Vec3, InPlaceFormsChangeTheOperandAndReturnACopy)
{
    struct Case {
        const char* name;
        Vec3 (*apply)(Vec3&);
        float x, y, z;
    };
    const Case cases[] = {
        {"+=", [](Vec3& p) { return p += Vec3(1.0f, 1.0f, 1.0f); }, 3.0f, 5.0f, 7.0f},
        {"-=", [](Vec3& p) { return p -= Vec3(1.0f, 1.0f, 1.0f); }, 1.0f, 3.0f, 5.0f},
        {"*=", [](Vec3& p) { return p *= 1.05f; }, 2.0f * 1.05f, 4.0f * 1.05f, 6.0f * 1.05f},
        {"/=", [](Vec3& p) { return p /= 1.05f; }, 2.0f / 1.05f, 4.0f / 1.05f, 6.0f / 1.05f},
        {"p += p", [](Vec3& p) { return p += p; }, 4.0f, 8.0f, 12.0f},
        {"p -= p", [](Vec3& p) { return p -= p; }, 0.0f, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Vec3 p(2.0f, 4.0f, 6.0f);
        Vec3 result = c.apply(p);
        EXPECT_TRUE(Is(p, c.x, c.y, c.z));
        EXPECT_TRUE(Is(result, c.x, c.y, c.z));
        result.x = 99.0f; // a copy: changing it leaves p alone
        EXPECT_TRUE(Is(p, c.x, c.y, c.z));
    }
}

TEST(Vec3, ScaleUpThenDownIsTheSpecifiedRoundTrip)
{
    // The intro scene scales vertices by 1.05 five times and back; the result is whatever single
    // precision gives, step by step, not the starting value.
    Vec3 v(10.0f, -3.0f, 7.5f);
    float x = 10.0f;
    for (int i = 0; i < 5; ++i) {
        v *= 1.05f;
        x = x * 1.05f;
    }
    for (int i = 0; i < 5; ++i) {
        v /= 1.05f;
        x = x / 1.05f;
    }
    EXPECT_TRUE(BitEqual(v.x, x));
}

TEST(Color4, KeepsItsChannelsUnclamped)
{
    const Color4 c(0.0f, 1.5f, -0.25f, 0.15f);
    EXPECT_EQ(c.r, 0.0f);
    EXPECT_EQ(c.g, 1.5f);
    EXPECT_EQ(c.b, -0.25f);
    EXPECT_EQ(c.a, 0.15f);
}

} // namespace
