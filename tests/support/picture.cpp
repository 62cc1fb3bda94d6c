#include "picture.h"

#include "figure/figure.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Largest difference between two colours over the three channels.
int distance(Rgb a, Rgb b)
{
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

// A mask of the pixels the projected points fall in.
std::vector<bool> projectedMask(const std::vector<WindowPoint> &points, int width, int height)
{
    std::vector<bool> mask(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), false);
    for (const WindowPoint &p : points) {
        const int x = static_cast<int>(std::floor(p.x));
        const int y = static_cast<int>(std::floor(p.y));
        if (x >= 0 && x < width && y >= 0 && y < height) {
            mask[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = true;
        }
    }
    return mask;
}

// Is any pixel within reach of (x, y) set in the mask?
bool nearby(const std::vector<bool> &mask, int width, int height, int x, int y, int reach)
{
    for (int j = std::max(0, y - reach); j <= std::min(height - 1, y + reach); ++j) {
        for (int i = std::max(0, x - reach); i <= std::min(width - 1, x + reach); ++i) {
            if (mask[static_cast<std::size_t>(j) * static_cast<std::size_t>(width) + static_cast<std::size_t>(i)]) {
                return true;
            }
        }
    }
    return false;
}

// Grows the box to take in pixel (x, y).
void extend(Box &box, int x, int y)
{
    box.left = std::min(box.left, x);
    box.right = std::max(box.right, x);
    box.bottom = std::min(box.bottom, y);
    box.top = std::max(box.top, y);
    ++box.count;
}

struct Vec3 {
    double x, y, z;
};

Vec3 minus(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 normalised(Vec3 a)
{
    const double length = std::sqrt(dot(a, a));
    return {a.x / length, a.y / length, a.z / length};
}

} // namespace

std::ostream &operator<<(std::ostream &out, Rgb c)
{
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb pixelAt(const Image &image, int x, int y)
{
    const unsigned char *p =
        &image.rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) *
                   3];
    return {p[0], p[1], p[2]};
}

testing::AssertionResult probePixel(const Image &image, int x, int y, Rgb expected, int tolerance)
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) {
        return testing::AssertionFailure() << "pixel (" << x << ", " << y << ") lies outside the " << image.width
                                           << " x " << image.height << " picture";
    }
    const Rgb actual = pixelAt(image, x, y);
    if (distance(actual, expected) > tolerance) {
        return testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << actual << ", expected " << expected << " +- " << tolerance
               << ": off by " << distance(actual, expected);
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult onlyColours(const Image &image, Rgb background, Rgb figure, int tolerance)
{
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb actual = pixelAt(image, x, y);
            if (distance(actual, background) > tolerance && distance(actual, figure) > tolerance) {
                return testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << actual << ", neither the background " << background
                       << " nor the figure's " << figure << " +- " << tolerance << ": off by "
                       << std::min(distance(actual, background), distance(actual, figure));
            }
        }
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult samePicture(const Image &actual, const Image &expected, int tolerance)
{
    if (actual.width != expected.width || actual.height != expected.height) {
        return testing::AssertionFailure() << "the picture is " << actual.width << " x " << actual.height
                                           << ", expected " << expected.width << " x " << expected.height;
    }
    long differing = 0;
    int firstX = -1, firstY = -1;
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            if (distance(pixelAt(actual, x, y), pixelAt(expected, x, y)) > tolerance) {
                if (differing++ == 0) {
                    firstX = x;
                    firstY = y;
                }
            }
        }
    }
    if (differing > 0) {
        return testing::AssertionFailure() << differing << " pixels differ; the first is (" << firstX << ", " << firstY
                                           << "): " << pixelAt(actual, firstX, firstY) << ", expected "
                                           << pixelAt(expected, firstX, firstY) << " +- " << tolerance;
    }
    return testing::AssertionSuccess();
}

Box boundsOf(const Image &image, Rgb colour)
{
    Box box;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (distance(pixelAt(image, x, y), colour) == 0) {
                extend(box, x, y);
            }
        }
    }
    return box;
}

void PrintTo(const Size &size, std::ostream *out)
{
    *out << size.width << " x " << size.height;
}

std::string sizeName(const ::testing::TestParamInfo<Size> &info)
{
    return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
}

testing::AssertionResult stretchedFrom(const Box &stretched, const Box &square, Size size)
{
    const double sx = size.width / 500.0, sy = size.height / 500.0;
    const struct {
        const char *side;
        int actual;
        double expected, tolerance;
    } sides[] = {{"left", stretched.left, square.left * sx, 1 + sx},
                 {"right", stretched.right, square.right * sx, 1 + sx},
                 {"bottom", stretched.bottom, square.bottom * sy, 1 + sy},
                 {"top", stretched.top, square.top * sy, 1 + sy}};
    for (const auto &s : sides) {
        if (std::fabs(s.actual - s.expected) > s.tolerance) {
            return testing::AssertionFailure() << "the figure's " << s.side << " edge is at " << s.actual
                                               << ", expected " << s.expected << " +- " << s.tolerance;
        }
    }
    return testing::AssertionSuccess();
}

WindowPoint projectFigurePoint(float x, float y, int width, int height)
{
    // The camera: eye, look-at point and up vector, as an orthonormal frame.
    const Vec3 eye{100.0, 10.0, 150.0};
    const Vec3 forward = normalised(minus(Vec3{30.0, 30.0, 0.0}, eye));
    const Vec3 side = normalised(cross(forward, Vec3{0.0, 1.0, 0.0}));
    const Vec3 up = cross(side, forward);

    const Vec3 relative = minus(Vec3{static_cast<double>(x), static_cast<double>(y) + 70.0, 0.0}, eye);
    const double eyeX = dot(side, relative);
    const double eyeY = dot(up, relative);
    const double eyeZ = -dot(forward, relative);

    // The frustum: near 150, far 2000, a 200 x 200 window on the near plane.
    const double nearPlane = 150.0, farPlane = 2000.0, halfSize = 100.0;
    const double w = -eyeZ;
    const double ndcX = (nearPlane / halfSize) * eyeX / w;
    const double ndcY = (nearPlane / halfSize) * eyeY / w;
    const double ndcZ = (-(farPlane + nearPlane) / (farPlane - nearPlane) * eyeZ -
                         2.0 * farPlane * nearPlane / (farPlane - nearPlane)) /
                        w;
    return {(ndcX + 1.0) * 0.5 * width, (ndcY + 1.0) * 0.5 * height, (ndcZ + 1.0) * 0.5};
}

std::vector<WindowPoint> projectPass(int width, int height)
{
    std::vector<WindowPoint> points;
    forEachRosettePoint(
        [&](float, float x, float y, float) { points.push_back(projectFigurePoint(x, y, width, height)); });
    return points;
}

Box projectedBounds(const std::vector<WindowPoint> &points)
{
    Box box;
    for (const WindowPoint &p : points) {
        extend(box, static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)));
    }
    return box;
}

long distinctPixels(const std::vector<WindowPoint> &points)
{
    const Box box = projectedBounds(points);
    const int width = box.right + 1, height = box.top + 1;
    const std::vector<bool> mask = projectedMask(points, width, height);
    return static_cast<long>(std::count(mask.begin(), mask.end(), true));
}

testing::AssertionResult matchesProjection(const Image &image, const std::vector<WindowPoint> &points, int reach)
{
    const std::vector<bool> expected = projectedMask(points, image.width, image.height);
    std::vector<bool> drawn(expected.size(), false);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            drawn[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)] =
                distance(pixelAt(image, x, y), white) != 0;
        }
    }
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::size_t at =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x);
            if (drawn[at] && !nearby(expected, image.width, image.height, x, y, reach)) {
                return testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << pixelAt(image, x, y)
                       << " but no point of the figure lands within " << reach << " pixels of it";
            }
            if (expected[at] && !nearby(drawn, image.width, image.height, x, y, reach)) {
                return testing::AssertionFailure()
                       << "a point of the figure lands in pixel (" << x << ", " << y << ") but nothing is drawn within "
                       << reach << " pixels of it; the pixel is " << pixelAt(image, x, y);
            }
        }
    }
    return testing::AssertionSuccess();
}
