// What a repaint costs on the virtual X server, set against a floor: the same points sent from a
// prepared array in one draw call. Also the time from starting the program to its first
// complete picture. Prints the ratios at the end.
#include "figure/figure.h"
#include "glwindow.h"
#include "view/view.h"
#include "xsupport.h"

#include <GL/glut.h>
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// One pass's points, computed once, for the benchmarks that only send them.
const std::vector<GLfloat> &preparedPoints()
{
    static const std::vector<GLfloat> points = [] {
        std::vector<GLfloat> xyz;
        forEachRosettePoint([&xyz](float, float x, float y, float z) { xyz.insert(xyz.end(), {x, y, z}); });
        return xyz;
    }();
    return points;
}

// Computing the points alone, with no OpenGL.
void computePass(benchmark::State &state)
{
    for (auto _ : state) {
        float sum = 0.0f;
        forEachRosettePoint([&sum](float, float x, float y, float z) { sum += x + y + z; });
        benchmark::DoNotOptimize(sum);
    }
}

// One full repaint by the program's display handler, waited for until the picture is done.
void repaint(benchmark::State &state)
{
    for (auto _ : state) {
        displayFigure();
        glFinish();
    }
}

// A repaint framed as the program frames its own, with the points sent by send().
template <typename Send>
void repaintWith(Send send)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3ub(90, 90, 90);
    glEnable(GL_DEPTH_TEST);
    glPushMatrix();
    glTranslatef(0.0f, 70.0f, 0.0f);
    send();
    glPopMatrix();
    glFlush();
    glDisable(GL_DEPTH_TEST);
    glFinish();
}

// The floor: the same repaint, but the points come from a prepared array in one draw call.
void drawPreparedArray(benchmark::State &state)
{
    const std::vector<GLfloat> &points = preparedPoints();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, points.data());
    for (auto _ : state) {
        repaintWith([&points] { glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(points.size() / 3)); });
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}

// Between the two: prepared points sent one immediate-mode call each, as the program sends them.
void sendPreparedImmediate(benchmark::State &state)
{
    const std::vector<GLfloat> &points = preparedPoints();
    for (auto _ : state) {
        repaintWith([&points] {
            glBegin(GL_POINTS);
            for (std::size_t i = 0; i < points.size(); i += 3) {
                glVertex3f(points[i], points[i + 1], points[i + 2]);
            }
            glEnd();
        });
    }
}

BENCHMARK(computePass)->Name("compute_pass")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(repaint)->Name("repaint")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(sendPreparedImmediate)->Name("send_prepared_immediate")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(drawPreparedArray)->Name("floor_draw_array")->Unit(benchmark::kMillisecond)->UseRealTime();

// Shows the usual table and keeps each benchmark's time per iteration for the ratios: that of
// its single run, or the mean where runs are repeated.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "mean") {
                seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
    }
    std::map<std::string, double> seconds;
};

double elapsedMs(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// Starts the program on its own X server and times it until its window shows the reference
// picture. A negative result means it did not get there within twenty seconds.
double timeToFirstPicture(const std::string &program, const std::string &display, Display *connection,
                          const Image &reference)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = spawnProgram(program, {}, display, "");
    double result = -1.0;
    while (elapsedMs(start) < 20000.0) {
        const Window window = findWindowByTitle(connection, ":)", 0);
        if (window != 0 && grabWindow(connection, window).rgb == reference.rgb) {
            result = elapsedMs(start);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    killProgram(pid);
    return result;
}

// Prints the median and the fastest of several starts of the program; false if none got there.
bool reportStartup(const std::string &program, int runs)
{
    std::string error;
    XvfbServer server = startXvfb(&error);
    Display *connection = server.pid > 0 ? XOpenDisplay(server.display.c_str()) : nullptr;
    if (connection == nullptr) {
        std::fprintf(stderr, "cannot time the start-up: %s\n", error.c_str());
        stopXvfb(server);
        return false;
    }
    // The complete picture, as it stands once the program has settled.
    const pid_t pid = spawnProgram(program, {}, server.display, "");
    std::string why;
    const Window window = waitForProgramWindow(connection, pid, ":)", 20000, &why);
    const Image reference = window != 0 ? waitForPicture(connection, window, 500, 500, 20000) : Image{};
    killProgram(pid);
    if (reference.rgb.empty()) {
        std::printf("start to first complete picture: no picture to compare with (%s)\n",
                    window != 0 ? "it never settled" : why.c_str());
        XCloseDisplay(connection);
        stopXvfb(server);
        return false;
    }

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const double ms = timeToFirstPicture(program, server.display, connection, reference);
        if (ms >= 0.0) {
            times.push_back(ms);
        }
    }
    XCloseDisplay(connection);
    stopXvfb(server);
    if (times.empty()) {
        std::printf("start to first complete picture: never reached\n");
        return false;
    }
    std::sort(times.begin(), times.end());
    std::printf("start to first complete picture: median %.1f ms, fastest %.1f ms over %zu starts\n",
                times[times.size() / 2], times.front(), times.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    std::string error;
    XvfbServer server = openProgramWindow(&argc, argv, &error);
    if (server.pid < 0) {
        std::fprintf(stderr, "cannot run the benchmark: %s\n", error.c_str());
        return 1;
    }
    reshapeView(500, 500);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    closeProgramWindow(server);

    const auto time = [&reporter](const char *name) {
        const auto found = reporter.seconds.find(name);
        return found == reporter.seconds.end() ? 0.0 : found->second;
    };
    const bool measured = time("compute_pass") > 0.0 && time("repaint") > 0.0 && time("floor_draw_array") > 0.0 &&
                          time("send_prepared_immediate") > 0.0;
    if (measured) {
        std::printf("\nrepaint / floor:        %.2f\n", time("repaint") / time("floor_draw_array"));
        std::printf("compute / repaint:      %.2f\n", time("compute_pass") / time("repaint"));
        std::printf("send immediate / floor: %.2f\n", time("send_prepared_immediate") / time("floor_draw_array"));
    } else {
        std::printf("\nno ratios: not every benchmark ran (a --benchmark_filter left some out)\n");
    }
    const bool started = reportStartup(ROSETTE_PATH, 9);
    return measured && started ? 0 : 1;
}
