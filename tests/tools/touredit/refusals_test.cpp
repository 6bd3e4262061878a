// What the real touredit must refuse over HTTP, each leaving PLAN as it was,
// beside what it must take (so that refusing everything cannot pass); a
// change sent against an older plan; and where it listens.
#include "files.h"
#include "images.h"
#include "scratch.h"
#include "touredit_client.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

const char plan_text[] = "# a plan to keep\n"
                         "point hall floor 0 at 10 10   # the door\n"
                         "photo hall N a.jpg\n";

struct Case {
    const char *what;
    Request request;
    std::set<int> statuses; // 400 too where libsoup refuses the path before any handler
};

// A scratch DIR with PLAN and a photograph, a photograph outside it and a
// link from DIR to that one, and the editor's page from a scratch folder.
struct Scratch {
    ScratchDir scratch;
    std::string dir, plan, outside;

    Scratch()
    {
        dir = scratch.path + "/dir";
        plan = dir + "/plan.txt";
        outside = scratch.path + "/outside.jpg";
        write_file(plan, plan_text);
        write_jpeg(dir + "/a.jpg", Picture(64, 32, {10, 200, 30}));
        write_jpeg(outside, Picture(64, 32, {200, 10, 30}));
        EXPECT_EQ(symlink("../outside.jpg", (dir + "/link.jpg").c_str()), 0);
        write_file(scratch.path + "/page/index.html", "<!doctype html><title>editor</title>\n");
        g_setenv("TOUREDIT_PAGE_DIR", (scratch.path + "/page").c_str(), TRUE);
    }
};

// The whole text made empty.
Request put_text(const std::string &origin, const std::string &version)
{
    Request r = post("/api/text", origin, "{\"version\":\"" + version + "\",\"text\":\"\"}");
    r.method = "PUT";
    return r;
}

Request chunked(Request r)
{
    r.body_length = false;
    return r;
}

Request with_headers(Request r, std::vector<std::string> headers, bool cookie = true)
{
    r.headers = headers;
    r.cookie = cookie;
    return r;
}

std::string photo_edit(const std::string &file)
{
    return R"([{"op":"photo","point":"hall","heading":"E","file":")" + file + "\"}]";
}

TEST(Touredit, RefusedRequestsLeaveThePlanAndGoodOnesChangeIt)
{
    Scratch setup;
    Touredit editor({setup.plan}, setup.scratch.path + "/cache");
    const std::string port = std::to_string(editor.port), own = editor.own_origin();
    const std::string other_port = std::to_string(editor.port + 1);
    const std::string wrong(32, '0');
    Reply state = editor.send(get("/api/state"));
    ASSERT_EQ(state.status, 200) << state.body;
    const std::string version = json_member(state.body, "version");
    const std::string move =
        edit_body(version, R"([{"op":"move_point","name":"hall","x":20,"y":20}])");
    char *encoded = g_uri_escape_string(setup.outside.c_str(), nullptr, FALSE);
    const std::string absolute = encoded;
    g_free(encoded);
    const std::string upgrade[] = {"Upgrade: websocket", "Sec-WebSocket-Version: 13",
                                   "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ=="};

    const Case cases[] = {
        {"the page, with no secret and no cookie", with_headers(get("/"), {}, false), {403}},
        {"the state, with no secret and no cookie",
         with_headers(get("/api/state"), {}, false),
         {403}},
        {"an edit with no cookie", with_headers(post("/api/edit", own, move), {}, false), {403}},
        {"a wrong secret", with_headers(get("/?secret=" + wrong), {}, false), {403}},
        {"a wrong secret beside the cookie", get("/api/state?secret=" + wrong), {403}},
        {"a wrong cookie",
         with_headers(get("/api/state"), {"Cookie: touredit-" + port + "=" + wrong}, false),
         {403}},
        {"a foreign Host", get("/api/state", "evil.example"), {403}},
        {"a foreign Host at our port", get("/api/state", "evil.example:" + port), {403}},
        {"our address at another port", get("/api/state", "127.0.0.1:" + other_port), {403}},
        {"an edit from a foreign Origin", post("/api/edit", "http://evil.example", move), {403}},
        {"an edit with no Origin", post("/api/edit", "", move), {403}},
        {"an edit from our address at another port",
         post("/api/edit", "http://127.0.0.1:" + other_port, move),
         {403}},
        {"the text from a foreign Origin", put_text("http://evil.example", version), {403}},
        {"a WebSocket from a foreign Origin",
         with_headers(get("/api/state", "", "http://evil.example"),
                      {upgrade[0], upgrade[1], upgrade[2]}),
         {403}},
        {"a WebSocket with no Origin",
         with_headers(get("/api/state"), {upgrade[0], upgrade[1], upgrade[2]}),
         {403}},
        {"an image by ..", get("/api/image/..%2foutside.jpg"), {400, 404}},
        {"an image by encoded dots", get("/api/image/%2e%2e%2foutside.jpg"), {400, 404}},
        {"an image by an absolute path", get("/api/image/" + absolute), {404}},
        {"an image through a link out of DIR", get("/api/image/link.jpg"), {404}},
        {"a thumbnail through a link out of DIR", get("/api/thumb/link.jpg"), {404}},
        {"a page file by ..", get("/edit/..%2fdir%2fplan.txt"), {400, 404}},
        {"an edit naming a file by ..",
         post("/api/edit", own, edit_body(version, photo_edit("../outside.jpg"))),
         {422}},
        {"an edit naming an absolute path",
         post("/api/edit", own, edit_body(version, photo_edit(setup.outside))),
         {422}},
        {"an edit naming a link out of DIR",
         post("/api/edit", own, edit_body(version, photo_edit("link.jpg"))),
         {422}},
        {"a body above 64 MiB", post("/api/edit", own, std::string((64 << 20) + 1, ' ')), {413}},
        {"the state after it", get("/api/state"), {200}},
        {"a body of no length", chunked(post("/api/edit", own, move)), {411}},
        {"the page, with the cookie", get("/"), {200}},
        {"an image of DIR", get("/api/image/a.jpg"), {200}},
        {"a thumbnail of DIR", get("/api/thumb/a.jpg"), {200}},
        {"localhost at our port", get("/api/state", "localhost:" + port), {200}},
        {"[::1] at our port", get("/api/state", "[::1]:" + port), {200}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Reply reply = editor.send(c.request);
        EXPECT_EQ(c.statuses.count(reply.status), 1u) << reply.status << " " << reply.body;
        EXPECT_EQ(reply.header("Access-Control-Allow-Origin"), "");
        EXPECT_EQ(read_file(setup.plan), plan_text);
    }

    // The good edit changes PLAN: only its own line.
    Reply moved = editor.send(post("/api/edit", own, move));
    ASSERT_EQ(moved.status, 200) << moved.body;
    std::string now = read_file(setup.plan);
    EXPECT_EQ(now, "# a plan to keep\n"
                   "point hall floor 0 at 20 20   # the door\n"
                   "photo hall N a.jpg\n");

    // Sent again against the plan it was made on: refused, the disk's kept.
    Reply stale = editor.send(post("/api/edit", own, move));
    EXPECT_EQ(stale.status, 409);
    EXPECT_NE(stale.body.find("\"conflict\":true"), std::string::npos);
    EXPECT_EQ(json_member(stale.body, "version"), json_member(moved.body, "version"));
    EXPECT_EQ(editor.send(put_text(own, version)).status, 409);
    EXPECT_EQ(read_file(setup.plan), now);
    EXPECT_EQ(editor.stop(), 0);
}

// The listening sockets' addresses in /proc/net: the hexadecimal local
// address of each socket that listens (state 0A) on `port`.
std::vector<std::string> listening_addresses(int port)
{
    std::vector<std::string> found;
    char port_hex[8];
    snprintf(port_hex, sizeof port_hex, "%04X", port);
    for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            size_t colon = local.find(':');
            if (state == "0A" && local.substr(colon + 1) == port_hex)
                found.push_back(local.substr(0, colon));
        }
    }
    return found;
}

TEST(Touredit, ListensOnTheLoopbackAddressOnly)
{
    Scratch setup;
    Touredit editor({setup.dir}, setup.scratch.path + "/cache");
    std::vector<std::string> addresses = listening_addresses(editor.port);
    ASSERT_FALSE(addresses.empty());
    for (const std::string &address : addresses)
        EXPECT_TRUE(address == "0100007F" || address == "00000000000000000000000001000000")
            << address;
    EXPECT_EQ(editor.stop(), 0);
}

} // namespace
