// Who may ask: only a page of touredit's own origin, on its own port, that
// holds the secret printed at the start or the cookie given for it.
#include "touredit.h"

#include <string.h>

// Compares in a time that does not tell how much of the secret was right.
static bool same_secret(const std::string &given, const std::string &secret)
{
    if (given.size() != secret.size())
        return false;
    unsigned char differ = 0;
    for (size_t i = 0; i < given.size(); i++)
        differ |= static_cast<unsigned char>(given[i] ^ secret[i]);
    return differ == 0;
}

static bool own_host(const Editing *editing, const std::string &host)
{
    std::string port = ":" + std::to_string(editing->port);
    for (const char *name : {"127.0.0.1", "localhost", "[::1]"})
        if (host == name + port)
            return true;
    return false;
}

// The value of cookie `name` in a Cookie header; false when it is not there.
static bool cookie_value(const std::string &header, const std::string &name, std::string *value)
{
    bool found = false;
    gchar **pairs = g_strsplit(header.c_str(), ";", -1);
    for (int i = 0; pairs[i] && !found; i++) {
        gchar *pair = g_strstrip(pairs[i]);
        const char *equals = strchr(pair, '=');
        if (equals && std::string(pair, equals - pair) == name) {
            *value = equals + 1;
            found = true;
        }
    }
    g_strfreev(pairs);
    return found;
}

std::string cookie_name(const Editing *editing)
{
    return "touredit-" + std::to_string(editing->port);
}

std::string set_cookie_value(const Editing *editing)
{
    return cookie_name(editing) + "=" + editing->secret + "; HttpOnly; SameSite=Strict; Path=/";
}

Access check_access(const Editing *editing, const AccessRequest &request)
{
    if (!own_host(editing, request.host))
        return Access::REFUSE;
    bool changes = request.method != "GET" && request.method != "HEAD";
    // An upgrade (a WebSocket) is opened only from the page too.
    bool websocket = !request.upgrade.empty();
    if ((changes || websocket) && request.origin != "http://" + request.host)
        return Access::REFUSE;
    if (request.has_secret)
        return same_secret(request.secret, editing->secret) ? Access::SET_COOKIE : Access::REFUSE;
    std::string held;
    if (cookie_value(request.cookie, cookie_name(editing), &held) &&
        same_secret(held, editing->secret))
        return Access::ALLOW;
    return Access::REFUSE;
}
