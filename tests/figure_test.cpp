// The rosette's numbers, checked without OpenGL: the radius formula and every vertex of a pass.
#include "figure/figure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

const double pi = 3.14159265358979323846;

struct Vertex {
    float t, x, y, z;
};

// One whole pass, recorded in order.
std::vector<Vertex> recordPass()
{
    std::vector<Vertex> pass;
    forEachRosettePoint([&pass](float t, float x, float y, float z) { pass.push_back({t, x, y, z}); });
    return pass;
}

const std::vector<Vertex> &pass()
{
    static const std::vector<Vertex> recorded = recordPass();
    return recorded;
}

std::uint32_t bitsOf(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// ---------------------------------------------------------------------------------------------
// rosetteRadius

struct RadiusCase {
    const char *name;
    double t;
    float expected;
    float tolerance;
};

void PrintTo(const RadiusCase &c, std::ostream *out)
{
    *out << c.name << " (t = " << c.t << ")";
}

class RosetteRadius : public ::testing::TestWithParam<RadiusCase> {};

TEST_P(RosetteRadius, MatchesTheFormulaAtZerosAndPeaks)
{
    const RadiusCase &c = GetParam();
    const float r = rosetteRadius(static_cast<float>(c.t));
    EXPECT_NEAR(r, c.expected, c.tolerance) << "t = " << c.t;
    EXPECT_GE(r, 0.0f);
    EXPECT_LE(r, 6.0f);
}

std::vector<RadiusCase> radiusCases()
{
    std::vector<RadiusCase> cases = {{"origin", 0.0, 0.0f, 0.0f}};
    static const char *zeroNames[] = {"zero0", "zero1", "zero2", "zero3", "zero4",
                                      "zero5", "zero6", "zero7", "zero8", "zero9"};
    static const char *peakNames[] = {"peak0", "peak1", "peak2", "peak3", "peak4",
                                      "peak5", "peak6", "peak7", "peak8", "peak9"};
    for (int k = 0; k < 10; ++k) {
        if (k > 0) {
            cases.push_back({zeroNames[k], 2.0 * pi * k / 9.0, 0.0f, 1e-5f});
        }
        cases.push_back({peakNames[k], (2.0 * k + 1.0) * pi / 9.0, 6.0f, 1e-5f});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Table, RosetteRadius, ::testing::ValuesIn(radiusCases()),
                         [](const ::testing::TestParamInfo<RadiusCase> &c) { return std::string(c.param.name); });

TEST(RosetteRadiusRange, StaysWithinZeroAndSixOverTheWholeParameterRange)
{
    // A million parameters spread over the range a pass runs through, and their negatives.
    for (int i = 0; i <= 1000000; ++i) {
        const float t = static_cast<float>(i) * 0.001f;
        const float r = rosetteRadius(t);
        ASSERT_GE(r, 0.0f) << "t = " << t;
        ASSERT_LE(r, 6.0f) << "t = " << t;
        ASSERT_EQ(r, rosetteRadius(-t)) << "the radius is even in t; t = " << t;
    }
}

TEST(RosetteRadiusRange, RepeatsWithNineLobesPerTurn)
{
    // cos 9t has period 2pi/9: the radius at t and t + 2pi/9 agree to the rounding of t.
    for (int i = 0; i < 1000; ++i) {
        const double t = i * 0.0137;
        EXPECT_NEAR(rosetteRadius(static_cast<float>(t)), rosetteRadius(static_cast<float>(t + 2.0 * pi / 9.0)), 1e-4f)
            << "t = " << t;
    }
}

// ---------------------------------------------------------------------------------------------
// The vertex sequence of one pass

TEST(RosettePass, SendsExactly159092Vertices)
{
    EXPECT_EQ(pass().size(), 159092u);
}

TEST(RosettePass, StepsTheParameterBySingleRoundedStep)
{
    const std::vector<Vertex> &p = pass();
    ASSERT_GE(p.size(), 2u);
    EXPECT_EQ(p[0].t, 0.0f);
    // 6.28f / 1000 divided in double precision, then rounded to single precision.
    EXPECT_EQ(bitsOf(p[1].t), 0x3bcdc876u) << "step = " << p[1].t;
    const float step = p[1].t;
    for (std::size_t i = 1; i < p.size(); ++i) {
        const float expected = p[i - 1].t + step;
        ASSERT_EQ(bitsOf(p[i].t), bitsOf(expected)) << "parameter of vertex " << i;
    }
}

TEST(RosettePass, EndsWhenTheAccumulatedParameterReachesAThousand)
{
    const std::vector<Vertex> &p = pass();
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.back().t, 999.99658203125f);
    const float next = p.back().t + p[1].t;
    EXPECT_EQ(next, 1000.0028686523438f);
    EXPECT_GE(next, 1000.0f);
}

TEST(RosettePass, FirstVertexIsTheCentre)
{
    const Vertex &first = pass().front();
    EXPECT_EQ(first.x, 0.0f);
    EXPECT_EQ(first.y, 0.0f);
    EXPECT_EQ(first.z, 0.0f);
}

TEST(RosettePass, SecondVertexIsNearTheCentreOnTheXAxis)
{
    const Vertex &second = pass()[1];
    EXPECT_NEAR(rosetteRadius(second.t), 0.0047905f, 5e-8f);
    EXPECT_NEAR(second.x, 0.033531f, 5e-7f);
    EXPECT_NEAR(second.y, 0.00042117f, 5e-9f);
    EXPECT_EQ(second.z, 0.0f);
}

TEST(RosettePass, EveryVertexIsBitEqualToTheDoublePrecisionRecipe)
{
    for (const Vertex &v : pass()) {
        const double r = 3.0 * (1.0 - std::cos(9.0 * static_cast<double>(v.t)));
        const double scale = 7.0 * static_cast<double>(static_cast<float>(r));
        const float x = static_cast<float>(scale * std::cos(2.0 * static_cast<double>(v.t)));
        const float y = static_cast<float>(scale * std::sin(2.0 * static_cast<double>(v.t)));
        ASSERT_EQ(bitsOf(v.x), bitsOf(x)) << "x at t = " << v.t << ": " << v.x << " instead of " << x;
        ASSERT_EQ(bitsOf(v.y), bitsOf(y)) << "y at t = " << v.t << ": " << v.y << " instead of " << y;
    }
}

TEST(RosettePass, EveryVertexLiesOnTheCurveAtTwiceTheParameterAsAngle)
{
    for (const Vertex &v : pass()) {
        const double distance = std::hypot(static_cast<double>(v.x), static_cast<double>(v.y));
        const double expected = 21.0 * (1.0 - std::cos(9.0 * static_cast<double>(v.t)));
        ASSERT_NEAR(distance, expected, 1e-4) << "distance from the centre at t = " << v.t;
        if (distance > 1e-3) {
            const double angle = std::atan2(static_cast<double>(v.y), static_cast<double>(v.x));
            const double turn = std::remainder(angle - 2.0 * static_cast<double>(v.t), 2.0 * pi);
            ASSERT_NEAR(turn, 0.0, 1e-3) << "polar angle at t = " << v.t;
        }
    }
}

TEST(RosettePass, LiesInThePlaneZEqualsZeroWithinItsBounds)
{
    float minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const Vertex &v : pass()) {
        ASSERT_EQ(v.z, 0.0f) << "z at t = " << v.t;
        ASSERT_LE(std::hypot(v.x, v.y), 42.0f + 1e-4f) << "distance from the centre at t = " << v.t;
        minX = std::min(minX, v.x);
        maxX = std::max(maxX, v.x);
        minY = std::min(minY, v.y);
        maxY = std::max(maxY, v.y);
    }
    EXPECT_NEAR(minX, -39.70f, 0.01f);
    EXPECT_NEAR(maxX, 42.00f, 0.01f);
    EXPECT_NEAR(minY, -41.42f, 0.01f);
    EXPECT_NEAR(maxY, 41.42f, 0.01f);
}

TEST(RosettePass, PlacesTheNineTipsFortyDegreesApart)
{
    // Each of the nine directions k * 40 degrees holds a point close to the tip distance 42.
    for (int k = 0; k < 9; ++k) {
        const double direction = k * 40.0 * pi / 180.0;
        double farthest = 0.0;
        for (const Vertex &v : pass()) {
            const double angle = std::atan2(static_cast<double>(v.y), static_cast<double>(v.x));
            if (std::fabs(std::remainder(angle - direction, 2.0 * pi)) < 0.01) {
                farthest = std::max(farthest, std::hypot(static_cast<double>(v.x), static_cast<double>(v.y)));
            }
        }
        EXPECT_NEAR(farthest, 42.0, 0.01) << "tip at " << k * 40 << " degrees";
    }
}

TEST(RosettePass, IsTheSameOnEveryPass)
{
    const std::vector<Vertex> again = recordPass();
    ASSERT_EQ(again.size(), pass().size());
    EXPECT_EQ(std::memcmp(again.data(), pass().data(), again.size() * sizeof(Vertex)), 0);
}

} // namespace
