// inpm edit: applies a script of edits to a part file and writes the result
// to a new part file.
#include "inpm_edit.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include "inpm_files.h"
#include "inpm_script.h"

namespace {

int Edit(const std::string& in, const std::string& script, const std::string& out) {
  std::optional<inpM_PartMap> map = inpm_Load(in);
  if (!map) return 1;
  std::ifstream lines(script == "-" ? "/dev/stdin" : script);
  if (!lines) {
    inpm_Report(script, std::string("cannot open: ") + std::strerror(errno));
    return 1;
  }
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (const std::optional<std::string> refused = inpm_ApplyEditLine(*map, line)) {
      inpm_Report(script, "line " + std::to_string(number) + ": " + *refused);
      return 1;
    }
  }
  return inpm_Save(*map, out) ? 0 : 1;
}

}  // namespace

void inpm_AddEditCommand(CLI::App& app, int& status) {
  static std::string in, script, out;
  std::string commands = "Script commands, one per line (names with blanks in double quotes, \"\" for none; # starts a comment):";
  for (const std::string& usage : inpm_EditCommandUsages()) commands += "\n  " + usage;
  CLI::App* edit = app.add_subcommand("edit", "Apply a script of edits to a part file and write a new part file.");
  edit->add_option("IN", in, "part file to read (- for standard input)")->required();
  edit->add_option("SCRIPT", script, "script of edits (- for standard input)")->required();
  edit->add_option("OUT", out, "part file to write (- for standard output)")->required();
  edit->footer(commands + "\nA line that fails is reported with its number and nothing is written.");
  edit->callback([&status] { status = Edit(in, script, out); });
}
