#pragma once

#include <cmath>

// Radius of the nine-lobed rosette at parameter t: 3 (1 - cos 9t), always between 0 and 6.
float rosetteRadius(float t);

// Hands every point of one pass over the rosette, centred on the origin, to
// visit(t, x, y, z), where t is the curve parameter the point was computed from.
// The parameter runs in single precision up to 1000 rather than one period, so the closed
// curve is traced about 159 times and the points fill it densely; products and trigonometry
// are done in double precision and each coordinate is rounded to single precision.
template <typename Visit>
void forEachRosettePoint(Visit &&visit)
{
    const int pointCount = 1000;
    const float sweepStep = static_cast<float>(static_cast<double>(6.28f) / pointCount);

    // The parameter is accumulated in single precision on purpose: its rounding decides how many
    // points a pass has (159,092) and where each one lies.
    // NOLINTNEXTLINE(clang-analyzer-security.FloatLoopCounter)
    for (float t = 0.0f; t < static_cast<float>(pointCount); t += sweepStep) {
        const float r = rosetteRadius(t);
        const double scale = 7.0 * static_cast<double>(r);
        const double angle = 2.0 * static_cast<double>(t);
        const float x = static_cast<float>(scale * std::cos(angle));
        const float y = static_cast<float>(scale * std::sin(angle));
        visit(t, x, y, 0.0f);
    }
}

// Display handler: clears the window and draws the rosette as grey points, centred at (0, 70, 0).
void displayFigure();
