// Runs a program on its own virtual X server and saves its window as a PNG file:
//     rosette-screenshot OUTPUT.png PROGRAM [ARGUMENTS...]
// The window is the one titled ":)"; the picture is taken once it has settled.
#include "xsupport.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

// Waits up to twenty seconds for the program's window; 0 if the program ends or shows none.
Window waitForWindow(Display *display, pid_t program)
{
    for (int tries = 0; tries < 100; ++tries) {
        const Window window = findWindowByTitle(display, ":)", 200);
        if (window != 0) {
            return window;
        }
        // Has the program ended? Asked without reaping it, so that its pid stays its own.
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(program), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == program) {
            std::fprintf(stderr, "the program ended before it showed its window (status %d)\n", info.si_status);
            return 0;
        }
    }
    std::fprintf(stderr, "no window titled \":)\" appeared\n");
    return 0;
}

// Finds the program's window on the server and saves its picture; false with a message if not.
bool capture(const std::string &displayName, pid_t program, const std::string &outputPath)
{
    Display *display = XOpenDisplay(displayName.c_str());
    if (display == nullptr) {
        std::fprintf(stderr, "cannot connect to the virtual X server %s\n", displayName.c_str());
        return false;
    }
    bool saved = false;
    const Window window = waitForWindow(display, program);
    if (window != 0) {
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
