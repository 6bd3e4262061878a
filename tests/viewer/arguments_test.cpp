// The viewer's own arguments: what it refuses before it opens a window.
#include <gtest/gtest.h>

#include <glib.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "scratch.h"

namespace
{

struct ArgumentCase {
    const char *what;
    std::vector<const char *> arguments;
};

TEST(ViewerArguments, RefusedWithUsageAndStatus2)
{
    const ArgumentCase cases[] = {
        {"a second DIR", {".", "."}},
        {"an unknown option", {"--no-such-option"}},
        // The option parser would otherwise ignore the value and take the switch.
        {"a value given to a switch", {"--help=no"}},
    };
    ScratchDir dir;
    // With no display a window could not open: a refusal is the viewer's own.
    char **env = g_environ_unsetenv(g_get_environ(), "DISPLAY");
    for (const ArgumentCase &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<char *> argv{const_cast<char *>(TOURVIEW_BIN)};
        for (const char *argument : c.arguments)
            argv.push_back(const_cast<char *>(argument));
        argv.push_back(nullptr);
        char *out = nullptr, *err = nullptr;
        int wait_status = 0;
        ASSERT_TRUE(g_spawn_sync(nullptr, argv.data(), env, G_SPAWN_DEFAULT, nullptr, nullptr, &out,
                                 &err, &wait_status, nullptr));
        EXPECT_TRUE(WIFEXITED(wait_status) && WEXITSTATUS(wait_status) == 2) << wait_status;
        EXPECT_STREQ(out, "");
        EXPECT_EQ(std::string(err).rfind("usage: tourview", 0), 0u) << err;
        g_free(out);
        g_free(err);
    }
    g_strfreev(env);
}

} // namespace
