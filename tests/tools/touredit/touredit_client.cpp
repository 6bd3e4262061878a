#include "touredit_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include <json-glib/json-glib.h>

std::string Reply::header(const std::string &name) const
{
    gchar *name_down = g_ascii_strdown(name.c_str(), -1);
    gchar *all = g_ascii_strdown(headers.c_str(), -1);
    std::string lower = "\r\n" + std::string(name_down) + ":", folded = all;
    g_free(all);
    g_free(name_down);
    size_t at = folded.find(lower);
    if (at == std::string::npos)
        return "";
    at += lower.size();
    size_t end = headers.find("\r\n", at);
    std::string value = headers.substr(at, end - at);
    return value.erase(0, value.find_first_not_of(' '));
}

Reply http(int port, const std::string &bytes)
{
    Reply reply;
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval wait{60, 0}; // a preview is answered once it is made
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(fd);
        return reply;
    }
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    std::string answer;
    char buffer[65536];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, static_cast<size_t>(n));
    close(fd);
    size_t head_end = answer.find("\r\n\r\n");
    if (answer.compare(0, 9, "HTTP/1.1 ") != 0 || head_end == std::string::npos)
        return reply;
    reply.status = atoi(answer.c_str() + 9);
    reply.headers = answer.substr(0, head_end + 2);
    reply.body = answer.substr(head_end + 4);
    return reply;
}

Request get(const std::string &path, const std::string &host, const std::string &origin)
{
    Request r;
    r.path = path;
    r.host = host;
    r.origin = origin;
    return r;
}

Request post(const std::string &path, const std::string &origin, const std::string &body)
{
    Request r = get(path, "", origin);
    r.method = "POST";
    r.body = body;
    return r;
}

Touredit::Touredit(const std::vector<std::string> &args, const std::string &cache)
{
    std::vector<const char *> argv = {TOUREDIT_PROGRAM, "--no-browser"};
    for (const std::string &arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    gchar **env = g_environ_setenv(g_get_environ(), "XDG_CACHE_HOME", cache.c_str(), TRUE);
    int out = -1;
    GError *error = nullptr;
    bool started = g_spawn_async_with_pipes(nullptr, const_cast<gchar **>(argv.data()), env,
                                            G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid,
                                            nullptr, &out, nullptr, &error);
    g_strfreev(env);
    if (!started) {
        std::string why = error->message;
        g_error_free(error);
        throw std::runtime_error("touredit did not start: " + why);
    }
    // The one line, within ten seconds.
    char c;
    pollfd ready{out, POLLIN, 0};
    while (poll(&ready, 1, 10000) == 1 && read(out, &c, 1) == 1 && c != '\n')
        line += c;
    close(out);
    size_t at = line.find(" at http://127.0.0.1:");
    if (at == std::string::npos)
        throw std::runtime_error("touredit printed \"" + line + "\"");
    port = atoi(line.c_str() + at + 21);
    secret = line.substr(line.find("?secret=") + 8);
    Request exchange = get("/?secret=" + secret);
    exchange.cookie = false;
    Reply given = send(exchange);
    std::string set = given.header("Set-Cookie");
    if (given.status != 303 || set.find("HttpOnly") == std::string::npos ||
        set.find("SameSite=Strict") == std::string::npos)
        throw std::runtime_error("the secret was answered " + std::to_string(given.status) +
                                 " with \"" + set + "\"");
    cookie = set.substr(0, set.find(';'));
}

Touredit::~Touredit()
{
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        g_spawn_close_pid(pid);
    }
}

int Touredit::stop()
{
    int status = 0;
    kill(pid, SIGTERM);
    waitpid(pid, &status, 0);
    g_spawn_close_pid(pid);
    pid = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Touredit::own_host() const
{
    return "127.0.0.1:" + std::to_string(port);
}

std::string Touredit::own_origin() const
{
    return "http://" + own_host();
}

Reply Touredit::send(const Request &r) const
{
    std::string bytes = r.method + " " + r.path +
                        " HTTP/1.1\r\nHost: " + (r.host.empty() ? own_host() : r.host) +
                        "\r\nConnection: close\r\n";
    if (!r.origin.empty())
        bytes += "Origin: " + r.origin + "\r\n";
    if (r.cookie)
        bytes += "Cookie: " + cookie + "\r\n";
    bool declared = false;
    for (const std::string &h : r.headers) {
        bytes += h + "\r\n";
        declared = declared || g_ascii_strncasecmp(h.c_str(), "Content-Length:", 15) == 0;
    }
    if (!declared && r.body_length && (!r.body.empty() || r.method == "POST" || r.method == "PUT"))
        bytes += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
    if (!r.body_length)
        bytes += "Transfer-Encoding: chunked\r\n";
    bytes += "\r\n";
    if (r.body_length) {
        bytes += r.body;
    } else {
        char size[32];
        snprintf(size, sizeof size, "%zx\r\n", r.body.size());
        bytes += size + r.body + "\r\n0\r\n\r\n";
    }
    return http(port, bytes);
}

std::string json_member(const std::string &json, const char *name)
{
    JsonParser *parser = json_parser_new();
    std::string value;
    if (json_parser_load_from_data(parser, json.c_str(), -1, nullptr)) {
        JsonNode *root = json_parser_get_root(parser);
        if (JSON_NODE_HOLDS_OBJECT(root))
            value =
                json_object_get_string_member_with_default(json_node_get_object(root), name, "");
    }
    g_object_unref(parser);
    return value;
}

std::string edit_body(const std::string &version, const std::string &edits)
{
    return "{\"version\":\"" + version + "\",\"edits\":" + edits + "}";
}
