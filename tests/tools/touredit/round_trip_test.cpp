// Plans opened in the real touredit and left are never rewritten; each change
// made through its edits rewrites exactly the lines it concerns, byte for
// byte, on the README's plan, the demo's and one typed by hand; a folder of
// photographs without a plan starts from its draft.
#include "draft.h"
#include "files.h"
#include "images.h"
#include "plan.h"
#include "scratch.h"
#include "test_photos.h"
#include "touredit_client.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

// By line number, and a line's old text before its new.
std::pair<int, bool> order_of(const std::string &entry)
{
    return {atoi(entry.c_str()), entry[entry.find_first_not_of("0123456789")] == '+'};
}

bool earlier(const std::string &x, const std::string &y)
{
    return order_of(x) < order_of(y);
}

// The lines that differ, as "N-old" (N in the old text) and "N+new" (N in
// the new), from the longest common run of lines.
std::vector<std::string> line_diff(const std::string &before, const std::string &after)
{
    std::vector<std::string> a = plan_lines(before), b = plan_lines(after);
    std::vector<std::vector<int>> common(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (size_t i = a.size(); i-- > 0;)
        for (size_t j = b.size(); j-- > 0;)
            common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1
                                        : std::max(common[i + 1][j], common[i][j + 1]);
    std::vector<std::string> diff;
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && j < b.size() && a[i] == b[j]) {
            i++, j++;
        } else if (i < a.size() && (j == b.size() || common[i + 1][j] >= common[i][j + 1])) {
            diff.push_back(std::to_string(i + 1) + "-" + a[i]);
            i++;
        } else {
            diff.push_back(std::to_string(j + 1) + "+" + b[j]);
            j++;
        }
    }
    std::stable_sort(diff.begin(), diff.end(), earlier);
    return diff;
}

struct Change {
    const char *edits; // the JSON array sent
    std::vector<std::string> diff;
};

struct RoundTrip {
    const char *what;
    std::vector<Change> changes; // in order, each on the plan the one before left
};

// The README's example plan, as the README shows it.
std::string readme_plan()
{
    std::string readme = read_file(README_FILE);
    size_t start = readme.find("title  \"Our house\"");
    return readme.substr(start, readme.find("```", start) - start);
}

const char hand_written[] = "# Our flat, typed by hand\n"
                            "\n"
                            "title \"The flat\"   # shown on the map\n"
                            "\n"
                            "\tpoint  hall floor 0 at 10.5 20    # by the door\n"
                            "point \"kit\" floor 0 at 40 20\n"
                            "photo hall N  \"hall north.jpg\"\n"
                            "photo hall E hallE.jpg\t# a tab before this comment\n"
                            "photo  kit   S   kitS.jpg\n"
                            "\n"
                            "walk hall E kit oneway # one way only\n"
                            "walk kit S hall\n";

const RoundTrip round_trips[] = {
    {"the README's plan",
     {
         {R"([{"op":"move_point","name":"kitchen","x":130,"y":70}])",
          {"7-point  kitchen   floor 0  at 120 60", "7+point  kitchen   floor 0  at 130 70"}},
         {R"([{"op":"walk","point":"hall","heading":"N","to":"kitchen","oneway":true}])",
          {"19-walk   hall N kitchen               # forward from hall facing N, and back",
           "19+walk   hall N kitchen oneway        # forward from hall facing N, and back"}},
         {R"([{"op":"photo","point":"hall","heading":"NE","file":"hallNE.jpg"}])",
          {"7+photo hall NE hallNE.jpg"}},
         {R"([{"op":"rename_point","name":"corridor","to":"hallway"}])",
          {"11-point  corridor  floor 0  at 260 200", "11+point  hallway   floor 0  at 260 200",
           "12-photo  corridor E  corE.jpg", "12+photo  hallway E   corE.jpg",
           "13-photo  corridor W  corW.jpg", "13+photo  hallway W   corW.jpg",
           "21-walk   hall E corridor", "21+walk   hall E hallway",
           "22-stairs corridor E landing           # up facing E; down from landing facing W",
           "22+stairs hallway E landing            # up facing E; down from landing facing W"}},
         {R"([{"op":"delete_point","name":"bedroom"}])",
          {"17-point  bedroom   floor 1  at 400 200", "18-photo  bedroom E  bedE.jpg",
           "19-photo  bedroom W  bedW.jpg", "23-walk   landing E bedroom"}},
         {R"([{"op":"title","value":"Our home"}])",
          {"1-title  \"Our house\"", "1+title  \"Our home\""}},
     }},
    {"the demo's plan",
     {
         {R"([{"op":"move_point","name":"study","x":100,"y":350.5}])",
          {"36-point study floor 0 at 98 344", "36+point study floor 0 at 100 350.5"}},
         {R"([{"op":"walk","point":"arch","heading":"N","to":"gallery","oneway":false}])",
          {"70+walk arch N gallery"}},
         {R"([{"op":"add_point","name":"porch","floor":0,"x":20,"y":194}])",
          {"66+point porch floor 0 at 20 194"}},
         {R"([{"op":"walk","point":"landing","heading":"E","to":null}])",
          {"74-walk landing E passage"}},
     }},
    {"a plan typed by hand",
     {
         {R"([{"op":"framing","value":"fit"}])", {"4+photos fit"}},
         {R"([{"op":"move_point","name":"hall","x":12,"y":20}])",
          {"6-\tpoint  hall floor 0 at 10.5 20    # by the door",
           "6+\tpoint  hall floor 0 at 12 20      # by the door"}},
         {R"([{"op":"walk","point":"hall","heading":"E","to":"kit","oneway":false}])",
          {"12-walk hall E kit oneway # one way only", "12+walk hall E kit # one way only"}},
         {R"([{"op":"rename_point","name":"kit","to":"kitchen"}])",
          {"7-point \"kit\" floor 0 at 40 20", "7+point kitchen floor 0 at 40 20",
           "10-photo  kit   S   kitS.jpg", "10+photo  kitchen S kitS.jpg",
           "12-walk hall E kit # one way only", "12+walk hall E kitchen # one way only",
           "13-walk kit S hall", "13+walk kitchen S hall"}},
         {R"([{"op":"photo","point":"hall","heading":"N","file":null},)"
          R"({"op":"title","value":"Our flat"}])",
          {"3-title \"The flat\"   # shown on the map", "3+title \"Our flat\"   # shown on the map",
           "8-photo hall N  \"hall north.jpg\""}},
         {R"([{"op":"pano","point":"kitchen","file":"hallNE.jpg","north":-12.5}])",
          {"10+pano kitchen hallNE.jpg north -12.5"}},
         {R"([{"op":"delete_point","name":"kitchen"}])",
          {"7-point kitchen floor 0 at 40 20", "9-photo  kitchen S kitS.jpg",
           "10-pano kitchen hallNE.jpg north -12.5", "12-walk hall E kitchen # one way only",
           "13-walk kitchen S hall"}},
     }},
    {"a folder of photographs and no plan",
     {
         {R"([{"op":"title","value":"Drafted"}])",
          {"4-title \"plan3\"  # guessed: the folder's name",
           "4+title Drafted  # guessed: the folder's name"}},
     }},
};

int64_t mtime_of(const std::string &path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// Writes the plan of round_trips[which] into `dir`, with what it names; the
// last has photographs that allow a draft and no plan.
void write_plan(size_t which, const std::string &dir)
{
    if (which == 3) {
        ASSERT_TRUE(write_shot({"n.jpg", "2024:05:01 10:00:00", nullptr, "1/1", nullptr, nullptr}));
        ASSERT_TRUE(
            write_shot({"e.jpg", "2024:05:01 10:00:09", nullptr, nullptr, nullptr, nullptr}));
        return;
    }
    if (which == 1) {
        std::string command = std::string(MAKE_DEMO_TOUR_PROGRAM) + " " + dir + " >/dev/null";
        ASSERT_EQ(system(command.c_str()), 0);
        return;
    }
    write_file(dir + "/plan.txt", which == 0 ? readme_plan() : std::string(hand_written));
    write_jpeg(dir + "/hallNE.jpg", Picture(32, 16, {200, 100, 50}));
}

TEST(Touredit, PlansOpenedAndLeftStayAndChangesRewriteOnlyTheirLines)
{
    ScratchDir scratch;
    for (size_t t = 0; t < sizeof round_trips / sizeof round_trips[0]; t++) {
        const RoundTrip &trip = round_trips[t];
        SCOPED_TRACE(trip.what);
        std::string dir = scratch.path + "/plan" + std::to_string(t), plan = dir + "/plan.txt";
        g_mkdir_with_parents(dir.c_str(), 0755);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        write_plan(t, dir);
        ASSERT_EQ(chdir(scratch.path.c_str()), 0);
        std::string bytes = read_file(plan), draft;
        int64_t mtime = mtime_of(plan);
        Diagnostics diagnostics;
        ASSERT_TRUE(!bytes.empty() || draft_plan(dir, &draft, &diagnostics));

        Touredit editor({plan}, scratch.path + "/cache");
        // Opened and looked at as the page does: the state, polled, images.
        Reply state = editor.send(get("/api/state"));
        ASSERT_EQ(state.status, 200) << state.body;
        std::string version = json_member(state.body, "version");
        // A plan not on disk shows as its folder's draft.
        std::string shown = json_member(state.body, "text");
        EXPECT_EQ(shown, bytes.empty() ? draft : bytes);
        Reply polled = editor.send(get("/api/state?known=" + version));
        EXPECT_NE(polled.body.find("\"unchanged\":true"), std::string::npos) << polled.body;
        EXPECT_EQ(editor.send(get("/api/thumb/hallNE.jpg")).status, t % 2 ? 404 : 200);
        EXPECT_EQ(read_file(plan), bytes);
        EXPECT_EQ(mtime_of(plan), mtime);

        for (const Change &change : trip.changes) {
            SCOPED_TRACE(change.edits);
            std::string before = mtime_of(plan) < 0 ? shown : read_file(plan);
            Reply edited = editor.send(
                post("/api/edit", editor.own_origin(), edit_body(version, change.edits)));
            ASSERT_EQ(edited.status, 200) << edited.body;
            version = json_member(edited.body, "version");
            EXPECT_EQ(line_diff(before, read_file(plan)), change.diff);
        }
        EXPECT_EQ(editor.stop(), 0);
    }
}

} // namespace
