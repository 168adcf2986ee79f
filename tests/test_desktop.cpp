// The program in a real X server (Xvfb, with the openbox window manager), as
// a player's desktop shows it: a resized window letterboxes the picture, F11
// and Alt+Enter switch fullscreen without the game seeing Enter, the pointer
// hides over the fullscreen picture, and a minimised window runs no frames.
// The test starts its own server and skips only when Xvfb is not installed.
#include <gtest/gtest.h>

#if VORTWING_X11_TESTS
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/d3d9/presentation.h"

namespace {
using Clock = std::chrono::steady_clock;
namespace stdfs = std::filesystem;

std::string FindProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::stringstream directories(path ? path : "/usr/bin:/bin");
    std::string directory;
    while (std::getline(directories, directory, ':')) {
        const stdfs::path candidate = stdfs::path(directory) / name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return "";
}

bool WaitUntil(const std::function<bool()>& condition, double seconds) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

pid_t Spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
            const std::string& logFile, int keepOpen = -1) {
    const pid_t child = fork();
    if (child != 0) return child;
    for (const std::string& variable : environment) putenv(const_cast<char*>(variable.c_str()));
    const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
    }
    for (int fd = 3; fd < 256; ++fd)
        if (fd != keepOpen) close(fd);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

void Stop(pid_t& child) {
    if (child <= 0) return;
    kill(child, SIGTERM);
    int status = 0;
    if (!WaitUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, 10)) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    child = -1;
}

// Processor time a process has used, in seconds.
double CpuSeconds(pid_t process) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) user = std::stoull(field);
        if (i == 15) system = std::stoull(field);
    }
    return static_cast<double>(user + system) / sysconf(_SC_CLK_TCK);
}

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string xvfb = FindProgram("Xvfb");
        if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed";
        const std::string windowManager = FindProgram("openbox");
        ASSERT_FALSE(windowManager.empty()) << "openbox is not installed (scripts/bootstrap.sh installs it)";
        m_home = stdfs::temp_directory_path() / ("vortwing-desktop-" + std::to_string(getpid()));
        stdfs::create_directories(m_home);

        // The server picks a free display and writes its number to the pipe.
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        m_server =
            Spawn({xvfb, "-displayfd", std::to_string(pipeEnds[1]), "-screen", "0",
                   std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24", "-nolisten", "tcp"},
                  {}, (m_home / "xvfb.log").string(), pipeEnds[1]);
        close(pipeEnds[1]);
        std::string number;
        pollfd wait{pipeEnds[0], POLLIN, 0};
        char c = 0;
        while (poll(&wait, 1, 20000) > 0 && read(pipeEnds[0], &c, 1) == 1 && c != '\n') number += c;
        close(pipeEnds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        m_displayName = ":" + number;
        // A window that goes away while it is looked at is no failure.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        m_display = XOpenDisplay(m_displayName.c_str());
        ASSERT_NE(m_display, nullptr);
        m_root = DefaultRootWindow(m_display);

        m_windowManager = Spawn({windowManager}, {"DISPLAY=" + m_displayName, "HOME=" + m_home.string()},
                                (m_home / "openbox.log").string());
        const Atom check = XInternAtom(m_display, "_NET_SUPPORTING_WM_CHECK", False);
        ASSERT_TRUE(WaitUntil([&] { return PropertyWindow(m_root, check) != 0; }, 20)) << "no window manager";
    }

    void TearDown() override {
        Stop(m_game);
        Stop(m_windowManager);
        if (m_display) XCloseDisplay(m_display);
        Stop(m_server);
        std::error_code ignored;
        if (!m_home.empty()) stdfs::remove_all(m_home, ignored);
    }

    void StartGame(const std::vector<std::string>& options) {
        std::vector<std::string> arguments = {VORTWING_BINARY, "--data", VORTWING_DATA_DIR};
        arguments.insert(arguments.end(), options.begin(), options.end());
        m_game = Spawn(arguments,
                       {"DISPLAY=" + m_displayName, "SDL_VIDEODRIVER=x11", "ALSOFT_DRIVERS=null",
                        "HOME=" + m_home.string(), "XDG_DATA_HOME=" + (m_home / "data").string()},
                       (m_home / "game.log").string());
        ASSERT_TRUE(WaitUntil([&] { return (m_window = FindWindowOf(m_game, m_root)) != 0; }, 120))
            << "the game's window did not appear";
        XSetInputFocus(m_display, m_window, RevertToPointerRoot, CurrentTime);
        XSync(m_display, False);
    }

    // Ends the game as the desktop does at logout; true when it ended well.
    bool EndGame() {
        kill(m_game, SIGTERM);
        int status = -1;
        const bool ended = WaitUntil([&] { return waitpid(m_game, &status, WNOHANG) == m_game; }, 30);
        if (ended) m_game = -1;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    Window PropertyWindow(Window window, Atom property) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        Window value = 0;
        if (XGetWindowProperty(m_display, window, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                               &data) == Success &&
            data && count == 1)
            value = *reinterpret_cast<Window*>(data);
        if (data) XFree(data);
        return value;
    }

    // The viewable window whose _NET_WM_PID is the process, searched from
    // parent down.
    Window FindWindowOf(pid_t process, Window parent) {
        Window rootReturn = 0, parentReturn = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, parent, &rootReturn, &parentReturn, &children, &count)) return 0;
        const Atom pidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
        Window found = 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            Atom type = 0;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(m_display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                                   &after, &data) == Success &&
                data && items == 1 && static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == process) {
                XWindowAttributes attributes{};
                XGetWindowAttributes(m_display, children[i], &attributes);
                if (attributes.map_state == IsViewable) found = children[i];
            }
            if (data) XFree(data);
            if (!found) found = FindWindowOf(process, children[i]);
        }
        if (children) XFree(children);
        return found;
    }

    XWindowAttributes Attributes() {
        XWindowAttributes attributes{};
        XGetWindowAttributes(m_display, m_window, &attributes);
        return attributes;
    }

    bool HasSize(int width, int height) {
        const XWindowAttributes attributes = Attributes();
        return attributes.width == width && attributes.height == height;
    }

    // The screen as it is shown now.
    d3d9::Pixels Screen() {
        XImage* image = XGetImage(m_display, m_root, 0, 0, kScreenWidth, kScreenHeight, AllPlanes, ZPixmap);
        d3d9::Pixels pixels;
        if (!image) return pixels;
        pixels.width = kScreenWidth;
        pixels.height = kScreenHeight;
        pixels.rgba.resize(static_cast<size_t>(kScreenWidth) * kScreenHeight * 4);
        for (int y = 0; y < kScreenHeight; ++y)
            for (int x = 0; x < kScreenWidth; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                std::uint8_t* out = &pixels.rgba[(static_cast<size_t>(y) * kScreenWidth + x) * 4];
                out[0] = (pixel >> 16) & 0xFF;
                out[1] = (pixel >> 8) & 0xFF;
                out[2] = pixel & 0xFF;
                out[3] = 0xFF;
            }
        XDestroyImage(image);
        return pixels;
    }

    // Brighter than the darkest shade the picture could have.
    static bool Lit(std::uint32_t pixel) {
        return ((pixel >> 16) & 0xFF) > 10 || ((pixel >> 8) & 0xFF) > 10 || (pixel & 0xFF) > 10;
    }

    struct Box {
        int left = -1, top = -1, right = -1, bottom = -1;  // inclusive
    };
    // Within the game window's area of the screen: the bounds of what is not
    // black, and whether everything outside them is exactly black.
    Box PictureBounds(const d3d9::Pixels& screen, bool* barsBlack) {
        int x0 = 0, y0 = 0;
        Window child = 0;
        XTranslateCoordinates(m_display, m_window, m_root, 0, 0, &x0, &y0, &child);
        const XWindowAttributes attributes = Attributes();
        Box box;
        for (int y = 0; y < attributes.height; ++y)
            for (int x = 0; x < attributes.width; ++x) {
                if (!Lit(screen.At(x0 + x, y0 + y))) continue;
                if (box.left < 0 || x < box.left) box.left = x;
                if (x > box.right) box.right = x;
                if (box.top < 0) box.top = y;
                box.bottom = y;
            }
        *barsBlack = true;
        for (int y = 0; y < attributes.height; ++y)
            for (int x = 0; x < attributes.width; ++x)
                if ((x < box.left || x > box.right || y < box.top || y > box.bottom) &&
                    (screen.At(x0 + x, y0 + y) & 0xFFFFFF) != 0)
                    *barsBlack = false;
        return box;
    }

    // Polls the screen until the game's window shows the picture within
    // exactly these bounds between black bars (a slow build takes a while to
    // draw its first frames after a change), or the time runs out; the last
    // bounds seen either way. The screen is saved under name.
    Box WaitForPicture(const Box& expected, const char* name, bool* barsBlack) {
        Box box;
        d3d9::Pixels screen;
        WaitUntil(
            [&] {
                screen = Screen();
                box = PictureBounds(screen, barsBlack);
                return *barsBlack && box.left == expected.left && box.right == expected.right &&
                       box.top == expected.top && box.bottom == expected.bottom;
            },
            90);
        d3d9::SavePng(name, screen);
        return box;
    }

    void Key(KeySym key, bool down) {
        XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, key), down ? True : False, CurrentTime);
        XSync(m_display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }

    // Whether the pointer, placed over the middle of the game's window, shows.
    bool PointerVisible() {
        const XWindowAttributes attributes = Attributes();
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(m_display, m_window, m_root, attributes.width / 2, attributes.height / 2, &x, &y, &child);
        XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
        XSync(m_display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        XFixesCursorImage* cursor = XFixesGetCursorImage(m_display);
        if (!cursor) return false;
        bool visible = false;
        for (int i = 0; i < cursor->width * cursor->height; ++i)
            if ((cursor->pixels[i] >> 24) & 0xFF) visible = true;
        XFree(cursor);
        return visible;
    }

    static constexpr int kScreenWidth = 1920;
    static constexpr int kScreenHeight = 1080;
    stdfs::path m_home;
    std::string m_displayName;
    Display* m_display = nullptr;
    Window m_root = 0;
    Window m_window = 0;
    pid_t m_server = -1;
    pid_t m_windowManager = -1;
    pid_t m_game = -1;
};
}  // namespace

TEST_F(DesktopTest, ResizedWindowLetterboxesAndTheShortcutsSwitchFullscreenWithoutAnEnterForTheGame) {
    const std::string recording = (m_home / "input.txt").string();
    StartGame({"--record", recording});

    XResizeWindow(m_display, m_window, 1280, 720);
    XSync(m_display, False);
    ASSERT_TRUE(WaitUntil([&] { return HasSize(1280, 720); }, 20));
    // 960 x 720 of 4:3 picture in the middle, black bars of 160 either side.
    bool barsBlack = false;
    Box picture = WaitForPicture({160, 0, 1119, 719}, "desktop_window_1280x720.png", &barsBlack);
    EXPECT_EQ(picture.left, 160);
    EXPECT_EQ(picture.right, 1119);
    EXPECT_EQ(picture.top, 0);
    EXPECT_EQ(picture.bottom, 719);
    EXPECT_TRUE(barsBlack);
    EXPECT_TRUE(PointerVisible());

    Key(XK_F11, true);
    Key(XK_F11, false);
    ASSERT_TRUE(WaitUntil([&] { return HasSize(kScreenWidth, kScreenHeight); }, 20)) << "F11 did not fill the screen";
    picture = WaitForPicture({240, 0, 1679, 1079}, "desktop_fullscreen.png", &barsBlack);
    EXPECT_EQ(picture.left, 240);
    EXPECT_EQ(picture.right, 1679);
    EXPECT_EQ(picture.top, 0);
    EXPECT_EQ(picture.bottom, 1079);
    EXPECT_TRUE(barsBlack);
    EXPECT_FALSE(PointerVisible());

    // Alt+Enter back to the window, then again with Alt let go first.
    Key(XK_Alt_L, true);
    Key(XK_Return, true);
    Key(XK_Return, false);
    Key(XK_Alt_L, false);
    ASSERT_TRUE(WaitUntil([&] { return HasSize(1280, 720); }, 20)) << "Alt+Enter did not leave fullscreen";
    Key(XK_Alt_L, true);
    Key(XK_Return, true);
    Key(XK_Alt_L, false);
    Key(XK_Return, false);
    ASSERT_TRUE(WaitUntil([&] { return HasSize(kScreenWidth, kScreenHeight); }, 20));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(EndGame());

    // The game saw Alt, but never Enter (which would have started a mission).
    std::ifstream file(recording);
    const std::string input((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(input.find("LMENU 1"), std::string::npos) << input;
    EXPECT_EQ(input.find("RETURN"), std::string::npos) << input;
    EXPECT_EQ(input.find("F11"), std::string::npos) << input;
}

TEST_F(DesktopTest, MinimisedWindowRunsNoFramesAndSleepsUntilItIsRestored) {
    const std::string early = (m_home / "frame60.png").string();
    const std::string late = (m_home / "frame300.png").string();
    StartGame({"--screenshot", "60:" + early, "--screenshot", "300:" + late});
    ASSERT_TRUE(WaitUntil([&] { return stdfs::exists(early); }, 120));

    XIconifyWindow(m_display, m_window, DefaultScreen(m_display));
    XSync(m_display, False);
    ASSERT_TRUE(WaitUntil([&] { return Attributes().map_state != IsViewable; }, 20)) << "not minimised";
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double before = CpuSeconds(m_game);
    std::this_thread::sleep_for(std::chrono::seconds(4));
    const double used = CpuSeconds(m_game) - before;
    // Drawing a frame at a time costs a whole core here; waiting, nothing.
    EXPECT_LT(used, 0.4) << used << " s of CPU in 4 s while minimised";
    EXPECT_FALSE(stdfs::exists(late)) << "frames ran while the window was minimised";

    XMapRaised(m_display, m_window);
    XSync(m_display, False);
    EXPECT_TRUE(WaitUntil([&] { return stdfs::exists(late); }, 120)) << "frames did not resume";
    EXPECT_TRUE(EndGame());
}
#endif
