// `inpm report FILE.prt`: the map report as the solver prints it, title
// first, with an option for each section and for the ids and internal sets
// and surfaces of the assembly section.
#include "inpm_report.h"

#include <memory>

#include "inpm_files.h"
#include "mem.h"

namespace {

constexpr const char* kTitle = "E L E M E N T,   N O D E,   A N D   S U R F A C E   M A P S";

struct ReportOptions {
  std::string file;
  std::string output = "-";
  bool noAssembly = false;
  bool noGlobalToLocal = false;
  bool noLocalToGlobal = false;
  bool noIds = false;
  bool internal = false;
};

// The title as the solver writes it: two empty lines, a blank in a field of
// 30 (so that the title starts in column 31), the title and three line ends.
void PrintTitle(aio_ostream& out) {
  out.print("\n\n");
  out.width(30);
  out.setf(0x2000, 0);
  out.print(" ").print(kTitle).print("\n\n\n");
}

int RunReport(const ReportOptions& o) {
  const std::optional<inpM_PartMap> map = inpm_Load(o.file);
  if (!map) return 1;
  aio_ofstream out;
  if (!inpm_OpenOutput(out, o.output)) return 1;
  const bool printed = inpm_Guard(o.file, [&] {
    PrintTitle(out);
    map->PrintModuleData(out, !o.noAssembly, !o.noGlobalToLocal, !o.noLocalToGlobal, !o.noIds, o.internal);
  });
  return printed && inpm_CloseOutput(out, o.output) ? 0 : 1;
}

}  // namespace

void inpm_AddReportCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<ReportOptions>();
  CLI::App* report = app.add_subcommand(
      "report", "Print the map report of a part file as the solver prints it: the assembly, the instances with "
                "their sets and surfaces, and the global-to-local and local-to-global id tables.");
  report->add_option("FILE", options->file, "part file (- for standard input)")->required();
  report->add_option("-o,--output", options->output, "report file (- for standard output)")->capture_default_str();
  report->add_flag("--no-assembly", options->noAssembly, "leave out the assembly section");
  report->add_flag("--no-global-to-local", options->noGlobalToLocal, "leave out the global-to-local tables");
  report->add_flag("--no-local-to-global", options->noLocalToGlobal, "leave out the local-to-global tables");
  report->add_flag("--no-ids", options->noIds, "list sets and surfaces by name only");
  report->add_flag("--internal", options->internal, "also list the sets and surfaces that the system made");
  report->callback([options, &status] { status = RunReport(*options); });
}
