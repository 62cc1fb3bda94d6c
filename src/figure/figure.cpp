#include "figure/figure.h"

#if defined(__APPLE__)
#include <GLUT/glut.h>
#else
#include <GL/glut.h>
#endif

// The curve's radius; the product 9t is exact in double precision.
float rosetteRadius(float t)
{
    return static_cast<float>(3.0 * (1.0 - std::cos(static_cast<double>(9.0f) * static_cast<double>(t))));
}

// Draws one complete picture: every point is recomputed and sent on every repaint.
void displayFigure()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3ub(90, 90, 90);
    glEnable(GL_DEPTH_TEST);

    // The translation is undone after drawing, so that repaints without a reshape in
    // between keep the figure's centre at (0, 70, 0) instead of climbing 70 units each time.
    glPushMatrix();
    glTranslatef(0.0f, 70.0f, 0.0f);
    glBegin(GL_POINTS);
    forEachRosettePoint([](float, float x, float y, float z) { glVertex3f(x, y, z); });
    glEnd();
    glPopMatrix();

    glFlush();
    glDisable(GL_DEPTH_TEST);
}
