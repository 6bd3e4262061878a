// Collects GLib log messages (criticals from precondition tests) for the life
// of one object, so tests can check their exact text.
#ifndef TOURVIEW_TESTS_LOG_CAPTURE_H
#define TOURVIEW_TESTS_LOG_CAPTURE_H

#include <glib.h>

#include <string>
#include <vector>

struct LogCapture {
    std::vector<std::string> messages;
    GLogFunc previous;
    gpointer previous_data;

    LogCapture()
    {
        previous = g_log_set_default_handler(handler, this);
        previous_data = nullptr;
    }
    ~LogCapture()
    {
        g_log_set_default_handler(previous, previous_data);
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    static void handler(const char *domain, GLogLevelFlags level, const char *message,
                        gpointer self)
    {
        std::string text;
        if (domain)
            text = std::string(domain) + ": ";
        if (level & G_LOG_LEVEL_CRITICAL)
            text += "CRITICAL: ";
        text += message;
        static_cast<LogCapture *>(self)->messages.push_back(text);
    }
};

// "CRITICAL: func: assertion 'expr' failed", as GLib words a failed precondition.
inline std::string critical(const char *func, const char *expr)
{
    return std::string("CRITICAL: ") + func + ": assertion '" + expr + "' failed";
}

#endif
