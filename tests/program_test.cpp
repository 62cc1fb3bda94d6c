// The real program, started as a child process on a private virtual X server and watched from
// outside through Xlib: its window, its picture, and how it answers the window system.
#include "picture.h"
#include "xsupport.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Where a window stands on the screen and how large it is.
struct Geometry {
    int x, y, width, height;
};

Geometry geometryOf(Display *display, Window window)
{
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return {x, y, attributes.width, attributes.height};
}

// How a child process ended, in words.
std::string describeStatus(int status)
{
    if (WIFEXITED(status)) {
        return "exit status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return "signal " + std::to_string(WTERMSIG(status));
    }
    return "wait status " + std::to_string(status);
}

// The program under test: the one built beside the tests, or the one ROSETTE_UNDER_TEST names
// (an installed copy, say).
std::string programPath()
{
    const char *chosen = std::getenv("ROSETTE_UNDER_TEST");
    return chosen != nullptr && *chosen != '\0' ? chosen : ROSETTE_PATH;
}

// Each test gets its own X server and starts the program on it.
class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        server_ = startXvfb(&error);
        ASSERT_GT(server_.pid, 0) << error;
        display_ = XOpenDisplay(server_.display.c_str());
        ASSERT_NE(display_, nullptr) << "cannot connect to " << server_.display;
        errorPath_ = ::testing::TempDir() + "rosette-stderr-" + std::to_string(getpid());
    }

    void TearDown() override
    {
        killProgram(program_);
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
        stopXvfb(server_);
        std::remove(errorPath_.c_str());
    }

    // Starts the program with the given arguments and waits for its window.
    Window launch(const std::vector<std::string> &args = {})
    {
        program_ = spawnProgram(programPath(), args, server_.display, errorPath_);
        EXPECT_GT(program_, 0) << "cannot start " << programPath();
        std::string why;
        const Window window = waitForProgramWindow(display_, program_, ":)", 15000, &why);
        EXPECT_NE(window, 0u) << why << "; standard error: " << errorOutput();
        return window;
    }

    // Reads the window until done accepts the picture or ten seconds pass; the last read.
    Image waitFor(Window window, const std::function<bool(const Image &)> &done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        Image picture = grabWindow(display_, window);
        while (!done(picture) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            picture = grabWindow(display_, window);
        }
        return picture;
    }

    // Waits for a complete picture of the given size: only white and the figure's grey, and
    // the figure in the place the camera gives.
    Image waitForRosette(Window window, int width, int height)
    {
        const std::vector<WindowPoint> points = projectPass(width, height);
        return waitFor(window, [&](const Image &picture) {
            return picture.width == width && picture.height == height && onlyColours(picture, white, grey, 0) &&
                   matchesProjection(picture, points, 1);
        });
    }

    // Checks that the picture is the rosette as it must look in a width x height window.
    void expectRosette(const Image &picture, int width, int height)
    {
        ASSERT_EQ(picture.width, width);
        ASSERT_EQ(picture.height, height);
        EXPECT_TRUE(onlyColours(picture, white, grey, 0));
        EXPECT_TRUE(matchesProjection(picture, projectPass(width, height), 1));
    }

    // What the program wrote to its standard error.
    std::string errorOutput() const
    {
        std::ifstream in(errorPath_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    XvfbServer server_;
    Display *display_ = nullptr;
    pid_t program_ = -1;
    std::string errorPath_;
};

TEST_F(Program, OpensOneWindowTitledSmileyAt100x100Of500x500)
{
    const Window window = launch();
    ASSERT_NE(window, 0u);
    char *title = nullptr;
    ASSERT_NE(XFetchName(display_, window, &title), 0);
    EXPECT_STREQ(title, ":)");
    XFree(title);

    const Geometry geometry = geometryOf(display_, window);
    EXPECT_EQ(geometry.x, 100);
    EXPECT_EQ(geometry.y, 100);
    EXPECT_EQ(geometry.width, 500);
    EXPECT_EQ(geometry.height, 500);

    // Exactly one window of the program's is shown.
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count);
    int shown = 0;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        XGetWindowAttributes(display_, children[i], &attributes);
        shown += attributes.map_state == IsViewable ? 1 : 0;
    }
    XFree(children);
    EXPECT_EQ(shown, 1) << "windows shown on the screen";
}

TEST_F(Program, ShowsTheGreyRosetteLeftOfAndAboveTheMiddle)
{
    const Window window = launch();
    ASSERT_NE(window, 0u);
    const Image picture = waitForRosette(window, 500, 500);
    expectRosette(picture, 500, 500);
    const Box drawn = boundsOf(picture, grey);
    EXPECT_NEAR(drawn.left, 131, 2);
    EXPECT_NEAR(drawn.right, 275, 2);
    EXPECT_NEAR(drawn.bottom, 244, 2);
    EXPECT_NEAR(drawn.top, 411, 2);
    EXPECT_TRUE(probePixel(picture, 195, 328, grey, 0)) << "the figure's centre";
}

TEST_F(Program, RepaintsTheSamePictureWhenExposed)
{
    const Window window = launch();
    ASSERT_NE(window, 0u);
    const Image first = waitForRosette(window, 500, 500);
    expectRosette(first, 500, 500);

    // Paint the window over in black, then tell the program its window needs repainting.
    GC gc = XCreateGC(display_, window, 0, nullptr);
    XSetForeground(display_, gc, BlackPixel(display_, DefaultScreen(display_)));
    XFillRectangle(display_, window, gc, 0, 0, 500, 500);
    XFreeGC(display_, gc);
    XSync(display_, False);
    ASSERT_TRUE(probePixel(grabWindow(display_, window), 250, 250, Rgb{0, 0, 0}, 0))
        << "the window was not painted over";

    XClearArea(display_, window, 0, 0, 0, 0, True);
    XSync(display_, False);
    const Image repainted = waitFor(window, [&](const Image &picture) { return samePicture(picture, first, 0); });
    EXPECT_TRUE(samePicture(repainted, first, 0));
}

class Resized : public Program, public ::testing::WithParamInterface<Size> {};

TEST_P(Resized, StretchesThePictureWithTheWindow)
{
    const Window window = launch();
    ASSERT_NE(window, 0u);
    const Box square = boundsOf(waitForRosette(window, 500, 500), grey);

    const Size size = GetParam();
    XResizeWindow(display_, window, static_cast<unsigned>(size.width), static_cast<unsigned>(size.height));
    XSync(display_, False);
    const Image picture = waitForRosette(window, size.width, size.height);
    expectRosette(picture, size.width, size.height);

    EXPECT_TRUE(stretchedFrom(boundsOf(picture, grey), square, size));

    // And back: shrinking exposes nothing new, yet the picture must follow the window.
    XResizeWindow(display_, window, 500, 500);
    XSync(display_, False);
    expectRosette(waitForRosette(window, 500, 500), 500, 500);
}

INSTANTIATE_TEST_SUITE_P(Window, Resized, ::testing::Values(Size{1000, 500}, Size{500, 1000}, Size{300, 200}),
                         sizeName);

// Command lines that must leave the window and picture exactly as without arguments.
struct Arguments {
    const char *name;
    std::vector<std::string> args;
};

void PrintTo(const Arguments &arguments, std::ostream *out)
{
    // Quoted, with bytes outside printable ASCII written as hexadecimal escapes.
    for (const std::string &arg : arguments.args) {
        *out << '"';
        for (const char c : arg) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte < 0x7f) {
                *out << c;
            } else {
                static const char digits[] = "0123456789abcdef";
                *out << "\\x" << digits[byte >> 4] << digits[byte & 0xf];
            }
        }
        *out << "\" ";
    }
}

class CommandLine : public Program, public ::testing::WithParamInterface<Arguments> {};

TEST_P(CommandLine, ChangesNeitherWindowNorPicture)
{
    const Window window = launch(GetParam().args);
    ASSERT_NE(window, 0u);
    const Geometry geometry = geometryOf(display_, window);
    EXPECT_EQ(geometry.x, 100);
    EXPECT_EQ(geometry.y, 100);
    EXPECT_EQ(geometry.width, 500);
    EXPECT_EQ(geometry.height, 500);
    expectRosette(waitForRosette(window, 500, 500), 500, 500);
}

INSTANTIATE_TEST_SUITE_P(Toolkit, CommandLine,
                         ::testing::Values(Arguments{"Geometry", {"-geometry", "10x10+0+0"}},
                                           Arguments{"UnknownOptions", {"--size", "9", "-x", "figure.txt", "--", "-v"}},
                                           Arguments{"EmptyAndOddArguments", {"", " ", "-", "%s%n", "\xff\xfe"}}),
                         [](const ::testing::TestParamInfo<Arguments> &p) { return std::string(p.param.name); });

TEST_F(Program, EndsWithTheToolkitsMessageWhenTheDisplayCannotBeReached)
{
    const std::string missing = ":" + std::to_string(60000 + getpid() % 5000);
    program_ = spawnProgram(programPath(), {"-display", missing}, server_.display, errorPath_);
    ASSERT_GT(program_, 0);
    int status = 0;
    ASSERT_TRUE(waitForExit(program_, 10000, &status)) << "the program did not end";
    program_ = -1;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by " << describeStatus(status);
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_NE(errorOutput().find("failed to open display"), std::string::npos) << "standard error: " << errorOutput();
    EXPECT_NE(errorOutput().find(missing), std::string::npos) << "standard error: " << errorOutput();
}

TEST_F(Program, ExitsWithStatusZeroWhenItsWindowIsClosed)
{
    const Window window = launch();
    ASSERT_NE(window, 0u);
    expectRosette(waitForRosette(window, 500, 500), 500, 500);

    const Atom protocols = XInternAtom(display_, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    Atom *offered = nullptr;
    int count = 0;
    ASSERT_NE(XGetWMProtocols(display_, window, &offered, &count), 0);
    const bool acceptsClose = std::find(offered, offered + count, deleteWindow) != offered + count;
    XFree(offered);
    ASSERT_TRUE(acceptsClose) << "the window does not take part in WM_DELETE_WINDOW";

    // What a window manager sends when the user closes the window.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = protocols;
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(deleteWindow);
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &close);
    XSync(display_, False);

    int status = 0;
    ASSERT_TRUE(waitForExit(program_, 10000, &status)) << "the program did not end after its window was closed";
    program_ = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "ended with " << describeStatus(status) << "; standard error: " << errorOutput();
}

TEST_F(Program, EndsWhenTheXServerGoesAway)
{
    const Window window = launch();
    ASSERT_NE(window, 0u);
    expectRosette(waitForRosette(window, 500, 500), 500, 500);

    XCloseDisplay(display_);
    display_ = nullptr;
    stopXvfb(server_);

    int status = 0;
    ASSERT_TRUE(waitForExit(program_, 10000, &status)) << "the program hangs after its X server ended";
    program_ = -1;
    EXPECT_TRUE(WIFEXITED(status)) << "ended by " << describeStatus(status) << " instead of exiting";
}

// ---------------------------------------------------------------------------------------------
// The harness and the screenshot tool that stand in for a display

TEST(Harness, NamesThePackageToInstallWhenXvfbIsMissing)
{
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    std::string error;
    XvfbServer server = startXvfb(&error);
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(server.pid, -1);
    EXPECT_NE(error.find("install the Debian package 'xvfb'"), std::string::npos) << "message: " << error;
}

// Reads an RGB PNG file into an image with rows from the bottom up; empty if it cannot.
Image readPng(const std::string &path)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    Image image;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        return image;
    }
    png.format = PNG_FORMAT_RGB;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    const png_int_32 stride = -static_cast<png_int_32>(image.width * 3);
    if (png_image_finish_read(&png, nullptr, image.rgb.data(), stride, nullptr) == 0) {
        return Image{};
    }
    return image;
}

TEST(Screenshot, SavesThePictureTheProgramShowsAsPng)
{
    const std::string output = ::testing::TempDir() + "rosette-screenshot-" + std::to_string(getpid()) + ".png";
    const pid_t tool = spawnProgram(SCREENSHOT_PATH, {output, programPath()}, "", "");
    ASSERT_GT(tool, 0);
    int status = 0;
    ASSERT_TRUE(waitForExit(tool, 60000, &status)) << "the screenshot tool did not finish";
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "ended with " << describeStatus(status);

    const Image picture = readPng(output);
    std::remove(output.c_str());
    ASSERT_EQ(picture.width, 500);
    ASSERT_EQ(picture.height, 500);
    EXPECT_TRUE(onlyColours(picture, white, grey, 0));
    EXPECT_TRUE(matchesProjection(picture, projectPass(500, 500), 1));
}

TEST(Screenshot, FailsWhenTheProgramShowsNoWindow)
{
    const std::string output = ::testing::TempDir() + "rosette-no-window-" + std::to_string(getpid()) + ".png";
    const pid_t tool = spawnProgram(SCREENSHOT_PATH, {output, "/bin/false"}, "", "/dev/null");
    ASSERT_GT(tool, 0);
    int status = 0;
    ASSERT_TRUE(waitForExit(tool, 60000, &status)) << "the screenshot tool did not finish";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << "ended with " << describeStatus(status);
    EXPECT_NE(access(output.c_str(), F_OK), 0) << "a picture was saved although no window appeared";
}

} // namespace
