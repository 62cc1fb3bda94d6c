// Many repaints in one process: the picture must not change and the memory must not grow.
#include "figure/figure.h"
#include "glwindow.h"
#include "picture.h"
#include "view/view.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <fstream>
#include <malloc.h>
#include <unistd.h>

namespace {

// The process's resident memory in bytes, as the kernel counts it, once the allocator has
// handed its free memory back, so that only memory still in use is counted.
long residentBytes()
{
    malloc_trim(0);
    long pages = 0, resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

TEST(Soak, TwoThousandRepaintsKeepThePictureAndTheMemory)
{
    reshapeView(500, 500);
    displayFigure();
    const Image first = readPicture(500, 500);
    ASSERT_GT(boundsOf(first, grey).count, 0) << "the first repaint drew nothing";
    const long before = residentBytes();

    for (int repaint = 2; repaint <= 2000; ++repaint) {
        displayFigure();
        if (repaint % 250 == 0) {
            ASSERT_TRUE(samePicture(readPicture(500, 500), first, 0)) << "repaint " << repaint;
        }
    }
    EXPECT_TRUE(samePicture(readPicture(500, 500), first, 0)) << "after 2,000 repaints";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const long grown = residentBytes() - before;
    RecordProperty("resident_growth_bytes", static_cast<int>(grown));
    EXPECT_LT(grown, 1L << 20) << "resident memory grew by " << grown << " bytes over 2,000 repaints";
}

} // namespace
