// Parsing each generated document: the XML module, the bare markup parse
// that it is built on (the floor), and two parsers people use instead.
#include "harness.h"

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <pugixml.hpp>

#include "xmlnode.h"

static void nothing_start(GMarkupParseContext *, const char *, const char **, const char **,
                          gpointer, GError **)
{
}
static void nothing_end(GMarkupParseContext *, const char *, gpointer, GError **) {}
static void nothing_text(GMarkupParseContext *, const char *, gsize, gpointer, GError **) {}
static const GMarkupParser empty_callbacks = {nothing_start, nothing_end, nothing_text, NULL, NULL};

// The floor: the same markup parse as the module's, with callbacks that
// build nothing. Also used by the loader's floor.
bool bare_parse(const char *text, gsize size)
{
    GMarkupParseContext *context =
        g_markup_parse_context_new(&empty_callbacks, (GMarkupParseFlags)0, NULL, NULL);
    bool ok = g_markup_parse_context_parse(context, text, (gssize)size, NULL) &&
              g_markup_parse_context_end_parse(context, NULL);
    g_markup_parse_context_free(context);
    return ok;
}

static void parse_bare(benchmark::State &state, Document doc)
{
    const std::string &text = document_text(doc);
    time_calls(
        state, [&] { return bare_parse(text.data(), text.size()); },
        [&](bool ok) {
            if (!ok)
                state.SkipWithError("the markup parser rejected the document");
        });
    state.counters["bytes"] = (double)text.size();
}

static void parse_xmlnode(benchmark::State &state, Document doc)
{
    const std::string &text = document_text(doc);
    xmlnode_free(xmlnode_from_str(text.data(), (gssize)text.size())); // warms the heap
    time_calls(
        state, [&] { return xmlnode_from_str(text.data(), (gssize)text.size()); },
        [&](xmlnode *root) {
            if (!root)
                state.SkipWithError("xmlnode_from_str rejected the document");
            else
                xmlnode_free(root);
        });
    state.counters["bytes"] = (double)text.size();
}

static void parse_libxml2(benchmark::State &state, Document doc)
{
    const std::string &text = document_text(doc);
    xmlInitParser();
    auto parse = [&] { return xmlReadMemory(text.data(), (int)text.size(), NULL, NULL, 0); };
    xmlFreeDoc(parse()); // warms the heap
    time_calls(state, parse, [&](xmlDocPtr tree) {
        if (!tree)
            state.SkipWithError("libxml2 rejected the document");
        else
            xmlFreeDoc(tree);
    });
    state.counters["bytes"] = (double)text.size();
}

// Blank text between elements is kept, as the other three keep it.
constexpr unsigned pugixml_options = pugi::parse_default | pugi::parse_ws_pcdata;

static void parse_pugixml(benchmark::State &state, Document doc)
{
    const std::string &text = document_text(doc);
    pugi::xml_document tree;
    auto parse = [&] { return (bool)tree.load_buffer(text.data(), text.size(), pugixml_options); };
    parse(); // warms the heap
    tree.reset();
    time_calls(state, parse, [&](bool ok) {
        if (!ok)
            state.SkipWithError("pugixml rejected the document");
        tree.reset();
    });
    state.counters["bytes"] = (double)text.size();
}

static const bool registered = [] {
    struct Parser {
        const char *name;
        void (*run)(benchmark::State &, Document);
        const char *label;
    };
    static const Parser parsers[] = {
        {"parse_xmlnode", parse_xmlnode, "xmlnode_from_str"},
        {"parse_libxml2", parse_libxml2, "libxml2 xmlReadMemory (tree)"},
        {"parse_pugixml", parse_pugixml, "pugixml load_buffer (tree)"},
        {"parse_bare", parse_bare, nullptr},
    };
    int order = 100;
    for (Document doc : all_documents) {
        std::string bare = std::string("parse_bare/") + document_name(doc);
        for (const Parser &parser : parsers) {
            std::string name = std::string(parser.name) + "/" + document_name(doc);
            register_timed(name, parser.run, doc);
            if (!parser.label)
                continue;
            TableRow row;
            row.order = order++;
            row.label = std::string("parse ") + document_name(doc) + ": " + parser.label;
            row.bench = name;
            row.shown = Shown::throughput;
            row.baseline_label = "bare GMarkup parse, empty callbacks";
            row.baseline = bare;
            if (doc == Document::tour && parser.run == parse_xmlnode)
                row.target = 1.5;
            add_table_row(row);
        }
    }
    return true;
}();
