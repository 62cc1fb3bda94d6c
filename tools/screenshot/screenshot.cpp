// Runs a program on its own virtual X server and saves its window as a PNG file:
//     rosette-screenshot OUTPUT.png PROGRAM [ARGUMENTS...]
// The window is the one titled ":)"; the picture is taken once it has settled.
#include "xsupport.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Finds the program's window on the server and saves its picture; false with a message if not.
bool capture(const std::string &displayName, pid_t program, const std::string &outputPath)
{
    Display *display = XOpenDisplay(displayName.c_str());
    if (display == nullptr) {
        std::fprintf(stderr, "cannot connect to the virtual X server %s\n", displayName.c_str());
        return false;
    }
    bool saved = false;
    std::string why;
    const Window window = waitForProgramWindow(display, program, ":)", 20000, &why);
    if (window == 0) {
        std::fprintf(stderr, "%s\n", why.c_str());
    } else {
        XWindowAttributes attributes;
        XGetWindowAttributes(display, window, &attributes);
        const Image picture = waitForPicture(display, window, attributes.width, attributes.height, 20000);
        saved = !picture.rgb.empty() && writePng(picture, outputPath);
        if (!saved) {
            std::fprintf(stderr, "cannot save the picture to %s\n", outputPath.c_str());
        }
    }
    XCloseDisplay(display);
    return saved;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.png PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    std::string error;
    XvfbServer server = startXvfb(&error);
    if (server.pid < 0) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::vector<std::string> args(argv + 3, argv + argc);
    const pid_t program = spawnProgram(argv[2], args, server.display, "");
    const bool saved = program > 0 && capture(server.display, program, argv[1]);
    killProgram(program);
    stopXvfb(server);
    return saved ? 0 : 1;
}
