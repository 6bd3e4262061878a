// Writing the parsed tour back to text, compact and laid out, and copying its
// tree: the XML module against libxml2's and pugixml's writers to memory.
#include "harness.h"

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pugixml.hpp>

#include "xmlnode.h"

static const std::string &tour_text()
{
    return document_text(Document::tour);
}

// Each library's tree of the tour, parsed once and kept.
static xmlnode *xmlnode_tour()
{
    static xmlnode *root = xmlnode_from_str(tour_text().data(), (gssize)tour_text().size());
    return root;
}

static xmlDocPtr libxml2_tour()
{
    static xmlDocPtr doc =
        xmlReadMemory(tour_text().data(), (int)tour_text().size(), NULL, NULL, 0);
    return doc;
}

static pugi::xml_document &pugixml_tour()
{
    static pugi::xml_document doc;
    static bool loaded = doc.load_buffer(tour_text().data(), tour_text().size(),
                                         pugi::parse_default | pugi::parse_ws_pcdata);
    (void)loaded;
    return doc;
}

static void write_xmlnode(benchmark::State &state, bool formatted)
{
    xmlnode *root = xmlnode_tour();
    int len = 0;
    auto write = [&] {
        return formatted ? xmlnode_to_formatted_str(root, &len) : xmlnode_to_str(root, &len);
    };
    g_free(write()); // warms the heap
    time_calls(state, write, g_free);
    state.counters["bytes"] = len;
}

static void copy_xmlnode(benchmark::State &state)
{
    xmlnode *root = xmlnode_tour();
    xmlnode_free(xmlnode_copy(root)); // warms the heap
    auto copy = [&] { return xmlnode_copy(root); };
    time_calls(state, copy, xmlnode_free);
}

static void write_libxml2(benchmark::State &state, bool formatted)
{
    xmlDocPtr doc = libxml2_tour();
    int len = 0;
    auto write = [&] {
        xmlChar *text = NULL;
        if (formatted)
            xmlDocDumpFormatMemory(doc, &text, &len, 1);
        else
            xmlDocDumpMemory(doc, &text, &len);
        return text;
    };
    xmlFree(write()); // warms the heap
    time_calls(state, write, [](xmlChar *text) { xmlFree(text); });
    state.counters["bytes"] = len;
}

static void copy_libxml2(benchmark::State &state)
{
    xmlDocPtr doc = libxml2_tour();
    xmlFreeDoc(xmlCopyDoc(doc, 1)); // warms the heap
    auto copy = [&] { return xmlCopyDoc(doc, 1); };
    time_calls(state, copy, xmlFreeDoc);
}

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void *data, size_t size) override
    {
        text.append(static_cast<const char *>(data), size);
    }
};

static void write_pugixml(benchmark::State &state, bool formatted)
{
    pugi::xml_document &doc = pugixml_tour();
    StringWriter out;
    auto write = [&] {
        doc.save(out, "\t", formatted ? pugi::format_indent : pugi::format_raw);
        return out.text.size();
    };
    size_t len = 0;
    auto done = [&](size_t written) {
        len = written;
        out.text = std::string();
    };
    done(write()); // warms the heap
    time_calls(state, write, done);
    state.counters["bytes"] = (double)len;
}

static void copy_pugixml(benchmark::State &state)
{
    pugi::xml_document &doc = pugixml_tour();
    pugi::xml_document copy;
    auto run = [&] {
        copy.reset(doc);
        return true;
    };
    run(); // warms the heap
    copy.reset();
    time_calls(state, run, [&](bool) { copy.reset(); });
}

static const bool registered = [] {
    auto ms = benchmark::kMillisecond;
    // Every one times its own calls.
    auto reg = [](const char *name, auto &&...args) {
        return benchmark::RegisterBenchmark(name, args...)->UseManualTime();
    };
    reg("write_xmlnode/compact", write_xmlnode, false)->Unit(ms);
    reg("write_xmlnode/formatted", write_xmlnode, true)->Unit(ms);
    reg("write_libxml2/compact", write_libxml2, false)->Unit(ms);
    reg("write_libxml2/formatted", write_libxml2, true)->Unit(ms);
    reg("write_pugixml/compact", write_pugixml, false)->Unit(ms);
    reg("write_pugixml/formatted", write_pugixml, true)->Unit(ms);
    reg("copy_xmlnode", copy_xmlnode)->Unit(ms);
    reg("copy_libxml2", copy_libxml2)->Unit(ms);
    reg("copy_pugixml", copy_pugixml)->Unit(ms);

    const std::string parse = "parse_xmlnode/tour";
    const std::string parse_label = "xmlnode_from_str of the tour";
    int order = 200;
    auto row = [&](const char *label, const char *bench, Shown shown, double target) {
        add_table_row({order++, label, bench, shown, parse_label, parse, target});
    };
    row("write tour compact: xmlnode_to_str", "write_xmlnode/compact", Shown::throughput, 1.0);
    row("write tour compact: libxml2 xmlDocDumpMemory", "write_libxml2/compact", Shown::throughput,
        0);
    row("write tour compact: pugixml save raw", "write_pugixml/compact", Shown::throughput, 0);
    row("write tour formatted: xmlnode_to_formatted_str", "write_xmlnode/formatted",
        Shown::throughput, 0);
    row("write tour formatted: libxml2 xmlDocDumpFormatMemory", "write_libxml2/formatted",
        Shown::throughput, 0);
    row("write tour formatted: pugixml save indented", "write_pugixml/formatted", Shown::throughput,
        0);
    row("copy tour: xmlnode_copy", "copy_xmlnode", Shown::time, 0.5);
    row("copy tour: libxml2 xmlCopyDoc", "copy_libxml2", Shown::time, 0);
    row("copy tour: pugixml reset(doc)", "copy_pugixml", Shown::time, 0);
    return true;
}();
