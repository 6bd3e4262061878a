#include "diagnostics.h"

#include <glib.h>

#include <algorithm>

void diagnose(Diagnostics *diagnostics, int line, Severity severity, const std::string &message)
{
    diagnostics->push_back({"", line, severity, message});
}

void diagnose(Diagnostics *diagnostics, const std::string &file, int line, Severity severity,
              const std::string &message)
{
    diagnostics->push_back({file, line, severity, message});
}

int count_of(const Diagnostics &diagnostics, Severity severity)
{
    return static_cast<int>(
        std::count_if(diagnostics.begin(), diagnostics.end(),
                      [severity](const Diagnostic &d) { return d.severity == severity; }));
}

bool has_errors(const Diagnostics &diagnostics)
{
    return count_of(diagnostics, ERROR) > 0;
}

void sort_diagnostics(Diagnostics *diagnostics, const std::string &first_file)
{
    std::stable_sort(diagnostics->begin(), diagnostics->end(),
                     [&first_file](const Diagnostic &a, const Diagnostic &b) {
                         bool a_first = a.file == first_file, b_first = b.file == first_file;
                         if (a_first != b_first)
                             return a_first;
                         if (a.file != b.file)
                             return a.file < b.file;
                         return a.line < b.line;
                     });
}

std::string quoted(const std::string &text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if ((unsigned char)c < 0x20 || c == 0x7f) {
            char escape[8];
            g_snprintf(escape, sizeof escape, "\\x%02x", (unsigned char)c);
            out += escape;
        } else
            out += c;
    }
    return out + "\"";
}

std::string diagnostic_line(const Diagnostic &diagnostic, const std::string &own_file)
{
    std::string file = quoted(diagnostic.file.empty() ? own_file : diagnostic.file);
    std::string place = file.substr(1, file.size() - 2);
    if (diagnostic.line > 0)
        place += ":" + std::to_string(diagnostic.line);
    static const char *const levels[] = {"warning", "error", "note"};
    return place + ": " + levels[diagnostic.severity] + ": " + diagnostic.message;
}

const char *program_name()
{
    const char *name = g_get_prgname();
    return name ? name : "";
}
