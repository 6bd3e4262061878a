// tourmake with photographs that fail in parallel, and interrupted part-way:
// each reason on its own photograph's line; after a signal nothing is left
// behind and OUTDIR is as it was.
#include "files.h"
#include "scratch.h"
#include "test_photos.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace
{

// The lines of `err` that hold `kind` (": error: ", ": warning: ").
std::vector<std::string> lines_of(const std::string &err, const char *kind)
{
    std::vector<std::string> lines;
    char **split = g_strsplit(err.c_str(), "\n", -1);
    for (char **line = split; *line; line++)
        if (strstr(*line, kind) && !g_str_has_prefix(*line, "tourmake: check: "))
            lines.push_back(*line);
    g_strfreev(split);
    return lines;
}

// Three ways to fail that only the full decode finds (the headers read), and
// a damaged photograph that decodes with a warning of libvips'. Alone, each
// reason is certainly the photograph's own; side by side on all threads,
// each must stay on its own line, the warning once.
TEST(TourmakeFailures, EachPhotographReportsItsOwnReasonOnItsOwnLine)
{
    ScratchDir dir;
    ASSERT_TRUE(write_picture("good.jpg", 1600, 1066, {200, 40, 0}, {0, 40, 200}));
    ASSERT_TRUE(write_picture("good.png", 1600, 1066, {20, 140, 0}, {0, 40, 90}));
    std::string jpeg = read_file("good.jpg"), png = read_file("good.png");
    std::string damaged = jpeg, bad_crc = png;
    for (size_t k = damaged.size() / 2; k < damaged.size() / 2 + 40; k++)
        damaged[k] = k % 7 == 0 ? '\xff' : char(damaged[k] ^ 0x5a);
    bad_crc[bad_crc.size() / 2] ^= 0x55;
    ScratchDir::write("cut.jpg", jpeg.substr(0, jpeg.size() / 3));
    ScratchDir::write("cut.png", png.substr(0, png.size() / 2));
    ScratchDir::write("crc.png", bad_crc);
    ScratchDir::write("damaged.jpg", damaged);
    struct Case {
        const char *file, *kind;
    } const cases[] = {
        {"cut.jpg", ": error: "},
        {"cut.png", ": error: "},
        {"crc.png", ": error: "},
        {"damaged.jpg", ": warning: "},
    };
    const char *headings[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};

    std::set<std::string> reasons;
    std::string plan = "point a floor 0 at 0 0\n", expected;
    int line = 1;
    for (const Case &c : cases) {
        ScratchDir::write("alone",
                          std::string("point a floor 0 at 0 0\nphoto a N ") + c.file + "\n");
        Ran alone = run({TOURMAKE_PROGRAM, "--force", "alone", "out"});
        std::vector<std::string> lines = lines_of(alone.err, c.kind);
        ASSERT_EQ(lines.size(), 1u) << alone.err;
        std::string prefix = std::string("alone:2") + c.kind + c.file + ": ";
        ASSERT_EQ(lines[0].compare(0, prefix.size(), prefix), 0) << lines[0];
        std::string reason = lines[0].substr(prefix.size());
        reasons.insert(reason);
        // Together, each after a good photograph, so that both threads work.
        plan += std::string("photo a ") + headings[line - 1] + " good.jpg\n";
        plan += std::string("photo a ") + headings[line] + " " + c.file + "\n";
        line += 2;
        expected += "plan:" + std::to_string(line) + c.kind + c.file + ": " + reason + "\n";
    }
    ASSERT_EQ(reasons.size(), 4u) << "the reasons must differ to be told apart";
    ScratchDir::write("plan", plan);
    for (int round = 0; round < 2; round++) {
        Ran together = run({TOURMAKE_PROGRAM, "--force", "plan", "out"});
        EXPECT_EQ(together.status, 1);
        std::vector<std::string> lines = lines_of(together.err, ": ");
        std::string got;
        for (const std::string &l : lines)
            if (g_str_has_prefix(l.c_str(), "plan:"))
                got += l + "\n";
        EXPECT_EQ(got, expected) << together.err;
    }
}

// Runs tourmake and sends `number` once it reports its first tenth of the
// photographs; the wait status.
int interrupted_run(const std::vector<std::string> &args, int number, std::string *err)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    GPid pid;
    int err_fd = -1;
    if (!g_spawn_async_with_pipes(nullptr, argv.data(), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr,
                                  nullptr, &pid, nullptr, nullptr, &err_fd, nullptr))
        return -1;
    bool sent = false;
    char buffer[4096];
    for (ssize_t n; (n = read(err_fd, buffer, sizeof buffer)) > 0;) {
        err->append(buffer, n);
        if (!sent && err->find(" photographs\n") != std::string::npos) {
            kill(pid, number);
            sent = true;
        }
    }
    close(err_fd);
    int status = 0;
    waitpid(pid, &status, 0);
    g_spawn_close_pid(pid);
    return status;
}

TEST(TourmakeInterrupted, SignalsLeaveNothingBehindAndOutdirAsItWas)
{
    ScratchDir dir;
    // A signal after the first tenth of the make comes well before the end.
    ASSERT_TRUE(write_slow_plan("plan"));
    ScratchDir::write("out/keep.txt", "kept\n");
    const std::vector<std::string> before = dir_entries(".");

    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(number));
        std::string err;
        int status = interrupted_run({TOURMAKE_PROGRAM, "--force", "plan", "out"}, number, &err);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself: " << err;
        EXPECT_EQ(WEXITSTATUS(status), 128 + number) << err;
        EXPECT_EQ(dir_entries("."), before);
        EXPECT_EQ(dir_entries("out"), std::vector<std::string>{"keep.txt"});
        EXPECT_EQ(read_file("out/keep.txt"), "kept\n");
    }
}

} // namespace
