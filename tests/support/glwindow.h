#pragma once

// The program's window, opened inside a test or benchmark process on a private virtual X server
// so that the program's own functions can be called and their picture read back.

#include "xsupport.h"

#include <string>

// Starts Xvfb, points DISPLAY at it and opens a window exactly as the program does (500 x 500
// at (100, 100), titled ":)", RGBA, single-buffered, with depth), with the program's one-time
// state set. The toolkit's own handlers do nothing: callers draw themselves. On failure the
// returned server's pid is -1 and *error says why.
XvfbServer openProgramWindow(int *argc, char **argv, std::string *error);

// Closes the toolkit's connection and stops the server.
void closeProgramWindow(XvfbServer &server);

// Resizes the window and waits until the window system and the renderer have taken it up.
bool resizeProgramWindow(int width, int height);

// Reads the lower-left width x height pixels of the window once drawing has finished.
Image readPicture(int width, int height);
