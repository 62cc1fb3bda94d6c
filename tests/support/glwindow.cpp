#include "glwindow.h"

#include "app/app.h"

#include <GL/freeglut.h>

#include <chrono>
#include <cstdlib>

namespace {

// The toolkit may ask for a repaint while events are pumped; the callers draw themselves.
void ignoreDisplay() {}
void ignoreReshape(int, int) {}

} // namespace

XvfbServer openProgramWindow(int *argc, char **argv, std::string *error)
{
    XvfbServer server = startXvfb(error);
    if (server.pid < 0) {
        return server;
    }
    setenv("DISPLAY", server.display.c_str(), 1);
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_SINGLE | GLUT_DEPTH);
    glutInitWindowSize(500, 500);
    glutInitWindowPosition(100, 100);
    glutCreateWindow(":)");
    initScene();
    glutDisplayFunc(ignoreDisplay);
    glutReshapeFunc(ignoreReshape);
    return server;
}

void closeProgramWindow(XvfbServer &server)
{
    glutExit();
    stopXvfb(server);
}

bool resizeProgramWindow(int width, int height)
{
    glutReshapeWindow(width, height);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        glutMainLoopEvent();
        if (glutGet(GLUT_WINDOW_WIDTH) == width && glutGet(GLUT_WINDOW_HEIGHT) == height) {
            // Mesa takes up a window's new size at the next flush; without one, the first
            // pass after a resize would still draw into a buffer of the old size.
            glFlush();
            return true;
        }
    }
    return false;
}

Image readPicture(int width, int height)
{
    glFinish();
    Image image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_FRONT);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, image.rgb.data());
    return image;
}
