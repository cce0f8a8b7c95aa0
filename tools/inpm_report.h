// `inpm report`: the printed map report of a part file.
#ifndef INPM_REPORT_H
#define INPM_REPORT_H

#include <CLI/CLI.hpp>

// Adds the subcommand to `app`; when it runs, its exit code goes to `status`.
void inpm_AddReportCommand(CLI::App& app, int& status);

#endif
