// `inpm report FILE.prt`: the map report as the solver prints it, title
// first, with an option for each section and for the ids and internal sets
// and surfaces of the assembly section.
#include "inpm_report.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>

#include "mem.h"
#include "nex.h"
#include "wip.h"

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

void Fail(const std::string& file, const std::string& reason) {
  std::cerr << "inpm: " << file << ": " << reason << '\n';
}

// The title as the solver writes it: two empty lines, a blank in a field of
// 30 (so that the title starts in column 31), the title and three line ends.
void PrintTitle(aio_ostream& out) {
  out.print("\n\n");
  out.width(30);
  out.setf(0x2000, 0);
  out.print(" ").print(kTitle).print("\n\n\n");
}

int RunReport(const ReportOptions& o, const inpm_Loader& load) {
  const std::optional<inpM_PartMap> map = load(o.file);
  if (!map) return 1;
  const std::string path = o.output == "-" ? "/dev/stdout" : o.output;
  errno = 0;
  aio_ofstream out;
  out.open(path.c_str(), false);
  if (out.fail()) {
    Fail(o.output, std::string("cannot create: ") + (errno ? std::strerror(errno) : "unknown reason"));
    return 1;
  }
  try {
    PrintTitle(out);
    map->PrintModuleData(out, !o.noAssembly, !o.noGlobalToLocal, !o.noLocalToGlobal, !o.noIds, o.internal);
  } catch (const wip_ErrorException& e) {
    Fail(o.file, e.Message().str());
    return 1;
  } catch (const nex_Exception& e) {
    Fail(o.file, e.UserReport().str());
    return 1;
  } catch (const std::bad_alloc&) {
    Fail(o.file, "out of memory");
    return 1;
  }
  if (!out.close()) {
    Fail(o.output, std::string("cannot write: ") + (errno ? std::strerror(errno) : "unknown reason"));
    return 1;
  }
  return 0;
}

}  // namespace

void inpm_AddReportCommand(CLI::App& app, int& status, inpm_Loader load) {
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
  report->callback([options, load = std::move(load), &status] { status = RunReport(*options, load); });
}
