// The game's window as an X11 window manager sees it: the program runs on
// its own Xvfb server and its window's title, icon-name, class and icon
// properties are read back with Xlib.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/icon.h"

extern char** environ;

namespace {
namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The title the game gives its window.
const std::string kTitle = "Vortwing2 \xEF\xBD\x9E Drakmora \xEF\xBD\x9E ";

pid_t Spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
            posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<char*> argv, envp;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // The given variables replace the inherited ones of the same name.
    auto given = [&](const char* entry) {
        for (const std::string& e : environment)
            if (std::strncmp(entry, e.c_str(), e.find('=') + 1) == 0) return true;
        return false;
    };
    for (char** e = environ; *e; ++e)
        if (!given(*e)) envp.push_back(*e);
    for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

// Ends a child, politely first; its exit status (-1 when it had to be killed).
int Stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An Xvfb server on a display number of its own choosing.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        m_pid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                      {}, &actions);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        std::string number;
        pollfd wait{fds[0], POLLIN, 0};
        char c = 0;
        while (m_pid > 0 && ::poll(&wait, 1, 20000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (!number.empty()) m_name = ":" + number;
    }
    ~VirtualDisplay() {
        if (m_pid > 0) Stop(m_pid);
    }
    const std::string& Name() const { return m_name; }

private:
    pid_t m_pid = -1;
    std::string m_name;
};

class WindowOnX11 : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vortwing-x11-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_home = pattern;
        ASSERT_FALSE(m_server.Name().empty()) << "Xvfb did not start (scripts/bootstrap.sh installs it)";
        m_display = XOpenDisplay(m_server.Name().c_str());
        ASSERT_NE(m_display, nullptr);
        m_program = Spawn({VORTWING_BINARY, "--data", VORTWING_DATA_DIR, "--frames", "100000"},
                          {"DISPLAY=" + m_server.Name(), "SDL_VIDEODRIVER=x11", "ALSOFT_DRIVERS=null",
                           "HOME=" + m_home.string(), "XDG_DATA_HOME=" + (m_home / "share").string()});
        ASSERT_GT(m_program, 0);
        m_window = WaitForWindow();
        ASSERT_NE(m_window, 0u) << "no window of the program appeared";
    }
    void TearDown() override {
        if (m_program > 0) {
            EXPECT_EQ(Stop(m_program), 0) << "the program did not end cleanly";
        }
        if (m_display) XCloseDisplay(m_display);
        stdfs::remove_all(m_home);
    }

    // The top-level window that carries the program's process id.
    Window WaitForWindow() {
        const Atom pidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (Clock::now() < deadline) {
            Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            Window found = 0;
            if (XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count)) {
                for (unsigned i = 0; i < count && !found; ++i) {
                    const std::vector<unsigned long> pid = Cardinals(children[i], pidAtom);
                    if (!pid.empty() && static_cast<pid_t>(pid[0]) == m_program) found = children[i];
                }
                if (children) XFree(children);
            }
            if (found) return found;
            int status = 0;
            if (::waitpid(m_program, &status, WNOHANG) == m_program) {
                m_program = -1;
                return 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return 0;
    }
    std::vector<unsigned long> Cardinals(Window window, Atom property) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<unsigned long> values;
        if (XGetWindowProperty(m_display, window, property, 0, 1 << 20, False, XA_CARDINAL, &type, &format, &count,
                               &after, &data) == Success &&
            data && format == 32) {
            const auto* longs = reinterpret_cast<const unsigned long*>(data);
            values.assign(longs, longs + count);
        }
        if (data) XFree(data);
        return values;
    }
    // A text property decoded by its own type, as a window manager reads it.
    std::string Text(Atom property, std::string* type) {
        XTextProperty text{};
        if (!XGetTextProperty(m_display, m_window, &text, property) || !text.value) return "<missing>";
        char* name = XGetAtomName(m_display, text.encoding);
        *type = name ? name : "";
        if (name) XFree(name);
        char** list = nullptr;
        int count = 0;
        std::string decoded = "<undecodable>";
        if (Xutf8TextPropertyToTextList(m_display, &text, &list, &count) == Success && count == 1) decoded = list[0];
        if (list) XFreeStringList(list);
        XFree(text.value);
        return decoded;
    }
    Atom Intern(const char* name) { return XInternAtom(m_display, name, False); }

    VirtualDisplay m_server;
    stdfs::path m_home;
    Display* m_display = nullptr;
    pid_t m_program = -1;
    Window m_window = 0;
};
}  // namespace

TEST_F(WindowOnX11, EveryTitlePropertyReadsAsTheGamesTitle) {
    std::string type;
    EXPECT_EQ(Text(Intern("_NET_WM_NAME"), &type), kTitle);
    EXPECT_EQ(type, "UTF8_STRING");
    EXPECT_EQ(Text(Intern("_NET_WM_ICON_NAME"), &type), kTitle);
    EXPECT_EQ(type, "UTF8_STRING");
    // The legacy properties in a type the ICCCM allows for text that is not
    // Latin-1, so that they decode to the same title.
    EXPECT_EQ(Text(XA_WM_NAME, &type), kTitle);
    EXPECT_EQ(type, "COMPOUND_TEXT");
    EXPECT_EQ(Text(XA_WM_ICON_NAME, &type), kTitle);
    EXPECT_EQ(type, "COMPOUND_TEXT");

    XClassHint hint{};
    ASSERT_TRUE(XGetClassHint(m_display, m_window, &hint));
    EXPECT_STREQ(hint.res_class, VORTWING_APP_ID);
    XFree(hint.res_name);
    XFree(hint.res_class);
}

TEST_F(WindowOnX11, TheWindowShowsTheIconShippedInTheData) {
    std::ifstream file(stdfs::path(VORTWING_DATA_DIR) / "icon1.ico", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    win32::IconImage expected;
    ASSERT_TRUE(win32::DecodeIconFile(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &expected));

    const std::vector<unsigned long> icon = Cardinals(m_window, Intern("_NET_WM_ICON"));
    ASSERT_GE(icon.size(), 2u);
    ASSERT_EQ(icon[0], static_cast<unsigned long>(expected.width));
    ASSERT_EQ(icon[1], static_cast<unsigned long>(expected.height));
    ASSERT_EQ(icon.size(), 2 + static_cast<size_t>(expected.width) * expected.height);
    size_t differing = 0;
    for (size_t i = 0; i + 2 < icon.size(); ++i) {
        const unsigned char* p = &expected.rgba[i * 4];
        const unsigned long argb = static_cast<unsigned long>(p[3]) << 24 | p[0] << 16 | p[1] << 8 | p[2];
        differing += (icon[i + 2] & 0xFFFFFFFFul) != argb;
    }
    EXPECT_EQ(differing, 0u);
}
