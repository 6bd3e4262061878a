// The tours touredit makes, through the real program over HTTP: previews take
// what earlier ones made from the cache and make only what changed; "Make
// tour" writes tourmake --web's OUTDIR and tourweb's single file, whole or not
// at all, and never replaces what is there unasked.
#include "files.h"
#include "scratch.h"
#include "test_photos.h"
#include "touredit_client.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

const char small_plan[] = "title \"Small\"\n"
                          "point hall floor 0 at 10 10\n"
                          "photo hall N n.jpg\n"
                          "photo hall E e.jpg\n"
                          "point porch floor 0 at 60 10\n"
                          "photo porch W w.jpg\n"
                          "walk hall E porch\n";

void write_small_plan(const std::string &dir)
{
    write_file(dir + "/plan.txt", small_plan);
    ASSERT_TRUE(write_picture(dir + "/n.jpg", 900, 600, {200, 0, 0}, {0, 200, 0}));
    ASSERT_TRUE(write_picture(dir + "/e.jpg", 900, 600, {0, 0, 200}, {0, 200, 0}));
    ASSERT_TRUE(write_picture(dir + "/w.jpg", 900, 600, {90, 90, 90}, {0, 200, 0}));
}

// Every file under `dir` by its path inside it, with its bytes.
std::map<std::string, std::string> tree_of(const std::string &dir)
{
    std::map<std::string, std::string> tree;
    std::error_code ignored;
    for (const auto &entry : fs::recursive_directory_iterator(dir, ignored))
        if (entry.is_regular_file())
            tree[fs::relative(entry.path(), dir).string()] = read_file(entry.path().string());
    return tree;
}

// The one directory under `parent` whose name starts with `prefix`, or "".
std::string only_dir(const std::string &parent, const std::string &prefix)
{
    std::string found;
    for (const std::string &name : dir_entries(parent))
        if (name.compare(0, prefix.size(), prefix) == 0)
            found = found.empty() ? parent + "/" + name : "(more than one)";
    return found;
}

std::set<ino_t> inodes_in(const std::string &dir)
{
    std::set<ino_t> inodes;
    struct stat st;
    for (const std::string &name : dir_entries(dir))
        if (stat((dir + "/" + name).c_str(), &st) == 0)
            inodes.insert(st.st_ino);
    return inodes;
}

std::string version_of(const Touredit &editor)
{
    return json_member(editor.send(get("/api/state")).body, "version");
}

Reply ask_preview(const Touredit &editor, const char *point, const char *heading)
{
    std::string body = "{\"version\":\"" + version_of(editor) + "\",\"point\":\"" + point +
                       "\",\"heading\":\"" + heading + "\"}";
    return editor.send(post("/api/preview", editor.own_origin(), body));
}

struct PreviewStep {
    const char *what;
    const char *edits;   // sent before the preview, or null
    const char *rewrite; // a photograph written anew, in other colours, or null
    const char *point, *heading, *fragment;
    size_t made;       // files the cache gains
    bool same_preview; // the last preview still shows it
};

const PreviewStep preview_steps[] = {
    {"the first preview", nullptr, nullptr, "hall", "N", "#S001", 3 + 1 + 15, false},
    {"a photograph moved to another heading",
     R"([{"op":"photo","point":"hall","heading":"N","file":null},)"
     R"({"op":"photo","point":"hall","heading":"NE","file":"n.jpg"}])",
     nullptr, "hall", "NE", "#hall-NE", 0, false},
    {"nothing changed, another point asked for", nullptr, nullptr, "porch", "W", "#porch-W", 0,
     true},
    {"a photograph written anew", nullptr, "e.jpg", "hall", "E", "#S001", 1, false},
    {"a point moved: the map", R"([{"op":"move_point","name":"porch","x":70,"y":10}])", nullptr,
     "porch", "W", "#porch-W", 1, false},
    {"fitted, no longer cropped", R"([{"op":"framing","value":"fit"}])", nullptr, "hall", "E",
     "#S001", 3, false},
};

TEST(ToureditPreview, MakesOnlyWhatChangedAndTakesTheRestFromTheCache)
{
    ScratchDir scratch;
    write_small_plan(scratch.path);
    std::string cache = scratch.path + "/cache";
    Touredit editor({scratch.path + "/plan.txt"}, cache);
    std::string last_url;
    for (const PreviewStep &step : preview_steps) {
        SCOPED_TRACE(step.what);
        std::string plan_cache = only_dir(cache + "/touredit", "");
        std::string store = plan_cache + "/made";
        size_t kept = plan_cache.empty() ? 0 : dir_entries(store).size();
        if (step.edits) {
            Reply edited = editor.send(
                post("/api/edit", editor.own_origin(), edit_body(version_of(editor), step.edits)));
            ASSERT_EQ(edited.status, 200) << edited.body;
        }
        if (step.rewrite) {
            ASSERT_TRUE(write_picture(scratch.path + "/" + step.rewrite, 900, 600, {250, 250, 0},
                                      {250, 250, 0}));
        }

        Reply answer = ask_preview(editor, step.point, step.heading);
        ASSERT_EQ(answer.status, 200) << answer.body;
        std::string url = json_member(answer.body, "url");
        std::string number = url.substr(9, url.find('/', 9) - 9);
        EXPECT_EQ(url, "/preview/" + number + "/index.html" + step.fragment);
        EXPECT_EQ(url.substr(0, url.find('#')) == last_url.substr(0, last_url.find('#')),
                  step.same_preview)
            << url << " after " << last_url;
        Reply page = editor.send(get(url.substr(0, url.find('#'))));
        EXPECT_EQ(page.status, 200);
        EXPECT_NE(page.header("Content-Security-Policy"), "");
        if (!last_url.empty() && !step.same_preview) {
            EXPECT_EQ(editor.send(get(last_url.substr(0, last_url.find('#')))).status, 404)
                << "the older preview is removed";
        }
        last_url = url;

        plan_cache = only_dir(cache + "/touredit", "");
        store = plan_cache + "/made";
        EXPECT_EQ(dir_entries(store).size(), kept + step.made);
        // Only the preview shown is kept; its files are the cache's own.
        std::string preview = only_dir(plan_cache, "preview.") + "/" + number;
        EXPECT_EQ(dir_entries(only_dir(plan_cache, "preview.")), std::vector<std::string>{number});
        std::set<ino_t> stored = inodes_in(store);
        for (const char *sub : {"slides", "cursors"})
            for (const std::string &name : dir_entries(preview + "/" + sub)) {
                struct stat st;
                ASSERT_EQ(stat((preview + "/" + sub + "/" + name).c_str(), &st), 0);
                EXPECT_EQ(stored.count(st.st_ino), 1u) << sub << "/" << name;
            }
        if (step.rewrite) {
            EXPECT_TRUE(
                near(pixel_at(preview + "/slides/" + (step.fragment + 1) + ".jpg", 400, 266),
                     {250, 250, 0}, 12))
                << "the photograph as it is now, not as it was";
        }
    }
    // A plan the tour cannot be made of: its first error, as tourmake says it.
    Reply broken = editor.send(
        post("/api/edit", editor.own_origin(),
             edit_body(version_of(editor),
                       R"([{"op":"photo","point":"porch","heading":"N","file":"n.jpg"}])")));
    ASSERT_EQ(broken.status, 200);
    ASSERT_EQ(g_unlink((scratch.path + "/n.jpg").c_str()), 0);
    Reply refused = ask_preview(editor, "hall", "N");
    EXPECT_EQ(refused.status, 422);
    std::string text = read_file(scratch.path + "/plan.txt");
    int line =
        1 + static_cast<int>(std::count(text.begin(), text.begin() + text.find("n.jpg"), '\n'));
    EXPECT_EQ(json_member(refused.body, "error"), scratch.path +
                                                      "/plan.txt:" + std::to_string(line) +
                                                      ": error: n.jpg: No such file or directory");
    EXPECT_EQ(editor.stop(), 0);
    EXPECT_EQ(only_dir(only_dir(cache + "/touredit", ""), "preview."), "")
        << "the previews end with touredit";
}

// GET /api/job until the make has ended; its last answer.
std::string job_done(const Touredit &editor)
{
    for (int tries = 0; tries < 600; tries++) {
        std::string job = editor.send(get("/api/job")).body;
        if (job.find("\"running\":false") != std::string::npos)
            return job;
        g_usleep(100000);
    }
    return "still running";
}

struct MakeCase {
    const char *what;
    const char *body;
    int status;
    const char *asked;   // the path a 409 asks about ("" when it does not)
    const char *outcome; // what /api/job says at the end, or "" when nothing starts
    const char *written; // "outdir", "single" or "" for nothing changed
};

const MakeCase make_cases[] = {
    {"into a new OUTDIR", R"({"single":false,"replace":false})", 202, "", R"("ok":true)", "outdir"},
    {"again, not asked to replace", R"({"single":false,"replace":false})", 409, "tour", "", ""},
    {"again, replacing", R"({"single":false,"replace":true})", 202, "", R"("ok":true)", "outdir"},
    {"the single file", R"({"single":true,"replace":false})", 202, "", R"("ok":true)", "single"},
    {"the single file again, not asked", R"({"single":true})", 409, "tour.html", "", ""},
    {"with a photograph cut short after its header", R"({"single":false,"replace":true})", 202, "",
     R"("ok":false)", ""},
};

TEST(ToureditMake, WritesTourmakesOutdirWholeOrNotAtAll)
{
    ScratchDir scratch;
    write_small_plan(scratch.path);
    std::string outdir = scratch.path + "/tour", single = outdir + ".html";
    Touredit editor({scratch.path}, scratch.path + "/cache");
    Ran reference =
        run({TOURMAKE_PROGRAM, "--web", scratch.path + "/plan.txt", scratch.path + "/reference"});
    ASSERT_EQ(reference.status, 0) << reference.err;
    Ran reference_single = run({TOURWEB_PROGRAM, "--single-file", scratch.path + "/reference",
                                scratch.path + "/reference.html"});
    ASSERT_EQ(reference_single.status, 0) << reference_single.err;

    for (const MakeCase &c : make_cases) {
        SCOPED_TRACE(c.what);
        if (std::string(c.what).find("cut short") != std::string::npos) {
            std::string jpeg = read_file(scratch.path + "/e.jpg");
            write_file(scratch.path + "/e.jpg", jpeg.substr(0, jpeg.size() / 3));
        }
        std::map<std::string, std::string> before = tree_of(outdir);
        std::string single_before = read_file(single);
        std::string body =
            std::string("{\"version\":\"") + version_of(editor) + "\"," + (c.body + 1);
        Reply answer = editor.send(post("/api/make", editor.own_origin(), body));
        ASSERT_EQ(answer.status, c.status) << answer.body;
        if (*c.asked) {
            EXPECT_EQ(json_member(answer.body, "ask"), "replace");
            EXPECT_EQ(json_member(answer.body, "outdir"), scratch.path + "/" + c.asked);
        }
        if (*c.outcome) {
            std::string job = job_done(editor);
            EXPECT_NE(job.find(c.outcome), std::string::npos) << job;
        }
        std::string written = c.written;
        if (written == "outdir") {
            EXPECT_EQ(tree_of(outdir), tree_of(scratch.path + "/reference"))
                << "tourmake --web's tour, byte for byte";
            Ran check = run({TOURCHECK_PROGRAM, outdir});
            EXPECT_EQ(check.status, 0) << check.out << check.err;
            EXPECT_EQ(editor.send(get("/out/index.html")).status, 200);
        } else {
            EXPECT_EQ(tree_of(outdir), before) << "OUTDIR as it was";
        }
        if (written == "single") {
            EXPECT_EQ(read_file(single), read_file(scratch.path + "/reference.html"));
            EXPECT_NE(
                editor.send(get("/out.html")).header("Content-Security-Policy").find("sandbox"),
                std::string::npos);
        } else {
            EXPECT_EQ(read_file(single), single_before);
        }
        for (const std::string &name : dir_entries(scratch.path))
            EXPECT_EQ(name.find("touredit"), std::string::npos) << name << " is left behind";
    }
    EXPECT_EQ(editor.send(get("/out/%2e%2e/plan.txt")).status, 404);
    EXPECT_EQ(editor.stop(), 0);
}

TEST(ToureditMake, AnInterruptedMakeLeavesOutdirAsItWas)
{
    ScratchDir scratch;
    ASSERT_TRUE(write_slow_plan("plan.txt"));
    ScratchDir::write("tour/keep.txt", "kept\n");
    ASSERT_EQ(g_mkdir("cache", 0700), 0);
    const std::vector<std::string> before = dir_entries(".");

    Touredit editor({scratch.path}, scratch.path + "/cache");
    std::string body = "{\"version\":\"" + version_of(editor) + "\",\"replace\":true}";
    ASSERT_EQ(editor.send(post("/api/make", editor.own_origin(), body)).status, 202);
    Reply second = editor.send(post("/api/make", editor.own_origin(), body));
    EXPECT_EQ(second.status, 429) << "one make at a time";
    EXPECT_NE(json_member(second.body, "error"), "");
    // Stopped once the first photograph is made, well before the last.
    std::string job;
    for (int tries = 0; tries < 600; tries++) {
        job = editor.send(get("/api/job")).body;
        if (job.find("\"done\":0,") == std::string::npos)
            break;
        g_usleep(20000);
    }
    ASSERT_NE(job.find("\"running\":true"), std::string::npos) << job;
    EXPECT_EQ(editor.stop(), 0);
    EXPECT_EQ(dir_entries("."), before);
    EXPECT_EQ(dir_entries("tour"), std::vector<std::string>{"keep.txt"});
}

} // namespace
