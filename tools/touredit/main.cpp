// touredit [--port N] [--no-browser] [--out OUTDIR] PLAN: the plan edited in
// a web browser by pointing, saved at every change.
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/random.h>

#include <string>

#include <gio/gio.h>
#include <glib-unix.h>
#include <vips/vips.h>

#include "diagnostics.h"
#include "options.h"
#include "terminate.h"
#include "touredit.h"
#include "vips_log.h"
#include "webexport.h"

static const char usage[] = "usage: touredit [--port N] [--no-browser] [--out OUTDIR] PLAN\n";

static const char help[] =
    "Edits the tour plan PLAN in a web browser: photographs are placed on the\n"
    "floor plans by pointing, and the walks between them drawn. PLAN is a plan\n"
    "file, made at the first change when it does not exist, or a directory (then\n"
    "its plan.txt). Photographs and drawings are found beside it. Every change is\n"
    "saved to PLAN at once; a plan left unchanged is never rewritten.\n"
    "\n"
    "touredit prints one line, \"touredit: editing PLAN at URL\", opens URL in the\n"
    "default web browser and serves the editor to this computer only until it is\n"
    "interrupted (Ctrl-C). The URL carries a secret: only a page opened with it\n"
    "is served.\n"
    "\n"
    "Options:\n"
    "  --port N      listen on port N of the loopback address (default: a free one)\n"
    "  --no-browser  do not open a browser; open URL by hand\n"
    "  --out OUTDIR  where the tour is to be made (default: tour beside the plan)\n"
    "  --help        print this help and exit\n"
    "  --version     print the version and exit\n"
    "\n"
    "Environment:\n"
    "  TOUREDIT_PAGE_DIR  the directory of the editor page's files instead of the\n"
    "                     installed ones\n"
    "\n"
    "Exit status: 0 when ended by SIGINT or SIGTERM (every change is saved by\n"
    "then); 1 when PLAN's directory does not exist, PLAN cannot be read, or the\n"
    "port cannot be listened on; 2 for a usage error.\n";

namespace
{

struct Arguments {
    int port = 0;
    gboolean no_browser = FALSE;
    char *out = nullptr;
    std::string plan;
};

} // namespace

// The status to end with after the command line alone, or -1 to go on.
static int take_arguments(int argc, char **argv, Arguments *args)
{
    const GOptionEntry entries[] = {
        {"port", 0, 0, G_OPTION_ARG_INT, &args->port, NULL, NULL},
        {"no-browser", 0, 0, G_OPTION_ARG_NONE, &args->no_browser, NULL, NULL},
        {"out", 0, 0, G_OPTION_ARG_FILENAME, &args->out, NULL, NULL},
        {NULL, 0, 0, G_OPTION_ARG_NONE, NULL, NULL, NULL},
    };
    std::string help_text = std::string(usage) + help;
    int ended = take_command_line(&argc, &argv, entries, "touredit", usage, help_text.c_str(), 1);
    if (ended < 0 && (args->port < 0 || args->port > 65535)) {
        fputs(usage, stderr);
        ended = 2;
    }
    if (ended < 0)
        args->plan = argv[1];
    return ended;
}

static std::string build_path(const std::string &dir, const char *name)
{
    char *path = g_build_filename(dir.c_str(), name, NULL);
    std::string built = path;
    g_free(path);
    return built;
}

// PLAN as a file and its directory; false (said on stderr) when the directory
// is missing or PLAN is neither a file nor a directory.
static bool find_plan(const std::string &given, Editing *editing)
{
    if (g_file_test(given.c_str(), G_FILE_TEST_IS_DIR)) {
        editing->dir = given;
        editing->plan = build_path(given, "plan.txt");
    } else {
        char *dir = g_path_get_dirname(given.c_str());
        editing->dir = dir;
        editing->plan = given;
        g_free(dir);
    }
    if (!g_file_test(editing->dir.c_str(), G_FILE_TEST_IS_DIR)) {
        fprintf(stderr, "touredit: %s: no such directory\n", editing->dir.c_str());
        return false;
    }
    if (g_file_test(editing->plan.c_str(), G_FILE_TEST_EXISTS) &&
        !g_file_test(editing->plan.c_str(), G_FILE_TEST_IS_REGULAR)) {
        fprintf(stderr, "touredit: %s is neither a plan file nor a directory\n",
                editing->plan.c_str());
        return false;
    }
    PlanFile plan;
    std::string error;
    if (!read_plan(editing, &plan, &error)) {
        fprintf(stderr, "touredit: %s: %s\n", editing->plan.c_str(), error.c_str());
        return false;
    }
    editing->real_dir = real_path(editing->dir);
    return true;
}

// 128 random bits as 32 hex digits.
static bool make_secret(std::string *secret)
{
    unsigned char bits[16];
    if (getrandom(bits, sizeof bits, 0) != static_cast<ssize_t>(sizeof bits))
        return false;
    char hex[3];
    for (unsigned char byte : bits) {
        snprintf(hex, sizeof hex, "%02x", byte);
        *secret += hex;
    }
    return true;
}

static std::string cache_of(const std::string &plan)
{
    char *absolute = g_canonicalize_filename(plan.c_str(), nullptr);
    std::string key = sha256_hex(absolute).substr(0, 16);
    g_free(absolute);
    char *dir = g_build_filename(g_get_user_cache_dir(), "touredit", key.c_str(), NULL);
    std::string cache = dir;
    g_free(dir);
    return cache;
}

static gboolean quit(gpointer loop)
{
    g_main_loop_quit(static_cast<GMainLoop *>(loop));
    return G_SOURCE_REMOVE;
}

int main(int argc, char **argv)
{
    end_uncaught_with_one_line();
    Arguments args;
    int status = take_arguments(argc, argv, &args);
    if (status >= 0)
        return status;
    Editing editing;
    editing.port = static_cast<unsigned>(args.port);
    if (!find_plan(args.plan, &editing))
        return 1;
    editing.outdir = args.out ? args.out : build_path(editing.dir, "tour");
    g_free(args.out);
    editing.cache = cache_of(editing.plan);
    editing.page_dir = data_dir("TOUREDIT_PAGE_DIR", "edit", TOUREDIT_SOURCE_PAGE_DIR);
    editing.web_dir = page_dir();
    if (!make_secret(&editing.secret)) {
        fprintf(stderr, "touredit: no random numbers for the secret: %s\n", strerror(errno));
        return 1;
    }
    if (VIPS_INIT(argv[0]) != 0) {
        fprintf(stderr, "touredit: %s", vips_error_buffer());
        return 1;
    }
    // A photograph changed on disk must be read again, not taken from a cache.
    vips_cache_set_max(0);
    photo_log_install();
    draft_start(&editing);

    std::string error;
    if (!serve(&editing, &error)) {
        fprintf(stderr, "touredit: cannot listen on the loopback address: %s\n", error.c_str());
        return 1;
    }
    jobs_start(&editing);
    std::string url =
        "http://127.0.0.1:" + std::to_string(editing.port) + "/?secret=" + editing.secret;
    printf("touredit: editing %s at %s\n", editing.plan.c_str(), url.c_str());
    fflush(stdout);
    GError *failure = nullptr;
    if (!args.no_browser && !g_app_info_launch_default_for_uri(url.c_str(), nullptr, &failure)) {
        fprintf(stderr, "touredit: cannot open a web browser (%s): open the address by hand\n",
                failure->message);
        g_error_free(failure);
    }

    GMainLoop *loop = g_main_loop_new(nullptr, FALSE);
    g_unix_signal_add(SIGINT, quit, loop);
    g_unix_signal_add(SIGTERM, quit, loop);
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
    jobs_stop(&editing);
    stop_serving();
    vips_shutdown();
    return 0;
}
