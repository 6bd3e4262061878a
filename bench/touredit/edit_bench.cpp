// edit_bench --touredit P --tourmake P --make-demo-tour P --data DIR: times
// touredit's preview on the demo's plan and photographs, over HTTP as the
// page asks for it, against a full `tourmake --web` of the same plan in the
// same run:
//   - opening: from starting touredit (its cache empty) to the first preview's
//     page read, as a page opened on the printed address gets it;
//   - a change: one photograph moved to another heading (an edit), to the
//     preview showing it read.
// Wall-clock times; each figure is the fastest of its runs, the change's also
// its median. Prints a table; asserts nothing.
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <glib.h>
#include <glib/gstdio.h>
#include <json-glib/json-glib.h>
#include <libsoup/soup.h>

namespace
{

struct Paths {
    std::string touredit, tourmake, make_demo_tour, data;
};

double now()
{
    return g_get_monotonic_time() / 1e6;
}

void fail(const std::string &why)
{
    fprintf(stderr, "edit_bench: %s\n", why.c_str());
    exit(1);
}

int run_quietly(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    int status = -1;
    if (!g_spawn_sync(
            nullptr, argv.data(), nullptr,
            static_cast<GSpawnFlags>(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
            nullptr, nullptr, nullptr, nullptr, &status, nullptr))
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A running touredit and a session that holds its cookie.
struct Editor {
    GPid pid = 0;
    std::string base, origin, cookie;
    SoupSession *session = nullptr;
};

// GET or POST `path`; the body, and the status in *status.
std::string request(Editor *editor, const char *method, const std::string &path,
                    const std::string &body, unsigned *status)
{
    SoupMessage *msg = soup_message_new(method, (editor->base + path).c_str());
    if (!body.empty()) {
        GBytes *bytes = g_bytes_new(body.data(), body.size());
        soup_message_set_request_body_from_bytes(msg, "application/json", bytes);
        g_bytes_unref(bytes);
    }
    SoupMessageHeaders *headers = soup_message_get_request_headers(msg);
    if (strcmp(method, "GET") != 0)
        soup_message_headers_replace(headers, "Origin", editor->origin.c_str());
    if (!editor->cookie.empty())
        soup_message_headers_replace(headers, "Cookie", editor->cookie.c_str());
    GBytes *answer = soup_session_send_and_read(editor->session, msg, nullptr, nullptr);
    *status = soup_message_get_status(msg);
    std::string text;
    if (answer) {
        gsize size = 0;
        const char *data = static_cast<const char *>(g_bytes_get_data(answer, &size));
        text.assign(data ? data : "", size);
        g_bytes_unref(answer);
    }
    g_object_unref(msg);
    return text;
}

std::string member(const std::string &json, const char *name)
{
    JsonParser *parser = json_parser_new();
    std::string value;
    if (json_parser_load_from_data(parser, json.c_str(), -1, nullptr) &&
        JSON_NODE_HOLDS_OBJECT(json_parser_get_root(parser)))
        value = json_object_get_string_member_with_default(
            json_node_get_object(json_parser_get_root(parser)), name, "");
    g_object_unref(parser);
    return value;
}

std::string get_ok(Editor *editor, const std::string &path)
{
    unsigned status = 0;
    std::string body = request(editor, "GET", path, "", &status);
    if (status != 200)
        fail("GET " + path + " answered " + std::to_string(status));
    return body;
}

std::string post_ok(Editor *editor, const std::string &path, const std::string &body)
{
    unsigned status = 0;
    std::string answer = request(editor, "POST", path, body, &status);
    if (status != 200)
        fail("POST " + path + " answered " + std::to_string(status) + ": " + answer);
    return answer;
}

// Starts touredit on `plan` with its cache in `cache` and takes the cookie.
void start(Editor *editor, const Paths &paths, const std::string &plan, const std::string &cache)
{
    const char *argv[] = {paths.touredit.c_str(), "--no-browser", plan.c_str(), nullptr};
    gchar **env = g_environ_setenv(g_get_environ(), "XDG_CACHE_HOME", cache.c_str(), TRUE);
    int out = -1;
    if (!g_spawn_async_with_pipes(nullptr, const_cast<gchar **>(argv), env,
                                  G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &editor->pid,
                                  nullptr, &out, nullptr, nullptr))
        fail("cannot start " + paths.touredit);
    g_strfreev(env);
    std::string line;
    char c;
    while (read(out, &c, 1) == 1 && c != '\n')
        line += c;
    close(out);
    size_t at = line.find(" at http://");
    if (at == std::string::npos)
        fail("touredit printed \"" + line + "\"");
    std::string url = line.substr(at + 4);
    editor->base = url.substr(0, url.find("/?"));
    editor->origin = editor->base;
    editor->session = soup_session_new();
    // The secret for the cookie, as a browser takes it.
    SoupMessage *msg = soup_message_new("GET", url.c_str());
    soup_message_add_flags(msg, SOUP_MESSAGE_NO_REDIRECT);
    GBytes *answer = soup_session_send_and_read(editor->session, msg, nullptr, nullptr);
    if (answer)
        g_bytes_unref(answer);
    const char *set =
        soup_message_headers_get_one(soup_message_get_response_headers(msg), "Set-Cookie");
    if (!set)
        fail("no cookie for the secret");
    editor->cookie = std::string(set).substr(0, std::string(set).find(';'));
    g_object_unref(msg);
}

void stop(Editor *editor)
{
    kill(editor->pid, SIGTERM);
    waitpid(editor->pid, nullptr, 0);
    g_spawn_close_pid(editor->pid);
    g_object_unref(editor->session);
}

// The preview of `point` facing `heading` asked for and its page read, as
// the page shows it.
void show_preview(Editor *editor, const char *point, const char *heading)
{
    std::string version = member(get_ok(editor, "/api/state"), "version");
    std::string answer = post_ok(editor, "/api/preview",
                                 "{\"version\":\"" + version + "\",\"point\":\"" + point +
                                     "\",\"heading\":\"" + heading + "\"}");
    std::string url = member(answer, "url");
    std::string page = url.substr(0, url.find('#'));
    get_ok(editor, page);
    get_ok(editor, page.substr(0, page.rfind('/')) + "/tour.js");
}

// hall's photograph facing N moved to `to`, from `from`.
void move_photograph(Editor *editor, const char *from, const char *to)
{
    std::string version = member(get_ok(editor, "/api/state"), "version");
    post_ok(editor, "/api/edit",
            "{\"version\":\"" + version + "\",\"edits\":[" +
                "{\"op\":\"photo\",\"point\":\"hall\",\"heading\":\"" + from +
                "\",\"file\":null},{\"op\":\"photo\",\"point\":\"hall\",\"heading\":\"" + to +
                "\",\"file\":\"hall-N.png\"}]}");
}

void remove_tree(const std::string &dir)
{
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

} // namespace

int main(int argc, char **argv)
{
    Paths paths;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--touredit")
            paths.touredit = argv[i + 1];
        else if (option == "--tourmake")
            paths.tourmake = argv[i + 1];
        else if (option == "--make-demo-tour")
            paths.make_demo_tour = argv[i + 1];
        else if (option == "--data")
            paths.data = argv[i + 1];
    }
    if (paths.touredit.empty() || paths.tourmake.empty() || paths.make_demo_tour.empty() ||
        paths.data.empty())
        fail("usage: edit_bench --touredit P --tourmake P --make-demo-tour P --data DIR");
    std::string work = paths.data + "/edit-bench", demo = work + "/demo", plan = demo + "/plan.txt",
                cache = work + "/cache";
    remove_tree(work);
    g_mkdir_with_parents(work.c_str(), 0755);
    if (run_quietly({paths.make_demo_tour, demo}) != 0)
        fail("make-demo-tour failed");

    const int runs = 3, changes = 11;
    double baseline = HUGE_VAL, opening = HUGE_VAL;
    for (int r = 0; r < runs; r++) {
        remove_tree(work + "/out");
        double begun = now();
        if (run_quietly({paths.tourmake, "--web", plan, work + "/out"}) != 0)
            fail("tourmake --web failed");
        baseline = std::min(baseline, now() - begun);

        remove_tree(cache);
        Editor editor;
        begun = now();
        start(&editor, paths, plan, cache);
        show_preview(&editor, "hall", "E");
        opening = std::min(opening, now() - begun);
        stop(&editor);
    }

    // The cache as the openings left it; each change moves one photograph.
    Editor editor;
    start(&editor, paths, plan, cache);
    show_preview(&editor, "hall", "E");
    std::vector<double> times;
    const char *headings[] = {"N", "NE"};
    for (int c = 0; c < changes; c++) {
        const char *from = headings[c % 2], *to = headings[(c + 1) % 2];
        double begun = now();
        move_photograph(&editor, from, to);
        show_preview(&editor, "hall", to);
        times.push_back(now() - begun);
    }
    stop(&editor);
    std::sort(times.begin(), times.end());
    double best = times.front(), median = times[times.size() / 2];

    printf("\ntouredit's preview on the demo's plan (42 photographs), wall clock, against a full\n"
           "tourmake --web of the same plan; opening and the baseline the fastest of %d, the\n"
           "change the fastest and the median of %d:\n\n",
           runs, changes);
    printf("%-46s | %11s | %-20s | %9s | %6s\n", "measurement", "result", "baseline", "baseline",
           "ratio");
    printf("%-46s | %8.0f ms | %-20s | %6.0f ms | %6.2f\n", "opening to the first preview read",
           opening * 1000, "tourmake --web", baseline * 1000, opening / baseline);
    printf("%-46s | %8.0f ms | %-20s | %6.0f ms | %6.2f\n",
           "a photograph moved to the preview (fastest)", best * 1000, "tourmake --web",
           baseline * 1000, best / baseline);
    printf("%-46s | %8.0f ms | %-20s | %6.0f ms | %6.2f\n",
           "a photograph moved to the preview (median)", median * 1000, "tourmake --web",
           baseline * 1000, median / baseline);
    printf("\ntarget: a change shown within 1 s: %s (median %.0f ms)\n",
           median < 1.0 ? "met" : "MISSED", median * 1000);
    remove_tree(work);
    return 0;
}
