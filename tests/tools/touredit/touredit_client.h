// The real touredit, started on a plan for a test, and raw HTTP requests to
// it: the exact headers a browser, or a page from elsewhere, would send.
#ifndef TOURVIEW_TESTS_TOUREDIT_CLIENT_H
#define TOURVIEW_TESTS_TOUREDIT_CLIENT_H

#include <glib.h>

#include <string>
#include <vector>

struct Reply {
    int status = 0; // 0 when no answer came
    std::string headers, body;
    std::string header(const std::string &name) const; // "" when absent
};

struct Request {
    std::string method = "GET", path = "/";
    std::string host;                 // "" for the server's own 127.0.0.1:PORT
    std::string origin;               // sent when not empty
    bool cookie = true;               // the cookie the secret was exchanged for
    std::vector<std::string> headers; // a Content-Length among them is sent as it is
    std::string body;
    bool body_length = true; // Content-Length; false: chunked
};

// A GET (with another Host, or an Origin, when not empty) and a POST.
Request get(const std::string &path, const std::string &host = "", const std::string &origin = "");
Request post(const std::string &path, const std::string &origin, const std::string &body);

struct Touredit {
    GPid pid = 0;
    int port = 0;
    std::string secret, cookie, line;

    // Starts touredit --no-browser ARGS with its cache in `cache`, and takes
    // the cookie for its secret (the 303 answer is checked on the way).
    Touredit(const std::vector<std::string> &args, const std::string &cache);
    ~Touredit();
    Touredit(const Touredit &) = delete;
    Touredit &operator=(const Touredit &) = delete;

    std::string own_host() const;
    std::string own_origin() const;
    Reply send(const Request &request) const;
    // SIGTERM, then the exit status (-1 when it did not end normally).
    int stop();
};

// Raw bytes to 127.0.0.1:port, and the answer read until the server closes.
Reply http(int port, const std::string &bytes);

// A member of a JSON object's text ("" when absent or not a string).
std::string json_member(const std::string &json, const char *name);

// The plan's edit request for `edits` (a JSON array's text) at `version`.
std::string edit_body(const std::string &version, const std::string &edits);

#endif
