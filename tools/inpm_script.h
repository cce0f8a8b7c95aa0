// The edit script of `inpm edit`: one edit of a part map per line.
#ifndef INPM_SCRIPT_H
#define INPM_SCRIPT_H

#include <optional>
#include <string>
#include <vector>

#include "inpM_PartMap.h"

// Carries out one script line on `map`: nothing when it is applied (or
// blank, or a comment), else the reason it is refused (a library error's
// message, a wrong word or a usage line); the map may then be partly
// edited.
std::optional<std::string> inpm_ApplyEditLine(inpM_PartMap& map, const std::string& line);

// The usage line of every script command, in command order.
std::vector<std::string> inpm_EditCommandUsages();

#endif
