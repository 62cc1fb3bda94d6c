// The picture, drawn for real: a GLUT window in this process on a private virtual X server,
// set up as the program sets up its own, then read back pixel by pixel and through feedback mode.
#include "figure/figure.h"
#include "glwindow.h"
#include "picture.h"
#include "view/view.h"
#include "xsupport.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace {

using Matrix = std::array<GLdouble, 16>;

// The matrices and viewport that a reshape leaves behind.
struct ViewState {
    Matrix projection{};
    Matrix modelview{};
    std::array<GLint, 4> viewport{};
};

ViewState currentViewState()
{
    ViewState state;
    glGetDoublev(GL_PROJECTION_MATRIX, state.projection.data());
    glGetDoublev(GL_MODELVIEW_MATRIX, state.modelview.data());
    glGetIntegerv(GL_VIEWPORT, state.viewport.data());
    return state;
}

// Resizes the test window, failing the test if the window system does not follow.
void resizeWindow(int width, int height)
{
    ASSERT_TRUE(resizeProgramWindow(width, height)) << "the window did not reach " << width << " x " << height;
}

// A reshape to the window's size followed by one repaint, as the toolkit would call them.
Image drawAt(int width, int height)
{
    reshapeView(width, height);
    displayFigure();
    return readPicture(width, height);
}

// Records one pass in feedback mode: the window position of every point that survives clipping.
std::vector<WindowPoint> feedbackPass()
{
    std::vector<GLfloat> buffer(159092 * 4 + 4096);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    displayFigure();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<WindowPoint> points;
    for (GLint i = 0; i + 3 < used; i += 4) {
        if (buffer[static_cast<std::size_t>(i)] != static_cast<GLfloat>(GL_POINT_TOKEN)) {
            ADD_FAILURE() << "feedback entry " << i << " is not a point";
            break;
        }
        points.push_back({buffer[static_cast<std::size_t>(i) + 1], buffer[static_cast<std::size_t>(i) + 2],
                          buffer[static_cast<std::size_t>(i) + 3]});
    }
    EXPECT_GE(used, 0) << "the feedback buffer overflowed";
    return points;
}

// Every test starts from the program's window at its initial size and freshly reshaped.
class Render : public ::testing::Test {
protected:
    void SetUp() override
    {
        resizeWindow(500, 500);
        reshapeView(500, 500);
    }
    void TearDown() override
    {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "OpenGL reported an error";
    }
};

TEST_F(Render, DrawsOnlyGreyPointsOnWhite)
{
    displayFigure();
    const Image picture = readPicture(500, 500);
    EXPECT_TRUE(onlyColours(picture, white, grey, 0));
    EXPECT_TRUE(probePixel(picture, 0, 0, white, 0));
    EXPECT_TRUE(probePixel(picture, 499, 499, white, 0));
    // The points fill the curve: about as many pixels are grey as the projected points cover.
    const long covered = distinctPixels(projectPass(500, 500));
    EXPECT_NEAR(static_cast<double>(boundsOf(picture, grey).count), static_cast<double>(covered),
                0.05 * static_cast<double>(covered));
}

TEST_F(Render, PlacesTheFigureLeftOfAndAboveTheMiddle)
{
    displayFigure();
    const Box drawn = boundsOf(readPicture(500, 500), grey);
    // Where the figure must lie in a 500 x 500 window, in pixels from the lower-left corner.
    EXPECT_NEAR(drawn.left, 131, 2);
    EXPECT_NEAR(drawn.right, 275, 2);
    EXPECT_NEAR(drawn.bottom, 244, 2);
    EXPECT_NEAR(drawn.top, 411, 2);

    const Box projected = projectedBounds(projectPass(500, 500));
    EXPECT_NEAR(drawn.left, projected.left, 1);
    EXPECT_NEAR(drawn.right, projected.right, 1);
    EXPECT_NEAR(drawn.bottom, projected.bottom, 1);
    EXPECT_NEAR(drawn.top, projected.top, 1);
}

TEST_F(Render, PutsTheFiguresCentreNearPixel195x328)
{
    const WindowPoint centre = projectFigurePoint(0.0f, 0.0f, 500, 500);
    EXPECT_NEAR(centre.x, 195.0, 1.0);
    EXPECT_NEAR(centre.y, 328.0, 1.0);

    displayFigure();
    // The centre is the first point of every pass, and all nine lobes meet there.
    EXPECT_TRUE(probePixel(readPicture(500, 500), static_cast<int>(centre.x), static_cast<int>(centre.y), grey, 0));
}

TEST_F(Render, ShowsEveryProjectedPointAndNothingElse)
{
    displayFigure();
    EXPECT_TRUE(matchesProjection(readPicture(500, 500), projectPass(500, 500), 1));
}

TEST_F(Render, SendsEveryPointToTheWindowPositionTheCameraGives)
{
    const std::vector<WindowPoint> expected = projectPass(500, 500);
    const std::vector<WindowPoint> drawn = feedbackPass();
    ASSERT_EQ(drawn.size(), 159092u) << "points reaching the window";
    ASSERT_EQ(drawn.size(), expected.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        ASSERT_NEAR(drawn[i].x, expected[i].x, 0.01) << "x of point " << i;
        ASSERT_NEAR(drawn[i].y, expected[i].y, 0.01) << "y of point " << i;
        ASSERT_NEAR(drawn[i].z, expected[i].z, 1e-4) << "depth of point " << i;
        ASSERT_GT(drawn[i].z, 0.0) << "point " << i << " is behind the near plane";
        ASSERT_LT(drawn[i].z, 1.0) << "point " << i << " is beyond the far plane";
    }
}

TEST_F(Render, RepaintsWithoutReshapeKeepTheFigureInPlace)
{
    const ViewState camera = currentViewState();
    displayFigure();
    const Image firstPicture = readPicture(500, 500);
    for (int repaint = 2; repaint <= 3; ++repaint) {
        displayFigure();
        EXPECT_TRUE(samePicture(readPicture(500, 500), firstPicture, 0)) << "repaint " << repaint;
        EXPECT_EQ(currentViewState().modelview, camera.modelview) << "modelview matrix after repaint " << repaint;
    }
    // In feedback mode too, a later pass lands exactly where the first did, centre on centre.
    const std::vector<WindowPoint> first = feedbackPass();
    const std::vector<WindowPoint> later = feedbackPass();
    ASSERT_FALSE(later.empty());
    ASSERT_EQ(later.size(), first.size());
    for (std::size_t i = 0; i < later.size(); ++i) {
        ASSERT_EQ(later[i].x, first[i].x) << "x of point " << i;
        ASSERT_EQ(later[i].y, first[i].y) << "y of point " << i;
    }
    EXPECT_NEAR(later.front().x, projectFigurePoint(0.0f, 0.0f, 500, 500).x, 0.01);
    EXPECT_NEAR(later.front().y, projectFigurePoint(0.0f, 0.0f, 500, 500).y, 0.01);
}

TEST_F(Render, LeavesTheRenderingStateAsItFoundIt)
{
    displayFigure();
    EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), GL_FALSE) << "the depth test is left on";

    std::array<GLfloat, 4> clear{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
    EXPECT_EQ(clear, (std::array<GLfloat, 4>{1.0f, 1.0f, 1.0f, 1.0f})) << "clear colour";

    GLint shadeModel = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shadeModel);
    EXPECT_EQ(shadeModel, GL_FLAT);

    std::array<GLfloat, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_NEAR(colour[static_cast<std::size_t>(channel)], 90.0f / 255.0f, 1e-6f) << "colour channel " << channel;
    }

    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1) << "the modelview stack is left deeper than it was";
}

TEST_F(Render, ReshapeLoadsTheSameMatricesHoweverOftenItRuns)
{
    const ViewState once = currentViewState();
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_MODELVIEW) << "the reshape must leave the modelview matrix current";

    reshapeView(500, 500);
    const ViewState twice = currentViewState();
    EXPECT_EQ(twice.projection, once.projection);
    EXPECT_EQ(twice.modelview, once.modelview);
    EXPECT_EQ(twice.viewport, once.viewport);

    // A pass in between changes nothing either.
    displayFigure();
    reshapeView(500, 500);
    EXPECT_EQ(currentViewState().modelview, once.modelview);
    EXPECT_EQ(currentViewState().viewport, (std::array<GLint, 4>{0, 0, 500, 500}));
}

// ---------------------------------------------------------------------------------------------
// Windows of other sizes

class Stretched : public Render, public ::testing::WithParamInterface<Size> {};

TEST_P(Stretched, ShowsTheSameViewStretchedAlongTheLongerSide)
{
    const Size size = GetParam();
    const Box square = boundsOf(drawAt(500, 500), grey);

    resizeWindow(size.width, size.height);
    const Image picture = drawAt(size.width, size.height);
    EXPECT_TRUE(onlyColours(picture, white, grey, 0));
    EXPECT_TRUE(matchesProjection(picture, projectPass(size.width, size.height), 1));

    // Each side scales with the window's: the box of the figure grows by the same factor.
    EXPECT_TRUE(stretchedFrom(boundsOf(picture, grey), square, size));
}

INSTANTIATE_TEST_SUITE_P(Window, Stretched, ::testing::Values(Size{1000, 500}, Size{500, 1000}, Size{250, 250}),
                         sizeName);

class EmptyViewport : public Render, public ::testing::WithParamInterface<Size> {};

// A window reported with no width or no height gets an empty viewport: OpenGL then maps every
// point onto the viewport's edge, so the figure has no extent and no OpenGL error occurs.
TEST_P(EmptyViewport, LeavesTheFigureNoExtentUntilTheWindowHasASizeAgain)
{
    const Image before = drawAt(500, 500);
    const Size size = GetParam();
    reshapeView(size.width, size.height);
    const std::vector<WindowPoint> collapsed = feedbackPass();
    ASSERT_EQ(collapsed.size(), 159092u);
    for (std::size_t i = 0; i < collapsed.size(); ++i) {
        if (size.width == 0) {
            ASSERT_EQ(collapsed[i].x, 0.0) << "x of point " << i;
        }
        if (size.height == 0) {
            ASSERT_EQ(collapsed[i].y, 0.0) << "y of point " << i;
        }
    }
    displayFigure();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const Box drawn = boundsOf(readPicture(500, 500), grey);
    if (size.width == 0) {
        EXPECT_EQ(drawn.right, 0) << "figure pixels drawn right of an empty viewport";
    }
    if (size.height == 0) {
        EXPECT_EQ(drawn.top, 0) << "figure pixels drawn above an empty viewport";
    }

    EXPECT_TRUE(samePicture(drawAt(500, 500), before, 0)) << "after the window has its size again";
}

INSTANTIATE_TEST_SUITE_P(Window, EmptyViewport, ::testing::Values(Size{0, 0}, Size{0, 500}, Size{500, 0}), sizeName);

} // namespace
