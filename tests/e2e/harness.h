// Runs the real tourview in a private X server and drives it with real input
// events: tours written into temporary directories, an Xvfb on a free
// display, the viewer as a child process with its output captured, XTest
// input, and the window's pixels read back from the screen.
#ifndef TOURVIEW_TESTS_E2E_HARNESS_H
#define TOURVIEW_TESTS_E2E_HARNESS_H

#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files.h"
#include "format.h"
#include "geometry.h"
#include "images.h"

namespace e2e
{

using namespace std::chrono_literals;
using Duration = std::chrono::milliseconds;

// Long enough for a sanitized build on a busy machine; waits end as soon as
// what they wait for is seen.
constexpr Duration patience = 20s;

// The window's geometry and the sprites' names, as the viewer has them.
constexpr int window_width = WINDOW_WIDTH;
constexpr int window_height = WINDOW_HEIGHT;
constexpr int slide_x = SLIDE_X, slide_y = SLIDE_Y;
constexpr int slide_width = SLIDE_WIDTH, slide_height = SLIDE_HEIGHT;

// The fifteen sprites of a test tour are solid squares of distinct colours.
constexpr int cursor_size = 16;
constexpr int arrow_size = 24;
constexpr int sprite_count = SPRITE_COUNT; // index 0 plain pointer, then left, left180,
                                           // right, right180, up, down, forward
inline const char *const *const cursor_files = curfiles;
inline const char *const *const arrow_files = arrowfiles; // entry 0 is null
Rgb cursor_colour(int index);
Rgb arrow_colour(int index);
// Top-left corner of arrow `index` (1..7) in the window.
std::pair<int, int> arrow_place(int index);

// The one line that ends the viewer when an image cannot be loaded:
// "IMG_Load: " and the image library's own reason, which differs between
// versions of the library.
bool is_load_failure(const std::string &text);

// A tour in a fresh temporary directory, removed on destruction.
class Tour
{
  public:
    Tour();
    ~Tour();
    Tour(const Tour &) = delete;
    Tour &operator=(const Tour &) = delete;

    const std::string &dir() const
    {
        return dir_;
    }
    std::string path(const std::string &relative) const;
    void write(const std::string &relative, const std::string &contents) const;
    void remove(const std::string &relative) const;
    // data.xml
    void write_data(const std::string &xml) const;
    // slides/<id>.jpg: a photograph of one colour, 800 by 533.
    void add_photo(const std::string &id, Rgb colour) const;
    void add_photo(const std::string &id, const Picture &picture) const;
    // The fifteen sprites as solid squares of their colours.
    void add_sprites() const;

  private:
    std::string dir_;
};

// A <slide> element of data.xml with its exits, e.g.
// slide_xml("S001", {{"forward", "S002"}, {"left", "S007"}}).
std::string slide_xml(const std::string &id,
                      const std::vector<std::pair<std::string, std::string>> &exits);
std::string tour_xml(const std::vector<std::string> &slides);

// An Xvfb on a free display, killed on destruction.
class XServer
{
  public:
    explicit XServer(int width = 1024, int height = 768);
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    const std::string &name() const
    {
        return name_;
    }
    Display *display() const
    {
        return display_;
    }

  private:
    pid_t pid_ = -1;
    std::string name_;
    Display *display_ = nullptr;
};

// openbox managing an X server's screen, ended on destruction: frames,
// iconify and restore as on a desktop.
class WindowManager
{
  public:
    explicit WindowManager(const XServer &server);
    ~WindowManager();
    WindowManager(const WindowManager &) = delete;
    WindowManager &operator=(const WindowManager &) = delete;

  private:
    pid_t pid_ = -1;
};

// tourview running in a tour's directory; killed on destruction if still
// running. `env` entries are set in the child (an empty value unsets).
class Viewer
{
  public:
    Viewer(const Tour &tour, const std::string &display,
           const std::map<std::string, std::string> &env = {});
    ~Viewer();
    Viewer(const Viewer &) = delete;
    Viewer &operator=(const Viewer &) = delete;

    pid_t pid() const
    {
        return pid_;
    }
    bool running();
    // The exit status (0..255), or nullopt if the viewer is still running
    // after `timeout`.
    std::optional<int> wait_exit(Duration timeout = patience);
    std::string out() const;
    std::string err() const;
    // CPU time used so far, from /proc.
    Duration cpu_time() const;

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string log_dir_;
};

// The window's pixels as they are on the screen.
class Shot
{
  public:
    Shot() = default;
    Shot(int width, int height) : width_(width), height_(height), pixels_(size_t(width) * height) {}
    int width() const
    {
        return width_;
    }
    int height() const
    {
        return height_;
    }
    Rgb at(int x, int y) const
    {
        return pixels_[size_t(y) * width_ + x];
    }
    void set(int x, int y, Rgb colour)
    {
        pixels_[size_t(y) * width_ + x] = colour;
    }
    bool all_black() const;
    void save_png(const std::string &path) const;

  private:
    int width_ = 0, height_ = 0;
    std::vector<Rgb> pixels_;
};

// What the window should show: each pixel a colour and a tolerance.
class Expected
{
  public:
    Expected(); // black window
    void rect(int x, int y, int w, int h, Rgb colour, int tolerance = 0);
    // The first pixel that differs, described; nullopt when all match.
    std::optional<std::string> mismatch(const Shot &shot) const;

  private:
    std::vector<Rgb> colour_;
    std::vector<uint8_t> tolerance_;
};

// A frame of a test tour: black, a one-colour photograph, the arrows with
// the given indexes, and the pointer sprite `cursor` at (x, y) unless
// cursor < 0.
constexpr int photo_tolerance = 24;
Expected frame(Rgb photo, const std::vector<int> &arrows, int cursor = -1, int x = 0, int y = 0);

// The viewer's window on an X server, driven through XTest.
class Session
{
  public:
    // Starts tourview in `tour` and waits for its window.
    Session(XServer &server, const Tour &tour, const std::map<std::string, std::string> &env = {});

    Viewer &viewer()
    {
        return viewer_;
    }
    Window window() const
    {
        return window_;
    }
    Display *display() const
    {
        return display_;
    }

    // Pointer positions are window coordinates; they may lie outside it.
    void pointer(int x, int y);
    void click(int x, int y, unsigned button = 1);
    void press(unsigned button);
    void key(const char *keysym_name);
    void key_down(const char *keysym_name);
    void key_up(const char *keysym_name);
    void close_window();
    void hide_window();
    void show_window();
    // Through the window manager; each waits until the window is unmapped or
    // mapped again.
    void iconify();
    void restore();

    Shot shot() const;
    // Polls the screen until `ok` holds; false after `timeout`.
    bool wait_for(const std::function<bool(const Shot &)> &ok, Duration timeout = patience);
    // Polls until the window matches `expected`; on failure the result
    // describes the last mismatch.
    std::optional<std::string> wait_for(const Expected &expected, Duration timeout = patience);
    // Every input event sent before this call has been handled and the
    // window redrawn since: moves the pointer to a margin spot of its own and
    // waits until the plain pointer sprite is drawn there.
    void settle();
    // Where the pointer was last put, in window coordinates.
    std::pair<int, int> last_pointer() const
    {
        return last_pointer_;
    }

  private:
    Display *display_;
    Viewer viewer_;
    Window window_ = 0;
    int origin_x_ = 0, origin_y_ = 0;
    int settle_turn_ = 0;
    std::pair<int, int> last_pointer_{-1, -1};
};

// Polls `ok` until it holds or `timeout` passes.
bool eventually(const std::function<bool()> &ok, Duration timeout = patience);

} // namespace e2e

#endif
