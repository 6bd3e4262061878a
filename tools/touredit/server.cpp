// The HTTP side: libsoup on the main loop, the access rules before any body
// is read, and the routes.
#include "touredit.h"

#include <string.h>

#include <libsoup/soup.h>

static constexpr goffset MAX_BODY = 64 << 20;
static constexpr int THUMBNAIL_SIZE = 160;

// Inline styles only by hash: the preview's start image carries the stage's
// geometry in its style attribute.
static std::string page_policy()
{
    static std::string policy;
    if (policy.empty()) {
        std::string style = start_image_style();
        GChecksum *sum = g_checksum_new(G_CHECKSUM_SHA256);
        g_checksum_update(sum, reinterpret_cast<const guchar *>(style.data()), style.size());
        guint8 digest[32];
        gsize length = sizeof digest;
        g_checksum_get_digest(sum, digest, &length);
        g_checksum_free(sum);
        char *hash = g_base64_encode(digest, length);
        policy = std::string("default-src 'self'; script-src 'self'; style-src 'self' "
                             "'unsafe-hashes' 'sha256-") +
                 hash +
                 "'; img-src 'self' data: blob:; connect-src 'self'; frame-src 'self'; "
                 "object-src 'none'; base-uri 'none'; form-action 'self'; "
                 "frame-ancestors 'self'";
        g_free(hash);
    }
    return policy;
}

// The single file's scripts and styles are inline; its images data URIs.
static const char single_file_policy[] =
    "sandbox allow-scripts; default-src 'none'; script-src 'unsafe-inline'; "
    "style-src 'unsafe-inline'; img-src data:; frame-ancestors 'self'";

static SoupServer *server;

static std::string header(SoupServerMessage *msg, const char *name)
{
    const char *value =
        soup_message_headers_get_one(soup_server_message_get_request_headers(msg), name);
    return value ? value : "";
}

static void set_header(SoupServerMessage *msg, const char *name, const std::string &value)
{
    soup_message_headers_replace(soup_server_message_get_response_headers(msg), name,
                                 value.c_str());
}

static void respond(SoupServerMessage *msg, guint status, const char *type, const std::string &body)
{
    soup_server_message_set_status(msg, status, nullptr);
    soup_server_message_set_response(msg, type, SOUP_MEMORY_COPY, body.data(), body.size());
}

static void respond_json(SoupServerMessage *msg, guint status, const std::string &json)
{
    respond(msg, status, "application/json", json);
}

std::string json_string(const std::string &text)
{
    JsonNode *node = json_node_new(JSON_NODE_VALUE);
    gchar *valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    json_node_set_string(node, valid);
    g_free(valid);
    gchar *quoted = json_to_string(node, FALSE);
    std::string made = quoted;
    g_free(quoted);
    json_node_unref(node);
    return made;
}

static void respond_error(SoupServerMessage *msg, guint status, const std::string &message,
                          const std::string &field = "")
{
    std::string body = "{\"error\":" + json_string(message);
    if (!field.empty())
        body += ",\"field\":" + json_string(field);
    respond_json(msg, status, body + "}");
}

// Runs once the headers are in, before the body is read: a refusal here
// means the body is never taken.
static void check_request(SoupServer *, SoupServerMessage *msg, const char *path, GHashTable *query,
                          gpointer data)
{
    const Editing *editing = static_cast<const Editing *>(data);
    set_header(msg, "X-Content-Type-Options", "nosniff");
    set_header(msg, "Referrer-Policy", "no-referrer");
    set_header(msg, "Cache-Control", "no-store");
    AccessRequest request;
    request.method = soup_server_message_get_method(msg);
    request.host = header(msg, "Host");
    request.origin = header(msg, "Origin");
    request.upgrade = header(msg, "Upgrade");
    request.cookie = header(msg, "Cookie");
    const char *secret =
        query ? static_cast<const char *>(g_hash_table_lookup(query, "secret")) : nullptr;
    request.has_secret = secret != nullptr;
    request.secret = secret ? secret : "";
    switch (check_access(editing, request)) {
    case Access::REFUSE:
        respond_error(msg, SOUP_STATUS_FORBIDDEN, "forbidden");
        return;
    case Access::SET_COOKIE:
        soup_message_headers_append(soup_server_message_get_response_headers(msg), "Set-Cookie",
                                    set_cookie_value(editing).c_str());
        soup_server_message_set_redirect(msg, SOUP_STATUS_SEE_OTHER, path);
        return;
    case Access::ALLOW:
        break;
    }
    SoupMessageHeaders *headers = soup_server_message_get_request_headers(msg);
    SoupEncoding encoding = soup_message_headers_get_encoding(headers);
    bool chunked = encoding == SOUP_ENCODING_CHUNKED;
    if (chunked || (encoding == SOUP_ENCODING_CONTENT_LENGTH &&
                    soup_message_headers_get_content_length(headers) > MAX_BODY)) {
        // libsoup still reads the body before it answers: each piece is
        // dropped as it comes instead of kept.
        soup_message_body_set_accumulate(soup_server_message_get_request_body(msg), FALSE);
        if (chunked)
            respond_error(msg, SOUP_STATUS_LENGTH_REQUIRED, "a body needs its length");
        else
            respond_error(msg, SOUP_STATUS_REQUEST_ENTITY_TOO_LARGE, "the body is above 64 MiB");
        set_header(msg, "Connection", "close");
    }
}

static std::string content_type(const std::string &name)
{
    static const char *const types[][2] = {
        {".html", "text/html; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".json", "application/json"},
        {".svg", "image/svg+xml"},
        {".png", "image/png"},
        {".jpg", "image/jpeg"},
        {".woff2", "font/woff2"},
    };
    for (const auto &type : types)
        if (g_str_has_suffix(name.c_str(), type[0]))
            return type[1];
    return "application/octet-stream";
}

// A name from a request path: decoded once; "" when it decodes to a NUL or
// to nothing.
static std::string decoded(const std::string &encoded)
{
    char *name = g_uri_unescape_string(encoded.c_str(), nullptr);
    std::string text = name ? name : "";
    g_free(name);
    return text;
}

// A file of the editor's page, of tourweb's, of a preview or of OUTDIR.
static void send_page_file(SoupServerMessage *msg, const std::string &dir, const std::string &name)
{
    std::string path, bytes, error;
    std::string root = real_path(dir);
    if (root.empty() || !file_inside(root, name, &path) || !read_bytes(path, &bytes, &error)) {
        respond_error(msg, SOUP_STATUS_NOT_FOUND, "no such file");
        return;
    }
    std::string type = content_type(name);
    if (g_str_has_prefix(type.c_str(), "text/html"))
        set_header(msg, "Content-Security-Policy", page_policy());
    respond(msg, SOUP_STATUS_OK, type.c_str(), bytes);
}

static void send_image(SoupServerMessage *msg, Editing *editing, const std::string &name,
                       bool thumb)
{
    std::string path, bytes, error;
    std::string type;
    if (!file_inside(editing->real_dir, name, &path) || (type = image_type(path)).empty()) {
        respond_error(msg, SOUP_STATUS_NOT_FOUND, "no such image");
    } else if (thumb && !thumbnail(editing, path, THUMBNAIL_SIZE, &bytes, &error)) {
        respond_error(msg, SOUP_STATUS_UNPROCESSABLE_ENTITY, name + ": " + error);
    } else if (!thumb && !read_bytes(path, &bytes, &error)) {
        respond_error(msg, SOUP_STATUS_NOT_FOUND, "no such image");
    } else {
        respond(msg, SOUP_STATUS_OK, thumb ? "image/jpeg" : type.c_str(), bytes);
    }
}

static bool current_plan(SoupServerMessage *msg, const Editing *editing, PlanFile *plan)
{
    std::string error;
    if (read_plan(editing, plan, &error))
        return true;
    respond_error(msg, SOUP_STATUS_INTERNAL_SERVER_ERROR, editing->plan + ": " + error);
    return false;
}

static void send_state(SoupServerMessage *msg, Editing *editing, GHashTable *query)
{
    PlanFile plan;
    if (!current_plan(msg, editing, &plan))
        return;
    const char *known =
        query ? static_cast<const char *>(g_hash_table_lookup(query, "known")) : nullptr;
    const char *images =
        query ? static_cast<const char *>(g_hash_table_lookup(query, "images")) : nullptr;
    if (known && plan.version == known && (!images || images_signature(editing) == images)) {
        respond_json(msg, SOUP_STATUS_OK,
                     "{\"version\":" + json_string(plan.version) + ",\"unchanged\":true}");
        return;
    }
    respond_json(msg, SOUP_STATUS_OK, state_json(editing, plan, false));
}

// The request's JSON object, with its "version"; null (and answered) when it
// is not one.
static JsonParser *request_object(SoupServerMessage *msg, JsonObject **object, std::string *version)
{
    GBytes *body = soup_message_body_flatten(soup_server_message_get_request_body(msg));
    gsize length = 0;
    const char *data = static_cast<const char *>(g_bytes_get_data(body, &length));
    JsonParser *parser = json_parser_new();
    bool parsed =
        json_parser_load_from_data(parser, data ? data : "", static_cast<gssize>(length), nullptr);
    g_bytes_unref(body);
    JsonNode *root = parsed ? json_parser_get_root(parser) : nullptr;
    *object = root && JSON_NODE_HOLDS_OBJECT(root) ? json_node_get_object(root) : nullptr;
    const char *given =
        *object ? json_object_get_string_member_with_default(*object, "version", nullptr) : nullptr;
    if (!given) {
        respond_error(msg, SOUP_STATUS_BAD_REQUEST, "expected a JSON object with a version");
        g_object_unref(parser);
        return nullptr;
    }
    *version = given;
    return parser;
}

// Writes `text` unless it is what the disk has, then answers with the state.
static void save_and_answer(SoupServerMessage *msg, Editing *editing, const PlanFile &plan,
                            const std::string &text)
{
    std::string error;
    if (text != plan.text && !save_plan(editing, text, &error)) {
        respond_error(msg, SOUP_STATUS_INTERNAL_SERVER_ERROR, editing->plan + ": " + error);
        return;
    }
    PlanFile saved;
    if (current_plan(msg, editing, &saved))
        respond_json(msg, SOUP_STATUS_OK, state_json(editing, saved, false));
}

// Every file an edit names must be a file of DIR.
static bool files_inside(const Editing *editing, const std::vector<PlanEdit> &edits,
                         PlanEditRefusal *refusal)
{
    std::string path;
    for (const PlanEdit &edit : edits) {
        bool names_file = edit.op == PlanEditOp::PHOTO || edit.op == PlanEditOp::MAP ||
                          edit.op == PlanEditOp::PANO;
        if (names_file && !edit.file.empty() &&
            (!file_inside(editing->real_dir, edit.file, &path) ||
             !g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR))) {
            refusal->message = edit.file + " is not a file beside the plan";
            refusal->field = "file";
            return false;
        }
    }
    return true;
}

static void change_plan(SoupServerMessage *msg, Editing *editing, bool whole_text)
{
    JsonObject *object;
    std::string version;
    JsonParser *parser = request_object(msg, &object, &version);
    if (!parser)
        return;
    PlanFile plan;
    JsonNode *edits = json_object_get_member(object, whole_text ? "text" : "edits");
    if (!edits || !(whole_text ? JSON_NODE_HOLDS_VALUE(edits) &&
                                     json_node_get_value_type(edits) == G_TYPE_STRING
                               : JSON_NODE_HOLDS_ARRAY(edits))) {
        respond_error(msg, SOUP_STATUS_BAD_REQUEST,
                      whole_text ? "expected the text" : "expected a list of edits");
    } else if (current_plan(msg, editing, &plan) && plan.version != version) {
        respond_json(msg, SOUP_STATUS_CONFLICT, state_json(editing, plan, true));
    } else if (plan.version == version && whole_text) {
        save_and_answer(msg, editing, plan, json_node_get_string(edits));
    } else if (plan.version == version) {
        std::vector<PlanEdit> list;
        PlanEditRefusal refusal;
        std::string edited;
        if (edits_from_json(json_node_get_array(edits), &list, &refusal) &&
            files_inside(editing, list, &refusal) && plan_edit(plan.text, list, &edited, &refusal))
            save_and_answer(msg, editing, plan, edited);
        else
            respond_error(msg, SOUP_STATUS_UNPROCESSABLE_ENTITY, refusal.message, refusal.field);
    }
    g_object_unref(parser);
}

static const char *member_string(JsonObject *object, const char *name)
{
    return json_object_get_string_member_with_default(object, name, "");
}

// Answered once the preview is made; the server goes on meanwhile.
static void preview(SoupServerMessage *msg, Editing *editing)
{
    JsonObject *object;
    std::string version;
    JsonParser *parser = request_object(msg, &object, &version);
    if (!parser)
        return;
    std::string point = member_string(object, "point"), heading = member_string(object, "heading");
    g_object_unref(parser);
    soup_server_message_pause(msg);
    g_object_ref(msg);
    ask_preview(editing, point, heading, [msg](unsigned status, const std::string &json) {
        respond_json(msg, status, json);
        soup_server_message_unpause(msg);
        g_object_unref(msg);
    });
}

static void make(SoupServerMessage *msg, Editing *editing)
{
    JsonObject *object;
    std::string version, json;
    JsonParser *parser = request_object(msg, &object, &version);
    if (!parser)
        return;
    bool single = json_object_get_boolean_member_with_default(object, "single", FALSE);
    bool replace = json_object_get_boolean_member_with_default(object, "replace", FALSE);
    g_object_unref(parser);
    unsigned status = ask_make(editing, single, replace, &json);
    respond_json(msg, status, json);
}

// The single file, with its scripts and styles inline: allowed to run, but
// in a sandbox of its own origin, which reaches nothing else.
static void send_single_file(SoupServerMessage *msg, const Editing *editing)
{
    std::string bytes, error;
    std::string file = editing->outdir + ".html";
    if (!g_file_test(file.c_str(), G_FILE_TEST_IS_REGULAR) || !read_bytes(file, &bytes, &error)) {
        respond_error(msg, SOUP_STATUS_NOT_FOUND, "no such file");
        return;
    }
    set_header(msg, "Content-Security-Policy", single_file_policy);
    respond(msg, SOUP_STATUS_OK, "text/html; charset=utf-8", bytes);
}

// A file of preview N: "N/FILE".
static void send_preview_file(SoupServerMessage *msg, const Editing *editing,
                              const std::string &rest)
{
    size_t slash = rest.find('/');
    std::string dir = slash == std::string::npos ? "" : preview_dir(editing, rest.substr(0, slash));
    if (dir.empty())
        respond_error(msg, SOUP_STATUS_NOT_FOUND, "no such preview");
    else
        send_page_file(msg, dir, rest.substr(slash + 1));
}

static bool starts(const std::string &path, const char *prefix, std::string *rest)
{
    size_t n = strlen(prefix);
    if (path.compare(0, n, prefix) != 0)
        return false;
    *rest = decoded(path.substr(n));
    return true;
}

static void handle(SoupServer *, SoupServerMessage *msg, const char *path_text, GHashTable *query,
                   gpointer data)
{
    // Refused or redirected before the body was read.
    if (soup_server_message_get_status(msg) != 0)
        return;
    Editing *editing = static_cast<Editing *>(data);
    std::string method = soup_server_message_get_method(msg), path = path_text, name;
    bool get = method == "GET" || method == "HEAD";
    bool routed = true;
    if (path == "/" && get)
        send_page_file(msg, editing->page_dir, "index.html");
    else if (starts(path, "/edit/", &name) && get)
        send_page_file(msg, editing->page_dir, name);
    else if (starts(path, "/web/", &name) && get)
        send_page_file(msg, editing->web_dir, name);
    else if (path == "/api/state" && get)
        send_state(msg, editing, query);
    else if (path == "/api/edit" && method == "POST")
        change_plan(msg, editing, false);
    else if (path == "/api/text" && method == "PUT")
        change_plan(msg, editing, true);
    else if (starts(path, "/api/thumb/", &name) && get)
        send_image(msg, editing, name, true);
    else if (starts(path, "/api/image/", &name) && get)
        send_image(msg, editing, name, false);
    else if (path == "/api/preview" && method == "POST")
        preview(msg, editing);
    else if (starts(path, "/preview/", &name) && get)
        send_preview_file(msg, editing, name);
    else if (path == "/api/make" && method == "POST")
        make(msg, editing);
    else if (path == "/api/job" && get)
        respond_json(msg, SOUP_STATUS_OK, job_json(editing));
    else if (starts(path, "/out/", &name) && get)
        send_page_file(msg, editing->outdir, name);
    else if (path == "/out.html" && get)
        send_single_file(msg, editing);
    else
        routed = false;
    if (!routed)
        respond_error(msg, SOUP_STATUS_NOT_FOUND, "no such route");
}

bool serve(Editing *editing, std::string *error)
{
    server = soup_server_new(nullptr, nullptr);
    soup_server_add_early_handler(server, nullptr, check_request, editing, nullptr);
    soup_server_add_handler(server, nullptr, handle, editing, nullptr);
    GError *failure = nullptr;
    if (!soup_server_listen_local(server, editing->port, static_cast<SoupServerListenOptions>(0),
                                  &failure)) {
        *error = failure->message;
        g_error_free(failure);
        return false;
    }
    GSList *uris = soup_server_get_uris(server);
    if (uris)
        editing->port = static_cast<unsigned>(g_uri_get_port(static_cast<GUri *>(uris->data)));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    return true;
}

void stop_serving()
{
    if (server)
        g_object_unref(server);
    server = nullptr;
}
