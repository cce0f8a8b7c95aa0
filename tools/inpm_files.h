// What every subcommand of inpm shares: reading and writing part files and
// reporting errors as one line on standard error that names the file.
#ifndef INPM_FILES_H
#define INPM_FILES_H

#include <functional>
#include <optional>
#include <string>

#include "inpM_PartMap.h"
#include "mem.h"

// The text as one line: each run of white space that holds a line end
// becomes one blank (none at either end); other bytes stay as they are, so
// that blanks that line up a usage text are kept.
std::string inpm_OneLine(const std::string& text);

// "inpm: FILE: REASON" on standard error.
void inpm_Report(const std::string& file, const std::string& reason);

// Runs `f`; an error that the library reports (or running out of memory)
// becomes a report about `file` and false.
bool inpm_Guard(const std::string& file, const std::function<void()>& f);

// Reads a part file ("-": standard input); reports and gives nothing when it
// cannot. `whole`, when given, receives whether only white space follows the
// part map.
std::optional<inpM_PartMap> inpm_Load(const std::string& file, bool* whole = nullptr);

// Writes a part file ("-": standard output) through a new file that replaces
// the old one only once it is whole; reports and gives false when it cannot.
bool inpm_Save(const inpM_PartMap& map, const std::string& file);

// Opens an output file ("-": standard output) in place; reports and gives
// false when it cannot.
bool inpm_OpenOutput(aio_ofstream& out, const std::string& file);

// Closes an output file; reports and gives false when the writing failed.
bool inpm_CloseOutput(aio_ofstream& out, const std::string& file);

#endif
