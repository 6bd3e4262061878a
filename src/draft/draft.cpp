#include "draft.h"

#include <math.h>
#include <string.h>

#include <algorithm>
#include <array>
#include <vector>

#include <glib.h>

#include "pano.h"
#include "photo_meta.h"
#include "plan.h"

namespace
{

struct Shot {
    std::string file; // as found in the folder
    PhotoMeta meta;
};

// A standing point of the draft and the photographs taken there.
struct Stop {
    int pano = -1;                             // the shot of its 360° photograph
    std::array<int, HEADINGS> photo;           // shots by heading, or -1
    std::array<std::string, HEADINGS> guessed; // why a heading is a guess
    std::string why;                           // why the point is a guess
    int last = -1, last_heading = -1;          // the shot taken last
    double x = 0, y = 0;                       // metres east and south of the first
};

} // namespace

static const double EARTH_RADIUS = 6371000;
// A recorded direction further than this from its heading is marked a guess.
static const double LOOSE_DEGREES = 15;

static bool photo_name(const char *name)
{
    char *lower = g_ascii_strdown(name, -1);
    bool photo =
        name[0] != '.' && (g_str_has_suffix(lower, ".jpg") || g_str_has_suffix(lower, ".jpeg") ||
                           g_str_has_suffix(lower, ".png"));
    g_free(lower);
    return photo;
}

// Whether the plan can name it: UTF-8 without double quotes or control
// characters.
static bool nameable(const std::string &name)
{
    for (unsigned char c : name)
        if (c < ' ' || c == '"' || c == 0x7f)
            return false;
    return g_utf8_validate(name.c_str(), -1, nullptr);
}

static std::string word(const std::string &name)
{
    return name.find_first_of(" #") == std::string::npos ? name : "\"" + name + "\"";
}

static void leave_out(Diagnostics *diagnostics, const std::string &file, const std::string &why)
{
    diagnose(diagnostics, 0, WARNING, file + ": " + why + "; left out");
}

// The photographs of `dir` with their metadata, in the order taken.
static bool read_shots(const std::string &dir, std::vector<Shot> *shots, bool *by_time,
                       Diagnostics *diagnostics)
{
    GError *error = nullptr;
    GDir *folder = g_dir_open(dir.c_str(), 0, &error);
    if (!folder) {
        diagnose(diagnostics, 0, ERROR, error->message);
        g_error_free(error);
        return false;
    }
    while (const char *name = g_dir_read_name(folder)) {
        if (!photo_name(name))
            continue;
        char *display = g_filename_display_name(name);
        Shot shot{name, {}};
        std::string reason;
        char *path = g_build_filename(dir.c_str(), name, NULL);
        if (!nameable(name))
            leave_out(diagnostics, display, "a name a plan cannot hold");
        else if (!photo_meta_read(path, &shot.meta, &reason))
            leave_out(diagnostics, display, reason);
        else
            shots->push_back(shot);
        g_free(path);
        g_free(display);
    }
    g_dir_close(folder);
    if (shots->empty()) {
        diagnose(diagnostics, 0, ERROR, "no JPEG or PNG photograph to make a plan for");
        return false;
    }
    *by_time =
        std::all_of(shots->begin(), shots->end(), [](const Shot &s) { return s.meta.has_time; });
    bool timed = *by_time;
    std::sort(shots->begin(), shots->end(), [timed](const Shot &a, const Shot &b) {
        if (timed && a.meta.time != b.meta.time)
            return a.meta.time < b.meta.time;
        return a.file < b.file;
    });
    return true;
}

static bool is_pano(const PhotoMeta &meta)
{
    return meta.equirectangular && pano_size_problem(meta.width, meta.height).empty();
}

static double turn_between(double a, double b)
{
    double d = fmod(fabs(a - b), 360);
    return d > 180 ? 360 - d : d;
}

// The first heading free at the stop, going clockwise from `from`; -1 if none.
static int free_heading(const Stop &stop, int from)
{
    for (int k = 0; k < HEADINGS; k++)
        if (stop.photo[(from + k) % HEADINGS] < 0)
            return (from + k) % HEADINGS;
    return -1;
}

// One point a 360° photograph; one a run of flat photographs each taken
// less than a minute after the one before, facing headings not taken yet.
static std::vector<Stop> group(const std::vector<Shot> &shots)
{
    std::vector<Stop> stops;
    for (int i = 0; i < static_cast<int>(shots.size()); i++) {
        const PhotoMeta &meta = shots[i].meta;
        Stop fresh;
        fresh.photo.fill(-1);
        if (is_pano(meta)) {
            fresh.pano = i;
            stops.push_back(fresh);
            continue;
        }
        int heading = meta.has_direction ? nearest_heading(meta.direction) : -1;
        Stop *run = stops.empty() || stops.back().pano >= 0 ? nullptr : &stops.back();
        bool soon = run && meta.has_time && shots[run->last].meta.has_time &&
                    meta.time - shots[run->last].meta.time < DRAFT_RUN_SECONDS;
        bool room = run && (heading >= 0 ? run->photo[heading] < 0 : free_heading(*run, 0) >= 0);
        if (!soon || !room) {
            if (!meta.has_time)
                fresh.why = "guessed: a point of its own, as " + shots[i].file + " records no time";
            else if (soon)
                fresh.why = "guessed: a new point, as " + shots[i].file + " faces " +
                            heading_names[heading] + " again";
            stops.push_back(fresh);
            run = &stops.back();
        }
        std::string guess;
        if (heading < 0) {
            heading = free_heading(*run, run->last_heading < 0 ? 0 : run->last_heading + 2);
            guess = "guessed: no direction recorded";
        } else if (turn_between(meta.direction, heading * 360.0 / HEADINGS) > LOOSE_DEGREES) {
            guess = "guessed: it recorded " + number_text(meta.direction) + "°";
        }
        run->photo[heading] = i;
        run->guessed[heading] = guess;
        run->last = i;
        run->last_heading = heading;
    }
    return stops;
}

// Places from the positions recorded when every photograph has one (metres
// east and south of the first point, kept within what a plan holds); else
// false, and the points stand in a row 10 m apart.
static bool place(std::vector<Stop> &stops, const std::vector<Shot> &shots)
{
    bool known =
        std::all_of(shots.begin(), shots.end(), [](const Shot &s) { return s.meta.has_position; });
    double span = 0, latitude0 = 0, longitude0 = 0;
    for (size_t k = 0; k < stops.size(); k++) {
        Stop &stop = stops[k];
        std::vector<int> taken(stop.photo.begin(), stop.photo.end());
        taken.push_back(stop.pano);
        double latitude = 0, longitude = 0;
        int count = 0;
        for (int i : taken)
            if (i >= 0) {
                latitude += shots[i].meta.latitude;
                longitude += shots[i].meta.longitude;
                count++;
            }
        latitude /= count;
        longitude /= count;
        if (k == 0) {
            latitude0 = latitude;
            longitude0 = longitude;
        }
        double metres = EARTH_RADIUS * M_PI / 180;
        stop.x = known ? (longitude - longitude0) * cos(latitude0 * M_PI / 180) * metres : 10.0 * k;
        stop.y = known ? (latitude0 - latitude) * metres : 0;
        span = std::max(span, std::max(fabs(stop.x), fabs(stop.y)));
    }
    if (span > 1e5)
        for (Stop &stop : stops) {
            stop.x *= 1e5 / span;
            stop.y *= 1e5 / span;
        }
    return known;
}

static std::string comment(const std::string &text)
{
    return text.empty() ? "\n" : "  # " + text + "\n";
}

static std::string name_of(size_t k)
{
    return "point" + std::to_string(k + 1);
}

// The walk from stop k to the next, facing the heading nearest the way
// between them (east along a row), or the photographed heading nearest that.
static std::string walk_line(const std::vector<Stop> &stops, size_t k, bool placed)
{
    const Stop &a = stops[k], &b = stops[k + 1];
    double east = b.x - a.x, north = a.y - b.y, distance = hypot(east, north);
    int heading = 2;
    std::string why = "guessed: the next point taken, along the row";
    if (placed && distance >= 0.5) {
        double bearing = fmod(atan2(east, north) * 180 / M_PI + 360, 360);
        heading = nearest_heading(bearing);
        why = "guessed: the next point taken, " + number_text(distance) + " m away at " +
              number_text(bearing) + "°";
    } else if (placed) {
        why = "guessed: the next point taken, at the same place";
    }
    if (a.pano < 0 && a.photo[heading] < 0) {
        int wanted = heading;
        for (int turn = 1; a.photo[heading] < 0; turn++)
            for (int h : {(wanted + turn) % HEADINGS, (wanted - turn + HEADINGS) % HEADINGS})
                if (a.photo[heading] < 0 && a.photo[h] >= 0)
                    heading = h;
        why += std::string(", but ") + name_of(k) + " has no photograph facing " +
               heading_names[wanted];
    }
    return "walk " + name_of(k) + " " + heading_names[heading] + " " + name_of(k + 1) +
           comment(why);
}

static std::string title_line(const std::string &dir)
{
    char *full = g_canonicalize_filename(dir.c_str(), nullptr);
    char *base = g_path_get_basename(full);
    std::string name = base;
    g_free(base);
    g_free(full);
    if (name.empty() || name == "/" || !nameable(name))
        return "";
    return "title \"" + name + "\"" + comment("guessed: the folder's name");
}

bool draft_plan(const std::string &dir, std::string *text, Diagnostics *diagnostics)
{
    std::vector<Shot> shots;
    bool by_time = false;
    if (!read_shots(dir, &shots, &by_time, diagnostics))
        return false;
    std::vector<Stop> stops = group(shots);
    bool placed = place(stops, shots);

    char *shown = g_filename_display_name(dir.c_str());
    std::string folder = shown;
    g_free(shown);
    for (char &c : folder)
        if (static_cast<unsigned char>(c) < ' ')
            c = '?';
    *text = "# A draft plan for the photographs in " + folder +
            ", made by tourmake --draft.\n"
            "# Check the lines marked \"guessed\" against the photographs; save the plan\n"
            "# beside them and run tourmake on it.\n";
    if (!by_time)
        *text += "# In the order of their names: not every photograph records when it was taken.\n";
    *text += title_line(dir);
    for (size_t k = 0; k < stops.size(); k++) {
        const Stop &stop = stops[k];
        std::string why = stop.why;
        if (!placed)
            why += std::string(why.empty() ? "guessed: " : "; ") +
                   "in a row, as not every photograph records where it was taken";
        *text += "\npoint " + name_of(k) + " floor 0 at " + number_text(stop.x) + " " +
                 number_text(stop.y) + comment(why);
        if (stop.pano >= 0) {
            const PhotoMeta &meta = shots[stop.pano].meta;
            std::string guesses;
            if (!meta.projection_recorded)
                guesses = "guessed: a 360° photograph, as it is twice as wide as high";
            if (!meta.has_pose_heading)
                guesses += std::string(guesses.empty() ? "guessed: " : "; ") +
                           "its centre faces north, as it records no heading";
            *text += "pano " + name_of(k) + " " + word(shots[stop.pano].file) + " north " +
                     number_text(meta.has_pose_heading ? meta.pose_heading : 0) + comment(guesses);
            continue;
        }
        for (int h = 0; h < HEADINGS; h++)
            if (stop.photo[h] >= 0)
                *text += "photo " + name_of(k) + " " + heading_names[h] + " " +
                         word(shots[stop.photo[h]].file) + comment(stop.guessed[h]);
    }
    if (stops.size() > 1)
        *text += "\n";
    for (size_t k = 0; k + 1 < stops.size(); k++)
        *text += walk_line(stops, k, placed);
    return true;
}
