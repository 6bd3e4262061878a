#include "options.h"

#include <stdio.h>
#include <string.h>

#include "version.h"

static bool is_switch(const GOptionEntry &entry)
{
    return entry.arg == G_OPTION_ARG_NONE ||
           (entry.arg == G_OPTION_ARG_CALLBACK && (entry.flags & G_OPTION_FLAG_NO_ARG));
}

// GOption ignores what follows "=" on a switch, so "--force=no" would force.
static bool gives_a_switch_a_value(int argc, char **argv, const GOptionEntry *entries)
{
    for (int i = 1; i < argc && strcmp(argv[i], "--") != 0; i++) {
        const char *equals = strchr(argv[i], '=');
        if (strncmp(argv[i], "--", 2) != 0 || !equals)
            continue;
        size_t length = equals - argv[i] - 2;
        for (const GOptionEntry *entry = entries; entry->long_name; entry++)
            if (is_switch(*entry) && strlen(entry->long_name) == length &&
                strncmp(argv[i] + 2, entry->long_name, length) == 0)
                return true;
    }
    return false;
}

int take_options(int *argc, char ***argv, const GOptionEntry *entries, const char *program,
                 const char *usage, const char *help)
{
    gboolean want_help = FALSE, want_version = FALSE;
    const GOptionEntry own[] = {
        {"help", 0, 0, G_OPTION_ARG_NONE, &want_help, NULL, NULL},
        {"version", 0, 0, G_OPTION_ARG_NONE, &want_version, NULL, NULL},
        {NULL, 0, 0, G_OPTION_ARG_NONE, NULL, NULL, NULL},
    };
    bool parsed = !gives_a_switch_a_value(*argc, *argv, entries) &&
                  !gives_a_switch_a_value(*argc, *argv, own);
    if (parsed) {
        GOptionContext *context = g_option_context_new(NULL);
        g_option_context_set_help_enabled(context, FALSE);
        g_option_context_add_main_entries(context, entries, NULL);
        g_option_context_add_main_entries(context, own, NULL);
        parsed = g_option_context_parse(context, argc, argv, NULL);
        g_option_context_free(context);
    }
    if (!parsed) {
        fputs(usage, stderr);
        return 2;
    }
    if (want_help) {
        fputs(help, stdout);
        return 0;
    }
    if (want_version) {
        printf("%s %s\n", program, TOURVIEW_VERSION);
        return 0;
    }
    return -1;
}

int take_operands(int argc, char **argv, int count, const char *usage)
{
    bool options_left = false;
    for (int i = 1; i < argc; i++)
        options_left = options_left || (argv[i][0] == '-' && argv[i][1]);
    if (!options_left && argc == count + 1)
        return -1;
    fputs(usage, stderr);
    return 2;
}

int take_command_line(int *argc, char ***argv, const GOptionEntry *entries, const char *program,
                      const char *usage, const char *help, int count)
{
    int ended = take_options(argc, argv, entries, program, usage, help);
    if (ended >= 0)
        return ended;
    if (count != OPTIONAL_DIR)
        return take_operands(*argc, *argv, count, usage);
    // At most one DIR, which is no option.
    if (*argc > 2 || (*argc == 2 && (*argv)[1][0] == '-')) {
        fputs(usage, stderr);
        return 2;
    }
    return -1;
}
