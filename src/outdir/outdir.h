// OUTDIR written whole or not at all: the output is built in a hidden sibling
// directory and renamed into place at the end.
#ifndef TOURVIEW_OUTDIR_H
#define TOURVIEW_OUTDIR_H

#include <string>

// Why `outdir` cannot be written (a file, or a non-empty directory without
// `force`), or "" when it can.
std::string outdir_refusal(const std::string &outdir, bool force);
// A new empty directory beside `outdir`, named after `tool`; "" with *error
// set on failure.
std::string outdir_begin(const std::string &outdir, const char *tool, std::string *error);
// Puts `work` in the place of `outdir`, removing what was there.
bool outdir_commit(const std::string &work, const std::string &outdir, std::string *error);
void remove_tree(const std::string &dir);

#endif
