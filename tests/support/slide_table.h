// A slide table as text, for comparing loaded tours in tests.
#ifndef TOURVIEW_TESTS_SLIDE_TABLE_H
#define TOURVIEW_TESTS_SLIDE_TABLE_H

#include "tour.h"

#include <string.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

// The table's entries, key and slide, in the table's own order.
inline std::vector<std::pair<const char *, const Slide *>> table_entries(GHashTable *table)
{
    std::vector<std::pair<const char *, const Slide *>> entries;
    GHashTableIter iter;
    gpointer key, value;
    g_hash_table_iter_init(&iter, table);
    while (g_hash_table_iter_next(&iter, &key, &value))
        entries.emplace_back(static_cast<const char *>(key), static_cast<const Slide *>(value));
    return entries;
}

// One line per slide in key order: "[id] fn | exit=[target] ..." with the exits
// in field order; a key that is not a separate copy of the id is marked.
inline std::string describe_table(GHashTable *table)
{
    std::map<std::string, std::string> lines;
    for (const auto &[key, s] : table_entries(table)) {
        std::string line = std::string("[") + s->id + "] " + (s->fn ? s->fn : "(no fn)") + " |";
        const char *names[] = {"left", "right", "forward", "left180", "right180", "up", "down"};
        const char *exits[] = {s->left,     s->right, s->forward, s->left180,
                               s->right180, s->up,    s->down};
        for (int i = 0; i < 7; i++)
            if (exits[i])
                line += std::string(" ") + names[i] + "=[" + exits[i] + "]";
        if (key == s->id || strcmp(key, s->id) != 0)
            line += " KEY MISMATCH";
        lines[key] = line;
    }
    std::string out;
    for (const auto &entry : lines)
        out += entry.second + "\n";
    return out;
}

#endif
