// Test helpers over xmlnode trees: an owner, a readable dump and an invariant
// check.
#ifndef TOURVIEW_TESTS_TREE_DUMP_H
#define TOURVIEW_TESTS_TREE_DUMP_H

#include "xmlnode.h"

#include <memory>
#include <string>
#include <vector>

// A tree freed with its owner.
struct TreeDeleter {
    void operator()(xmlnode *node) const
    {
        xmlnode_free(node);
    }
};
using Tree = std::unique_ptr<xmlnode, TreeDeleter>;

// One line per node, two blanks of indent per level: <name>, @name=value, "text".
inline void dump_into(std::string &out, const xmlnode *node, int depth)
{
    out.append(2 * depth, ' ');
    switch (node->type) {
    case XMLNODE_TYPE_TAG:
        out += "<" + std::string(node->name) + ">";
        break;
    case XMLNODE_TYPE_ATTRIB:
        out += "@" + std::string(node->name) + "=" + (node->data ? node->data : "(null)");
        break;
    case XMLNODE_TYPE_DATA:
        out += "\"";
        for (guint32 i = 0; i < node->data_size; i++) {
            char c = node->data[i];
            if (c == '\n')
                out += "\\n";
            else if (c == '\t')
                out += "\\t";
            else
                out += c;
        }
        out += "\"";
        break;
    }
    out += "\n";
    for (const xmlnode *child = node->first_child; child; child = child->next)
        dump_into(out, child, depth + 1);
}

inline std::string dump(const xmlnode *node)
{
    std::string out;
    if (node)
        dump_into(out, node, 0);
    return out;
}

// Empty when the child list of `node` holds together, else what is broken.
inline std::string broken_links(const xmlnode *node)
{
    if ((node->first_child == nullptr) != (node->last_child == nullptr))
        return "first_child and last_child disagree";
    const xmlnode *last = nullptr;
    for (const xmlnode *child = node->first_child; child; child = child->next) {
        if (child->parent != node)
            return "child with a wrong parent";
        last = child;
    }
    if (last != node->last_child)
        return "last_child is not the end of the list";
    return "";
}

// Empty when the list invariants hold below `node`, else what is broken.
// Walked without recursion, as trees may be deep.
inline std::string broken_invariants(const xmlnode *node)
{
    std::vector<const xmlnode *> pending{node};
    while (!pending.empty()) {
        const xmlnode *next = pending.back();
        pending.pop_back();
        std::string broken = broken_links(next);
        if (!broken.empty())
            return broken;
        for (const xmlnode *child = next->first_child; child; child = child->next)
            pending.push_back(child);
    }
    return "";
}

#endif
