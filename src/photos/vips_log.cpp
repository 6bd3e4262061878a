#include "vips_log.h"

#include <stdio.h>
#include <string.h>

#include <glib.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>

#include "diagnostics.h"

// Warnings that tell nothing about the pixels shown, by their start: a
// resolution only sizes prints, the count of libjpeg's warnings and the tile
// that failed repeat what is said anyway.
static const char *const harmless_warnings[] = {
    "unknown EXIF resolution unit",
    "read gave ",
    "error in tile ",
};

static bool harmless(const std::string &text)
{
    for (const char *start : harmless_warnings)
        if (text.compare(0, strlen(start), start) == 0)
            return true;
    return text.empty();
}

struct Warnings {
    std::vector<std::string> texts;
    size_t taken = 0;
};

static std::mutex log_mutex;
static std::map<std::string, Warnings> warnings_of; // by path
// The photographs being read; `ambiguous` holds those that were among them
// when a warning could not be placed: they are read again alone.
static std::multiset<std::string> in_flight;
static std::set<std::string> ambiguous;
// Photographs are read side by side, with errors of others in the buffer.
static std::atomic<bool> side_by_side{false};
static thread_local const std::string *reading; // this thread's photograph

// One warning a line of `text`.
static void keep_warning(const std::string &path, const std::string &text)
{
    std::vector<std::string> &texts = warnings_of[path].texts;
    char **lines = g_strsplit(text.c_str(), "\n", -1);
    for (char **line = lines; *line; line++)
        if (!harmless(*line) && std::find(texts.begin(), texts.end(), *line) == texts.end())
            texts.push_back(*line);
    g_strfreev(lines);
}

static void log_handler(const char *, GLogLevelFlags level, const char *message, void *)
{
    if (level & (G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG))
        return;
    std::string text = message ? message : "";
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    // libjpeg's warnings come as the count, then the whole error buffer,
    // which holds the other photographs' errors too.
    static thread_local bool buffer_next = false;
    bool buffer = buffer_next;
    buffer_next = g_str_has_prefix(text.c_str(), "read gave ");
    if (harmless(text))
        return;
    std::lock_guard<std::mutex> lock(log_mutex);
    if (!(level & (G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE)) || in_flight.empty()) {
        fprintf(stderr, "%s: libvips: %s\n", program_name(), text.c_str());
    } else if (buffer && side_by_side) {
        if (reading)
            ambiguous.insert(*reading);
        else
            ambiguous.insert(in_flight.begin(), in_flight.end());
    } else if (reading) {
        keep_warning(*reading, text);
    } else if (in_flight.size() == 1) {
        keep_warning(*in_flight.begin(), text);
    } else {
        ambiguous.insert(in_flight.begin(), in_flight.end());
    }
}

void photo_log_install()
{
    g_log_set_handler("VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL),
                      log_handler, nullptr);
}

std::vector<std::string> photo_warnings_take(const std::string &path)
{
    std::lock_guard<std::mutex> lock(log_mutex);
    Warnings &w = warnings_of[path];
    std::vector<std::string> fresh(w.texts.begin() + w.taken, w.texts.end());
    w.taken = w.texts.size();
    return fresh;
}

PhotoReading::PhotoReading(const std::string &path) : path_(path)
{
    std::lock_guard<std::mutex> lock(log_mutex);
    in_flight.insert(path_);
    reading = &path_;
}

PhotoReading::~PhotoReading()
{
    std::lock_guard<std::mutex> lock(log_mutex);
    in_flight.erase(in_flight.find(path_));
    reading = nullptr;
}

void photos_side_by_side(bool on)
{
    side_by_side = on;
}

bool photo_ambiguous(const std::string &path)
{
    std::lock_guard<std::mutex> lock(log_mutex);
    return ambiguous.count(path) > 0;
}

void photo_ambiguities_clear()
{
    std::lock_guard<std::mutex> lock(log_mutex);
    ambiguous.clear();
}
