// The edit subcommand of inpm: a script of edits applied to a part file.
#ifndef INPM_EDIT_H
#define INPM_EDIT_H

#include <CLI/CLI.hpp>

// Adds "edit IN SCRIPT OUT" to the command line; its run leaves the exit
// code in `status`.
void inpm_AddEditCommand(CLI::App& app, int& status);

#endif
