#include "xsupport.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// True when an executable named name is found on PATH.
bool onPath(const std::string &name)
{
    const char *path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) {
            end = dirs.size();
        }
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Milliseconds since an arbitrary fixed point.
long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// In a freshly forked child: dies with the parent, so no server or program outlives a test.
void tieToParent()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}

// In a freshly forked child: sends the stream fd to path (opened for writing) or /dev/null.
void redirect(int fd, const std::string &path)
{
    const int target = open(path.empty() ? "/dev/null" : path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (target >= 0) {
        dup2(target, fd);
        close(target);
    }
}

// Does the image show anything but white?
bool hasDrawing(const Image &image)
{
    for (unsigned char channel : image.rgb) {
        if (channel != 255) {
            return true;
        }
    }
    return false;
}

} // namespace

XvfbServer startXvfb(std::string *error)
{
    XvfbServer server;
    if (!onPath("Xvfb")) {
        *error = "Xvfb, the virtual X server, was not found on PATH: install the Debian package 'xvfb'";
        return server;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        *error = std::string("cannot create a pipe for Xvfb: ") + std::strerror(errno);
        return server;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        tieToParent();
        close(fds[0]);
        redirect(STDOUT_FILENO, "");
        redirect(STDERR_FILENO, "");
        // With -displayfd the server picks a free display number and writes it to the pipe.
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1200x24", "-nolisten", "tcp", "-noreset",
               static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        *error = std::string("cannot start Xvfb: ") + std::strerror(errno);
        return server;
    }
    std::string number;
    const long long deadline = nowMs() + 20000;
    while (number.find('\n') == std::string::npos && nowMs() < deadline) {
        pollfd readable{fds[0], POLLIN, 0};
        if (poll(&readable, 1, 200) <= 0) {
            continue;
        }
        char buffer[32];
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        number.append(buffer, static_cast<std::size_t>(got));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        killProgram(pid);
        *error = "Xvfb started but reported no display number";
        return server;
    }
    server.pid = pid;
    server.display = ":" + number.substr(0, number.find('\n'));
    return server;
}

void stopXvfb(XvfbServer &server)
{
    if (server.pid > 0) {
        kill(server.pid, SIGTERM);
        int status = 0;
        if (!waitForExit(server.pid, 5000, &status)) {
            killProgram(server.pid);
        }
    }
    server.pid = -1;
}

pid_t spawnProgram(const std::string &program, const std::vector<std::string> &args, const std::string &display,
                   const std::string &errorPath)
{
    const pid_t pid = fork();
    if (pid == 0) {
        tieToParent();
        setenv("DISPLAY", display.c_str(), 1);
        redirect(STDERR_FILENO, errorPath);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(program.c_str()));
        for (const std::string &arg : args) {
            argv.push_back(const_cast<char *>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

bool waitForExit(pid_t pid, int timeoutMs, int *status)
{
    const long long deadline = nowMs() + timeoutMs;
    do {
        const pid_t ended = waitpid(pid, status, WNOHANG);
        if (ended == pid) {
            return true;
        }
        if (ended < 0) {
            return false;
        }
        sleepMs(10);
    } while (nowMs() < deadline);
    return false;
}

void killProgram(pid_t pid)
{
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

Window findWindowByTitle(Display *display, const std::string &title, int timeoutMs)
{
    const long long deadline = nowMs() + timeoutMs;
    do {
        Window root = 0;
        Window parent = 0;
        Window *children = nullptr;
        unsigned int count = 0;
        Window found = 0;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0) {
            for (unsigned int i = 0; i < count && found == 0; ++i) {
                char *name = nullptr;
                if (XFetchName(display, children[i], &name) != 0 && name != nullptr) {
                    XWindowAttributes attributes;
                    if (title == name && XGetWindowAttributes(display, children[i], &attributes) != 0 &&
                        attributes.map_state == IsViewable) {
                        found = children[i];
                    }
                    XFree(name);
                }
            }
            XFree(children);
        }
        if (found != 0) {
            return found;
        }
        sleepMs(20);
    } while (nowMs() < deadline);
    return 0;
}

Window waitForProgramWindow(Display *display, pid_t pid, const std::string &title, int timeoutMs, std::string *why)
{
    const long long deadline = nowMs() + timeoutMs;
    do {
        const Window window = findWindowByTitle(display, title, 100);
        if (window != 0) {
            return window;
        }
        // Has the child ended? Asked without reaping it, so that its pid stays its own.
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) {
            *why = "the program ended (status " + std::to_string(info.si_status) + ") before it showed its window";
            return 0;
        }
    } while (nowMs() < deadline);
    *why = "no window titled \"" + title + "\" appeared";
    return 0;
}

Image grabWindow(Display *display, Window window)
{
    Image image;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        return image;
    }
    XImage *pixels = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                               static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (pixels == nullptr) {
        return image;
    }
    image.width = attributes.width;
    image.height = attributes.height;
    image.rgb.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    // Channel positions from the masks; the masks of a true-colour visual are 8 bits each.
    const auto shiftOf = [](unsigned long mask) {
        int shift = 0;
        while (mask != 0 && (mask & 1UL) == 0) {
            mask >>= 1;
            ++shift;
        }
        return shift;
    };
    const int redShift = shiftOf(pixels->red_mask);
    const int greenShift = shiftOf(pixels->green_mask);
    const int blueShift = shiftOf(pixels->blue_mask);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const unsigned long pixel = XGetPixel(pixels, x, y);
            // X rows run from the top down; the image's from the bottom up.
            unsigned char *out =
                &image.rgb[(static_cast<std::size_t>(image.height - 1 - y) * static_cast<std::size_t>(image.width) +
                            static_cast<std::size_t>(x)) *
                           3];
            out[0] = static_cast<unsigned char>((pixel >> redShift) & 0xff);
            out[1] = static_cast<unsigned char>((pixel >> greenShift) & 0xff);
            out[2] = static_cast<unsigned char>((pixel >> blueShift) & 0xff);
        }
    }
    XDestroyImage(pixels);
    return image;
}

Image waitForPicture(Display *display, Window window, int width, int height, int timeoutMs)
{
    const long long deadline = nowMs() + timeoutMs;
    Image previous;
    do {
        Image current = grabWindow(display, window);
        if (current.width == width && current.height == height && hasDrawing(current) && current.rgb == previous.rgb) {
            return current;
        }
        previous = std::move(current);
        sleepMs(100);
    } while (nowMs() < deadline);
    return previous.width == width && previous.height == height ? previous : Image{};
}

bool writePng(const Image &image, const std::string &path)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    // A negative stride writes the bottom-up rows top row first.
    const png_int_32 stride = -static_cast<png_int_32>(image.width * 3);
    return png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), stride, nullptr) != 0;
}
