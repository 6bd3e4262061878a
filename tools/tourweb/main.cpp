// tourweb [--force] [--single-file] TOUR OUTDIR: the tour and a page that
// walks it in a web browser.
#include <stdio.h>

#include <glib.h>

#include <string>

#include "commands.h"
#include "options.h"
#include "signals.h"
#include "terminate.h"
#include "version.h"

static const char usage[] = "usage: tourweb [--force] [--single-file] TOUR OUTDIR\n";

static const char help[] =
    "Writes the tour TOUR (a tour directory or its data.xml) into OUTDIR with a\n"
    "page that walks it in a web browser: open OUTDIR/index.html, from a folder or\n"
    "from any web server. OUTDIR stays a tour that tourview walks. With\n"
    "--single-file, OUTDIR is instead one HTML file that holds everything.\n"
    "\n"
    "The tour is checked first, and the report goes to the standard error stream.\n"
    "Nothing is written when the viewer could not walk the tour: no readable\n"
    "data.xml, no start slide S001, a missing or undecodable sprite, or a missing\n"
    "or undecodable photograph of a slide that a walk can reach.\n"
    "\n"
    "Options:\n"
    "  --force        replace an existing, non-empty OUTDIR (or an existing file)\n"
    "  --single-file  write one HTML file, photographs and sprites inlined\n"
    "  --help         print this help and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Environment:\n"
    "  TOURWEB_PAGE_DIR  the directory of the page's files (index.html, tourweb.css,\n"
    "                    tourweb.js) instead of the installed ones\n"
    "\n"
    "Exit status: 0 when the page is written; 1 when the tour cannot be exported or\n"
    "the output cannot be written (OUTDIR is then left as it was); 2 for a usage\n"
    "error; 128 + N when signal N (SIGINT, SIGTERM, SIGHUP) interrupted it (OUTDIR\n"
    "is then left as it was too).\n";

struct Arguments {
    gboolean force, single_file;
    const char *tour, *out;
};

// The status to end with after the command line alone, or -1 to go on.
static int take_arguments(int argc, char **argv, Arguments *args)
{
    const GOptionEntry entries[] = {
        {"force", 0, 0, G_OPTION_ARG_NONE, &args->force, NULL, NULL},
        {"single-file", 0, 0, G_OPTION_ARG_NONE, &args->single_file, NULL, NULL},
        {NULL, 0, 0, G_OPTION_ARG_NONE, NULL, NULL, NULL},
    };
    std::string help_text = std::string(usage) + help;
    int ended = take_command_line(&argc, &argv, entries, "tourweb", usage, help_text.c_str(), 2);
    if (ended >= 0)
        return ended;
    args->tour = argv[1];
    args->out = argv[2];
    return -1;
}

int main(int argc, char **argv)
{
    end_uncaught_with_one_line();
    Arguments args{};
    int status = take_arguments(argc, argv, &args);
    catch_signals();
    if (status < 0 && args.single_file)
        status = export_single_file(args.tour, args.out, args.force);
    else if (status < 0)
        status = export_folder(args.tour, args.out, args.force);
    return status;
}
