#include "app/app.h"
#include "figure/figure.h"
#include "view/view.h"

#if defined(__APPLE__)
#include <GLUT/glut.h>
#else
#include <GL/glut.h>
#endif

// Opens the window, installs the two handlers and hands control to the toolkit.
int main(int argc, char **argv)
{
    // The toolkit takes its own options from the command line; the program reads none.
    glutInit(&argc, argv);

    // RGBA and single buffering are the toolkit's zero-valued defaults; a depth buffer is added.
    glutInitDisplayMode(GLUT_RGBA | GLUT_SINGLE | GLUT_DEPTH);
    // Set after glutInit, so these win over any geometry given on the command line.
    glutInitWindowSize(500, 500);
    glutInitWindowPosition(100, 100);
    glutCreateWindow(":)");

    initScene();
    glutDisplayFunc(displayFigure);
    glutReshapeFunc(reshapeView);
    glutMainLoop();
    return 0;
}
