#pragma once

// Checks on pictures of the rosette: pixel probes with explicit tolerances that say which pixel
// was wrong and by how much, and where the figure's points must land in a window of a given size.

#include "xsupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
};

std::ostream &operator<<(std::ostream &out, Rgb colour);

const Rgb white{255, 255, 255};
const Rgb grey{90, 90, 90};

// The colour at (x, y), counted from the lower-left corner.
Rgb pixelAt(const Image &image, int x, int y);

// The pixel at (x, y) has the expected colour, each channel within tolerance.
testing::AssertionResult probePixel(const Image &image, int x, int y, Rgb expected, int tolerance);

// Every pixel is either the background or the figure's colour, each channel within tolerance.
testing::AssertionResult onlyColours(const Image &image, Rgb background, Rgb figure, int tolerance);

// The two pictures agree pixel for pixel, each channel within tolerance.
testing::AssertionResult samePicture(const Image &actual, const Image &expected, int tolerance);

// The smallest box around the pixels of one colour, and how many there are.
struct Box {
    int left = INT_MAX, bottom = INT_MAX, right = INT_MIN, top = INT_MIN;
    long count = 0;
};
Box boundsOf(const Image &image, Rgb colour);

// A window size, as the tests' parameter.
struct Size {
    int width, height;
};
void PrintTo(const Size &size, std::ostream *out);

// The size as a test name: "1000x500".
std::string sizeName(const ::testing::TestParamInfo<Size> &info);

// The figure's box in a window of the given size is its box in a 500 x 500 window scaled by
// the window's width and height, within a pixel and the scale's rounding.
testing::AssertionResult stretchedFrom(const Box &stretched, const Box &square, Size size);

// One point in window coordinates: pixels from the lower-left corner, depth from 0 to 1.
struct WindowPoint {
    double x, y, z;
};

// Where the figure point (x, y, 0) lands in a width x height window: the figure moved 70 units
// up, seen through the camera at (100, 10, 150) looking at (30, 30, 0) and the frustum
// (-100, 100, -100, 100, 150, 2000), all in double precision.
WindowPoint projectFigurePoint(float x, float y, int width, int height);

// The window position of every point of one pass, in drawing order.
std::vector<WindowPoint> projectPass(int width, int height);

// The box of pixels that the projected points fall in.
Box projectedBounds(const std::vector<WindowPoint> &points);

// How many different pixels the projected points fall in.
long distinctPixels(const std::vector<WindowPoint> &points);

// The picture shows the projected points and nothing else: every projected point has a figure
// pixel within reach pixels of it, and every figure pixel has a projected point within reach.
testing::AssertionResult matchesProjection(const Image &image, const std::vector<WindowPoint> &points, int reach);
