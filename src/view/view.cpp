#include "view/view.h"

#if defined(__APPLE__)
#include <GLUT/glut.h>
#else
#include <GL/glut.h>
#endif

// Only the viewport follows the window; the projection stays square, so a window that is
// not square stretches the picture along its longer side.
void reshapeView(int width, int height)
{
    glViewport(0, 0, width, height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-100.0, 100.0, -100.0, 100.0, 150.0, 2000.0);

    // The camera stands right of, below and in front of the figure and looks at it at a slant.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(100.0, 10.0, 150.0, 30.0, 30.0, 0.0, 0.0, 1.0, 0.0);
}
