#include "harness.h"

#include "tour_files.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef TOURVIEW_BIN
#error "TOURVIEW_BIN must name the tourview executable"
#endif

namespace e2e
{

Rgb cursor_colour(int index)
{
    static const Rgb colours[sprite_count] = {
        {255, 255, 255}, {255, 0, 0}, {170, 0, 0}, {0, 255, 0},
        {0, 170, 0},     {0, 0, 255}, {0, 0, 170}, {255, 255, 0},
    };
    return colours[index];
}

Rgb arrow_colour(int index)
{
    static const Rgb colours[sprite_count] = {
        {0, 0, 0},     {255, 0, 255}, {170, 0, 170}, {0, 255, 255},
        {0, 170, 170}, {255, 170, 0}, {170, 255, 0}, {0, 170, 255},
    };
    return colours[index];
}

std::pair<int, int> arrow_place(int index)
{
    return {arrow_places[index].x, arrow_places[index].y};
}

bool is_load_failure(const std::string &text)
{
    const std::string prefix = "IMG_Load: ";
    return text.size() > prefix.size() + 1 && text.compare(0, prefix.size(), prefix) == 0 &&
           text.find('\n') == text.size() - 1;
}

static std::string make_temp_dir(const char *what)
{
    std::string pattern = std::string("/tmp/tourview-") + what + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp: " + std::string(strerror(errno)));
    return pattern;
}

static void remove_tree(const std::string &dir)
{
    std::error_code error;
    if (!dir.empty() && std::filesystem::remove_all(dir, error) == static_cast<std::uintmax_t>(-1))
        fprintf(stderr, "could not remove %s: %s\n", dir.c_str(), error.message().c_str());
}

Tour::Tour() : dir_(make_temp_dir("tour"))
{
    for (const char *sub : {"/slides", "/cursors"})
        if (mkdir((dir_ + sub).c_str(), 0755) != 0)
            throw std::runtime_error("mkdir " + dir_ + sub);
}

Tour::~Tour()
{
    remove_tree(dir_);
}

std::string Tour::path(const std::string &relative) const
{
    return dir_ + "/" + relative;
}

void Tour::write(const std::string &relative, const std::string &contents) const
{
    write_file(path(relative), contents);
}

void Tour::remove(const std::string &relative) const
{
    if (unlink(path(relative).c_str()) != 0)
        throw std::runtime_error("cannot remove " + path(relative));
}

void Tour::write_data(const std::string &xml) const
{
    write_tour_data(dir_, xml);
}

void Tour::add_photo(const std::string &id, Rgb colour) const
{
    add_photo(id, Picture(slide_width, slide_height, colour));
}

void Tour::add_photo(const std::string &id, const Picture &picture) const
{
    write_photo(dir_, id, picture);
}

void Tour::add_sprites() const
{
    write_sprites(
        dir_, [](int i) { return Picture(cursor_size, cursor_size, cursor_colour(i)); },
        [](int i) { return Picture(arrow_size, arrow_size, arrow_colour(i)); });
}

std::string slide_xml(const std::string &id,
                      const std::vector<std::pair<std::string, std::string>> &exits)
{
    std::string xml = "  <slide>\n    <file>" + id + "</file>\n    <next>";
    for (const auto &[name, target] : exits)
        xml += "<" + name + ">" + target + "</" + name + ">";
    return xml + "</next>\n  </slide>\n";
}

std::string tour_xml(const std::vector<std::string> &slides)
{
    std::string xml = "<?xml version=\"1.0\"?>\n<tour>\n";
    for (const std::string &slide : slides)
        xml += slide;
    return xml + "</tour>\n";
}

bool eventually(const std::function<bool()> &ok, Duration timeout)
{
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (ok())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(10ms);
    }
}

// X errors are counted, not fatal: the window a request names may be gone by
// the time the server reads it (SDL2 makes and destroys windows while it
// starts), which only means "not yet".
static int x_errors = 0;

static int count_x_error(Display *, XErrorEvent *)
{
    x_errors++;
    return 0;
}

// Runs `requests` and waits for the server's answer; false if any failed.
static bool x_ok(Display *display, const std::function<bool()> &requests)
{
    int before = x_errors;
    bool ok = requests();
    XSync(display, False);
    return ok && x_errors == before;
}

// The child dies with the test process, whatever ends it.
static void die_with_parent()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}

XServer::XServer(int width, int height)
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe");
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork");
    if (pid_ == 0) {
        die_with_parent();
        close(fds[0]);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", "-noreset", (char *)nullptr);
        _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number it took once it accepts connections.
    std::string number;
    auto end = std::chrono::steady_clock::now() + patience;
    while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
        pollfd p = {fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char buffer[32];
        ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        number.append(buffer, size_t(got));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        throw std::runtime_error("Xvfb did not start (is it installed?)");
    }
    name_ = ":" + number.substr(0, number.find('\n'));
    XSetErrorHandler(count_x_error);
    display_ = XOpenDisplay(name_.c_str());
    if (!display_)
        throw std::runtime_error("cannot open display " + name_);
    int event_base, error_base, major, minor;
    if (!XTestQueryExtension(display_, &event_base, &error_base, &major, &minor))
        throw std::runtime_error("no XTest on " + name_);
}

XServer::~XServer()
{
    if (display_)
        XCloseDisplay(display_);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

WindowManager::WindowManager(const XServer &server)
{
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork");
    if (pid_ == 0) {
        die_with_parent();
        setenv("DISPLAY", server.name().c_str(), 1);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execlp("openbox", "openbox", "--sm-disable", (char *)nullptr);
        _exit(127);
    }
    // openbox announces itself on the root window a moment before it handles
    // new windows: it is ready once it has framed a window of ours.
    Display *display = server.display();
    Window probe = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XMapWindow(display, probe);
    XSync(display, False);
    bool framed = eventually([&] {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, probe, &root, &parent, &children, &count) && children)
            XFree(children);
        return parent != 0 && parent != root;
    });
    XDestroyWindow(display, probe);
    XSync(display, False);
    if (!framed) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        throw std::runtime_error("openbox did not start (is it installed?)");
    }
}

WindowManager::~WindowManager()
{
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

Viewer::Viewer(const Tour &tour, const std::string &display,
               const std::map<std::string, std::string> &env)
    : log_dir_(make_temp_dir("log"))
{
    std::string out = log_dir_ + "/stdout", err = log_dir_ + "/stderr";
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork");
    if (pid_ == 0) {
        die_with_parent();
        if (chdir(tour.dir().c_str()) != 0)
            _exit(127);
        setenv("DISPLAY", display.c_str(), 1);
        unsetenv("SDL_VIDEODRIVER");
        for (const auto &[name, value] : env) {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        int in = open("/dev/null", O_RDONLY);
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(o, 1);
        dup2(e, 2);
        execl(TOURVIEW_BIN, "tourview", (char *)nullptr);
        _exit(127);
    }
}

Viewer::~Viewer()
{
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    remove_tree(log_dir_);
}

bool Viewer::running()
{
    if (status_ || pid_ <= 0)
        return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_)
        return true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

std::optional<int> Viewer::wait_exit(Duration timeout)
{
    eventually([&] { return !running(); }, timeout);
    return status_;
}

std::string Viewer::out() const
{
    return read_file(log_dir_ + "/stdout");
}

std::string Viewer::err() const
{
    return read_file(log_dir_ + "/stderr");
}

Duration Viewer::cpu_time() const
{
    std::string stat = read_file("/proc/" + std::to_string(pid_) + "/stat");
    // Fields after the command name, which ends with the last ')'.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; i++) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15)
            stime = std::stol(field);
    }
    return Duration((utime + stime) * 1000 / sysconf(_SC_CLK_TCK));
}

bool Shot::all_black() const
{
    for (const Rgb &pixel : pixels_)
        if (!(pixel == Rgb{0, 0, 0}))
            return false;
    return true;
}

void Shot::save_png(const std::string &path) const
{
    Picture picture(width_, height_, {0, 0, 0});
    for (int y = 0; y < height_; y++)
        for (int x = 0; x < width_; x++)
            picture.set(x, y, at(x, y));
    write_png(path, picture);
}

Expected::Expected()
    : colour_(size_t(window_width) * window_height, Rgb{0, 0, 0}),
      tolerance_(size_t(window_width) * window_height, 0)
{
}

void Expected::rect(int x, int y, int w, int h, Rgb colour, int tolerance)
{
    for (int row = std::max(y, 0); row < std::min(y + h, window_height); row++)
        for (int col = std::max(x, 0); col < std::min(x + w, window_width); col++) {
            colour_[size_t(row) * window_width + col] = colour;
            tolerance_[size_t(row) * window_width + col] = uint8_t(tolerance);
        }
}

std::optional<std::string> Expected::mismatch(const Shot &shot) const
{
    if (shot.width() != window_width || shot.height() != window_height)
        return "window is " + std::to_string(shot.width()) + "x" + std::to_string(shot.height());
    for (int y = 0; y < window_height; y++)
        for (int x = 0; x < window_width; x++) {
            size_t i = size_t(y) * window_width + x;
            if (!near(shot.at(x, y), colour_[i], tolerance_[i]))
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                       describe(shot.at(x, y)) + ", expected " + describe(colour_[i]);
        }
    return std::nullopt;
}

Expected frame(Rgb photo, const std::vector<int> &arrows, int cursor, int x, int y)
{
    Expected expected;
    expected.rect(slide_x, slide_y, slide_width, slide_height, photo, photo_tolerance);
    for (int index : arrows) {
        auto [ax, ay] = arrow_place(index);
        expected.rect(ax, ay, arrow_size, arrow_size, arrow_colour(index));
    }
    if (cursor >= 0)
        expected.rect(x, y, cursor_size, cursor_size, cursor_colour(cursor));
    return expected;
}

static bool owned_by(Display *display, Window window, pid_t pid)
{
    Atom pid_atom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) != Success ||
        !data)
        return false;
    bool owned = format == 32 && count == 1 &&
                 *reinterpret_cast<unsigned long *>(data) == (unsigned long)pid;
    XFree(data);
    return owned;
}

// The viewer's own top-level window, wherever a window manager put it: the
// mapped window of the viewer's size that names the viewer's process.
static Window find_window(Display *display, pid_t pid)
{
    std::vector<Window> pending = {DefaultRootWindow(display)};
    while (!pending.empty()) {
        Window window = pending.back(), root, parent, *children = nullptr;
        pending.pop_back();
        unsigned count = 0;
        if (!x_ok(display, [&] {
                return XQueryTree(display, window, &root, &parent, &children, &count) != 0;
            })) {
            if (children)
                XFree(children);
            continue;
        }
        Window found = 0;
        for (unsigned i = 0; i < count && !found; i++) {
            XWindowAttributes attributes;
            if (x_ok(
                    display,
                    [&] { return XGetWindowAttributes(display, children[i], &attributes) != 0; }) &&
                attributes.map_state == IsViewable && attributes.width == window_width &&
                attributes.height == window_height && owned_by(display, children[i], pid))
                found = children[i];
            else
                pending.push_back(children[i]);
        }
        if (children)
            XFree(children);
        if (found)
            return found;
    }
    return 0;
}

Session::Session(XServer &server, const Tour &tour, const std::map<std::string, std::string> &env)
    : display_(server.display()), viewer_(tour, server.name(), env)
{
    // Events sent while the window is still being set up can be lost: the
    // window counts once the running loop drew its first frame into it and it
    // takes the input focus.
    std::string stage = "no window of the viewer's";
    bool ready = eventually([&] {
        if (!viewer_.running())
            return true;
        window_ = find_window(display_, viewer_.pid());
        if (!window_)
            return false;
        Window child;
        stage = "its window went away";
        if (!x_ok(display_, [&] {
                return XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), 0, 0,
                                             &origin_x_, &origin_y_, &child) != 0;
            }))
            return false;
        stage = "its window stayed black";
        if (shot().all_black())
            return false;
        stage = "its window took no input focus";
        return x_ok(display_, [&] {
            XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
            return true;
        });
    });
    if (!ready || !viewer_.running())
        throw std::runtime_error("the viewer did not start: " + stage +
                                 "; stderr: " + viewer_.err());
}

void Session::pointer(int x, int y)
{
    XTestFakeMotionEvent(display_, DefaultScreen(display_), origin_x_ + x, origin_y_ + y,
                         CurrentTime);
    XSync(display_, False);
    last_pointer_ = {x, y};
}

void Session::press(unsigned button)
{
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
}

void Session::click(int x, int y, unsigned button)
{
    pointer(x, y);
    press(button);
}

static KeyCode keycode(Display *display, const char *name)
{
    KeySym sym = XStringToKeysym(name);
    KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display, sym);
    if (!code)
        throw std::runtime_error(std::string("no key ") + name);
    return code;
}

void Session::key_down(const char *name)
{
    XTestFakeKeyEvent(display_, keycode(display_, name), True, CurrentTime);
    XSync(display_, False);
}

void Session::key_up(const char *name)
{
    XTestFakeKeyEvent(display_, keycode(display_, name), False, CurrentTime);
    XSync(display_, False);
}

void Session::key(const char *name)
{
    key_down(name);
    key_up(name);
}

// Sends a client message of `type` about `window` to `to`, as window managers
// and pagers do.
static void send_client_message(Display *display, Window to, long mask, Window window,
                                const char *type, long first)
{
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, type, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = first;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, to, False, mask, &event);
    XSync(display, False);
}

void Session::close_window()
{
    send_client_message(display_, window_, NoEventMask, window_, "WM_PROTOCOLS",
                        long(XInternAtom(display_, "WM_DELETE_WINDOW", False)));
}

void Session::hide_window()
{
    XUnmapWindow(display_, window_);
    XSync(display_, False);
}

void Session::show_window()
{
    XMapWindow(display_, window_);
    XSync(display_, False);
}

static bool mapped(Display *display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

void Session::iconify()
{
    XIconifyWindow(display_, window_, DefaultScreen(display_));
    XSync(display_, False);
    if (!eventually([&] { return !mapped(display_, window_); }))
        throw std::runtime_error("the window manager did not iconify the window");
}

void Session::restore()
{
    // The way a task bar asks for it: _NET_ACTIVE_WINDOW from a pager.
    send_client_message(display_, DefaultRootWindow(display_),
                        SubstructureRedirectMask | SubstructureNotifyMask, window_,
                        "_NET_ACTIVE_WINDOW", 2);
    if (!eventually([&] { return mapped(display_, window_); }))
        throw std::runtime_error("the window manager did not restore the window");
}

Shot Session::shot() const
{
    Shot shot(window_width, window_height);
    XImage *image = XGetImage(display_, DefaultRootWindow(display_), origin_x_, origin_y_,
                              window_width, window_height, AllPlanes, ZPixmap);
    if (!image)
        throw std::runtime_error("XGetImage failed");
    const bool plain = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                       image->red_mask == 0xff0000 && image->green_mask == 0xff00 &&
                       image->blue_mask == 0xff;
    for (int y = 0; y < window_height; y++)
        for (int x = 0; x < window_width; x++) {
            if (plain) {
                const auto *p = reinterpret_cast<const uint8_t *>(image->data) +
                                size_t(y) * image->bytes_per_line + size_t(x) * 4;
                shot.set(x, y, {p[2], p[1], p[0]});
                continue;
            }
            unsigned long pixel = XGetPixel(image, x, y);
            shot.set(x, y,
                     {int((pixel & image->red_mask) >> 16), int((pixel & image->green_mask) >> 8),
                      int(pixel & image->blue_mask)});
        }
    XDestroyImage(image);
    return shot;
}

bool Session::wait_for(const std::function<bool(const Shot &)> &ok, Duration timeout)
{
    return eventually([&] { return ok(shot()); }, timeout);
}

std::optional<std::string> Session::wait_for(const Expected &expected, Duration timeout)
{
    std::optional<std::string> last;
    eventually(
        [&] {
            last = expected.mismatch(shot());
            return !last;
        },
        timeout);
    return last;
}

// Two margin spots, away from every arrow, for the plain pointer sprite.
static const std::pair<int, int> settle_spots[2] = {{20, 100}, {20, 560}};

static bool square_is(const Shot &shot, int x, int y, Rgb colour)
{
    for (int row = y; row < y + cursor_size; row++)
        for (int col = x; col < x + cursor_size; col++)
            if (!(shot.at(col, row) == colour))
                return false;
    return true;
}

void Session::settle()
{
    settle_turn_ ^= 1;
    auto [x, y] = settle_spots[settle_turn_];
    auto [old_x, old_y] = settle_spots[settle_turn_ ^ 1];
    pointer(x, y);
    if (!wait_for([&](const Shot &shot) {
            return square_is(shot, x, y, cursor_colour(0)) &&
                   square_is(shot, old_x, old_y, Rgb{0, 0, 0});
        }))
        throw std::runtime_error("the viewer did not redraw; stderr: " + viewer_.err());
}

} // namespace e2e
