// `inpm report`: the printed map report of a part file.
#ifndef INPM_REPORT_H
#define INPM_REPORT_H

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>

#include "inpM_PartMap.h"

// Reads a part file, reporting on standard error and giving nothing when it
// cannot.
using inpm_Loader = std::function<std::optional<inpM_PartMap>(const std::string& file)>;

// Adds the subcommand to `app`; when it runs, its exit code goes to `status`.
void inpm_AddReportCommand(CLI::App& app, int& status, inpm_Loader load);

#endif
