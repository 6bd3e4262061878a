// tourweb's two forms; each returns the exit status after saying why it failed.
#ifndef TOURVIEW_TOURWEB_COMMANDS_H
#define TOURVIEW_TOURWEB_COMMANDS_H

#include <string>

int export_folder(const std::string &tour, const std::string &outdir, bool force);
int export_single_file(const std::string &tour, const std::string &file, bool force);

#endif
