#pragma once

// Helpers for running the program on a private virtual X server and reading back what it shows.

#include <string>
#include <sys/types.h>
#include <vector>

// The Xlib types used below, declared as Xlib declares them so that this header does not bring
// in Xlib's macros (None, Bool, Status, ...), which clash with other headers.
struct _XDisplay; // NOLINT(bugprone-reserved-identifier): Xlib's own name
using Display = struct _XDisplay;
using Window = unsigned long;

// An RGB picture with rows from the bottom up, the order OpenGL reads pixels in.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// A virtual X server (Xvfb) started for this process, and the display name that reaches it.
struct XvfbServer {
    pid_t pid = -1;
    std::string display;
};

// Starts Xvfb on a free display number with a 1600 x 1200 true-colour screen. On failure the
// returned pid is -1 and *error says why, naming the package to install where Xvfb is missing.
XvfbServer startXvfb(std::string *error);

// Stops the server and waits for it to end.
void stopXvfb(XvfbServer &server);

// Starts program with args and DISPLAY set to display; its standard error goes to errorPath
// when that is not empty. Returns the child's pid, or -1.
pid_t spawnProgram(const std::string &program, const std::vector<std::string> &args, const std::string &display,
                   const std::string &errorPath);

// Waits up to timeoutMs for the child to end; true and its raw wait status when it did.
bool waitForExit(pid_t pid, int timeoutMs, int *status);

// Ends the child with SIGKILL if it still runs, and reaps it.
void killProgram(pid_t pid);

// Finds a top-level window whose title is title, waiting up to timeoutMs; 0 if none appears.
Window findWindowByTitle(Display *display, const std::string &title, int timeoutMs);

// Waits up to timeoutMs for the window that the child pid shows under title. Gives 0, and says
// why in *why, when the window does not appear or the child ends first; the child is not reaped.
Window waitForProgramWindow(Display *display, pid_t pid, const std::string &title, int timeoutMs, std::string *why);

// Reads the window's current contents from the X server.
Image grabWindow(Display *display, Window window);

// Waits up to timeoutMs until the window is width x height and shows a settled picture (two
// reads a short while apart agree and something other than white is drawn). Returns the last
// read, empty if the window never got that size.
Image waitForPicture(Display *display, Window window, int width, int height, int timeoutMs);

// Writes the image as an 8-bit RGB PNG file; false if the file cannot be written.
bool writePng(const Image &image, const std::string &path);
