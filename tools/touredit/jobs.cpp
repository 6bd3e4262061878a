// Tours made while the server goes on answering: one run at a time on a
// worker thread, by the making library's stages. A preview is made into this
// process's cache with the photographs, map and sprites of earlier previews;
// "Make tour" writes OUTDIR whole, or OUTDIR.html, as tourmake --web and
// tourweb --single-file do.
#include "touredit.h"

#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include <glib/gstdio.h>
#include <vips/vips.h>

#include "making.h"
#include "outdir.h"
#include "photos.h"

namespace
{

struct PreviewAsk {
    std::string point, heading;
    Answer answer;
};

// One run of the worker: what it is given, and what it comes to.
struct Run {
    Jobs *jobs;
    bool make = false, single = false;
    std::string plan_text, plan_dir, cache, target; // target: OUTDIR, or the preview's directory
    int number = 0;                                 // the preview's
    std::vector<PreviewAsk> asks;                   // the previews it answers
    // Its result.
    bool ok = false, plan_errors = false;
    std::string error, inputs; // inputs: what a preview was made from
    Plan plan;
    std::vector<PlannedSlide> slides;
};

} // namespace

struct Jobs {
    Editing *editing;
    GThread *thread = nullptr;
    Run *running = nullptr;
    std::vector<PreviewAsk> waiting;
    Run *make_waiting = nullptr;
    std::atomic<bool> stopping{false};
    // The previews of this process: cache/preview.PID/N.
    std::string previews;
    int last_preview = 0;
    std::string last_inputs; // what the last preview was made from
    // "Make tour" as GET /api/job tells it.
    std::atomic<size_t> done{0}, total{0};
    bool make_running = false, make_ok = false;
    std::string make_error, make_link;
};

static std::string path_in(const std::string &dir, const std::string &name)
{
    char *path = g_build_filename(dir.c_str(), name.c_str(), NULL);
    std::string joined = path;
    g_free(path);
    return joined;
}

// Previews left by touredit processes that have ended.
static void remove_stale_previews(const std::string &cache)
{
    GDir *dir = g_dir_open(cache.c_str(), 0, nullptr);
    if (!dir)
        return;
    while (const char *name = g_dir_read_name(dir)) {
        long pid = g_str_has_prefix(name, "preview.") ? atol(name + strlen("preview.")) : 0;
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            remove_tree(path_in(cache, name));
    }
    g_dir_close(dir);
}

void jobs_start(Editing *editing)
{
    editing->jobs = new Jobs;
    editing->jobs->editing = editing;
    editing->jobs->previews = path_in(editing->cache, "preview." + std::to_string(getpid()));
    remove_stale_previews(editing->cache);
}

static std::string error_json(const std::string &message)
{
    return "{\"error\":" + json_string(message) + "}";
}

// The first error of a plan, as tourmake says it.
static std::string first_error(const Diagnostics &diagnostics, const std::string &plan)
{
    for (const Diagnostic &d : diagnostics)
        if (d.severity == ERROR)
            return diagnostic_line(d, plan);
    return "";
}

// What a preview shows: the plan's text and every file it names, as they are.
static std::string preview_inputs(const Run *run)
{
    std::string inputs = run->plan_text;
    for (const Photo &photo : run->plan.photos)
        inputs += "\n" + file_stamp(photo.path);
    for (const MapDrawing &map : run->plan.maps)
        inputs += "\n" + file_stamp(map.path);
    return inputs;
}

// Why the tour was not made: the first that says it.
static std::string made_failure(const Made &made)
{
    for (const Diagnostic &d : made.photographs)
        if (d.severity == ERROR)
            return diagnostic_line(d, "");
    for (const Diagnostic &d : made.checks)
        if (d.severity == ERROR)
            return diagnostic_line(d);
    return made.failure.empty() ? "the tour could not be made" : made.failure;
}

static bool make_into(Run *run, const std::string &dir, const MadeStore &store)
{
    Jobs *jobs = run->jobs;
    Steering steering;
    steering.stop = [jobs]() { return jobs->stopping.load(); };
    steering.store = store;
    if (run->make)
        steering.progress = [jobs](size_t done, size_t total) {
            jobs->done = done;
            jobs->total = total;
        };
    if (run->make)
        jobs->total = run->slides.size();
    Made made;
    if (make_tour(run->plan, run->slides, dir, steering, &made))
        return true;
    run->error = made.stopped ? "stopped" : made_failure(made);
    return false;
}

static void make_preview(Run *run)
{
    run->inputs = preview_inputs(run);
    if (run->inputs == run->jobs->last_inputs) {
        run->ok = true; // the last preview shows it already
        return;
    }
    if (g_mkdir_with_parents(run->target.c_str(), 0700) != 0) {
        run->error = "cannot create " + run->target + ": " + g_strerror(errno);
        return;
    }
    run->ok = make_into(run, run->target, made_store_in(path_in(run->cache, "made"))) &&
              write_web_page(run->target, &run->error);
}

// The tour made in a directory beside OUTDIR, then put in its place, or its
// single file written beside OUTDIR.html and renamed into place.
static void make_outdir(Run *run)
{
    std::string work = outdir_begin(run->target, "touredit", &run->error), html;
    if (work.empty())
        return;
    bool made =
        make_into(run, work, MadeStore{}) && (run->single ? single_file_of(work, &html, &run->error)
                                                          : write_web_page(work, &run->error));
    if (made && run->jobs->stopping)
        run->error = "stopped";
    else if (made)
        run->ok = run->single ? write_bytes(run->target + ".html", html, &run->error)
                              : outdir_commit(work, run->target, &run->error);
    if (!run->ok || run->single)
        remove_tree(work);
}

static gboolean finish(gpointer data);

static gpointer work(gpointer data)
{
    Run *run = static_cast<Run *>(data);
    Diagnostics diagnostics;
    run->slides = plan_read(&run->plan, &diagnostics, run->plan_text, run->plan_dir);
    run->error = first_error(diagnostics, run->jobs->editing->plan);
    run->plan_errors = !run->error.empty();
    if (run->error.empty() && run->make)
        make_outdir(run);
    else if (run->error.empty())
        make_preview(run);
    vips_thread_shutdown();
    g_idle_add(finish, run);
    return nullptr;
}

static void start_next(Jobs *jobs);

// The slide of `point` facing `heading`, else the first of `point`, else "".
static std::string slide_id(const Run *run, const std::string &point, const std::string &heading)
{
    std::string first;
    for (const PlannedSlide &slide : run->slides) {
        const Photo &photo = run->plan.photos[slide.photo];
        if (run->plan.points[photo.point].name != point)
            continue;
        if (heading == heading_names[photo.heading])
            return slide.id;
        if (first.empty())
            first = slide.id;
    }
    return first;
}

// Every preview of this process but `kept`.
static void remove_previews_but(const Jobs *jobs, const std::string &kept)
{
    GDir *dir = g_dir_open(jobs->previews.c_str(), 0, nullptr);
    if (!dir)
        return;
    while (const char *name = g_dir_read_name(dir))
        if (kept != name)
            remove_tree(path_in(jobs->previews, name));
    g_dir_close(dir);
}

static void answer_previews(Jobs *jobs, Run *run)
{
    if (run->ok && run->inputs != jobs->last_inputs) {
        jobs->last_preview = run->number;
        jobs->last_inputs = run->inputs;
        remove_previews_but(jobs, std::to_string(run->number));
    } else if (!run->ok) {
        remove_tree(run->target);
    }
    std::string number = std::to_string(jobs->last_preview);
    for (const PreviewAsk &ask : run->asks) {
        if (!run->ok) {
            ask.answer(run->plan_errors ? 422 : 500, error_json(run->error));
            continue;
        }
        std::string id = slide_id(run, ask.point, ask.heading);
        std::string url = "/preview/" + number + "/index.html" + (id.empty() ? "" : "#" + id);
        ask.answer(200, "{\"url\":" + json_string(url) +
                            ",\"version\":" + json_string(sha256_hex(run->plan_text)) + "}");
    }
}

static gboolean finish(gpointer data)
{
    Run *run = static_cast<Run *>(data);
    Jobs *jobs = run->jobs;
    g_thread_join(jobs->thread);
    jobs->thread = nullptr;
    jobs->running = nullptr;
    if (run->make) {
        jobs->make_running = false;
        jobs->make_ok = run->ok;
        jobs->make_error = run->ok ? "" : run->error;
        jobs->make_link = run->ok ? (run->single ? "/out.html" : "/out/index.html") : "";
    } else {
        answer_previews(jobs, run);
    }
    delete run;
    start_next(jobs);
    return G_SOURCE_REMOVE;
}

static Run *new_run(Jobs *jobs, const PlanFile &plan)
{
    Run *run = new Run;
    run->jobs = jobs;
    run->plan_text = plan.text;
    run->plan_dir = jobs->editing->dir;
    run->cache = jobs->editing->cache;
    return run;
}

// Starts the waiting make, else the waiting previews, when nothing runs.
static void start_next(Jobs *jobs)
{
    if (jobs->running || jobs->stopping)
        return;
    Run *run = jobs->make_waiting;
    jobs->make_waiting = nullptr;
    if (!run && !jobs->waiting.empty()) {
        PlanFile plan;
        std::string error;
        if (!read_plan(jobs->editing, &plan, &error)) {
            for (const PreviewAsk &ask : jobs->waiting)
                ask.answer(500, error_json(error));
            jobs->waiting.clear();
            return;
        }
        run = new_run(jobs, plan);
        run->number = jobs->last_preview + 1;
        run->target = path_in(jobs->previews, std::to_string(run->number));
        run->asks.swap(jobs->waiting);
    }
    if (!run)
        return;
    jobs->running = run;
    jobs->thread = g_thread_new("making", work, run);
}

void ask_preview(Editing *editing, const std::string &point, const std::string &heading,
                 Answer answer)
{
    editing->jobs->waiting.push_back({point, heading, std::move(answer)});
    start_next(editing->jobs);
}

// Why making into `target` must be asked about (409) or cannot be (422).
static unsigned make_refusal(const std::string &target, bool single, bool replace,
                             std::string *json)
{
    struct stat st;
    std::string file = target + ".html";
    bool asks = false;
    if (single && lstat(file.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            *json = error_json(file + " exists and is not a file");
            return 422;
        }
        asks = st.st_size > 0;
    } else if (!single) {
        std::string refusal = outdir_refusal(target, true);
        if (!refusal.empty()) {
            *json = error_json(refusal);
            return 422;
        }
        asks = !outdir_refusal(target, false).empty();
    }
    if (!asks || replace)
        return 0;
    *json = "{\"ask\":\"replace\",\"outdir\":" + json_string(single ? file : target) + "}";
    return 409;
}

unsigned ask_make(Editing *editing, bool single, bool replace, std::string *json)
{
    Jobs *jobs = editing->jobs;
    if (jobs->make_running) {
        *json = error_json("a tour is being made already: wait until it is done");
        return 429;
    }
    PlanFile file;
    std::string error;
    if (!read_plan(editing, &file, &error)) {
        *json = error_json(editing->plan + ": " + error);
        return 500;
    }
    Plan plan;
    Diagnostics diagnostics;
    plan_read(&plan, &diagnostics, file.text, editing->dir);
    error = first_error(diagnostics, editing->plan);
    if (!error.empty()) {
        *json = error_json(error);
        return 422;
    }
    unsigned refused = make_refusal(editing->outdir, single, replace, json);
    if (refused)
        return refused;
    Run *run = new_run(jobs, file);
    run->make = true;
    run->single = single;
    run->target = editing->outdir;
    jobs->make_waiting = run;
    jobs->make_running = true;
    jobs->make_ok = false;
    jobs->make_error = jobs->make_link = "";
    jobs->done = 0;
    jobs->total = 0;
    start_next(jobs);
    *json = job_json(editing);
    return 202;
}

std::string job_json(const Editing *editing)
{
    const Jobs *jobs = editing->jobs;
    return std::string("{\"running\":") + (jobs->make_running ? "true" : "false") +
           ",\"done\":" + std::to_string(jobs->done) + ",\"total\":" + std::to_string(jobs->total) +
           ",\"ok\":" + (jobs->make_ok ? "true" : "false") +
           ",\"error\":" + json_string(jobs->make_error) +
           ",\"link\":" + json_string(jobs->make_link) + "}";
}

std::string preview_dir(const Editing *editing, const std::string &number)
{
    const Jobs *jobs = editing->jobs;
    if (jobs->last_preview == 0 || number != std::to_string(jobs->last_preview))
        return "";
    return path_in(jobs->previews, number);
}

void jobs_stop(Editing *editing)
{
    Jobs *jobs = editing->jobs;
    jobs->stopping = true;
    while (jobs->running)
        g_main_context_iteration(nullptr, TRUE);
    for (const PreviewAsk &ask : jobs->waiting)
        ask.answer(503, error_json("touredit is ending"));
    delete jobs->make_waiting;
    remove_tree(jobs->previews);
    delete jobs;
    editing->jobs = nullptr;
}
