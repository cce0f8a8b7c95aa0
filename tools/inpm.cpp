// inpm: checks, summarises, queries, normalises, generates, reports and edits part files.
//
// Exit codes: 0 success; 1 a file that cannot be read, written or is damaged
// or inconsistent, or an id that the map does not hold; 2 a wrong command
// line. Every error is one line on standard error naming the file and the
// reason.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "inpM_ModelGenerator.h"
#include "inpM_PartMap.h"
#include "inpm_edit.h"
#include "inpm_files.h"
#include "inpm_report.h"

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

int TableSize(const cow_COW<omi_IntTable<int>>& table) { return table.HasValue() ? table->Size() : 0; }

// The ids of one kind, over the instances and the assembly level.
int Ids(const inpM_InstanceIdMaps& maps) {
  int n = TableSize(maps.assembly.globalToLocal);
  for (const auto& [name, pair] : maps.instances) n += TableSize(pair.globalToLocal);
  return n;
}

// "1 instance", "2 instances".
std::string Counted(int n, const std::string& noun) { return std::to_string(n) + ' ' + noun + (n == 1 ? "" : "s"); }

// ---------------------------------------------------------------------------
// check

// What breaks the invariants of one kind's id maps: a table pair that is not
// one table and its inverse, and a global id held by more than one level.
void CheckKind(const inpM_InstanceIdMaps& maps, const char* kind, std::vector<std::string>& problems) {
  std::vector<int> globals;
  auto level = [&](const std::string& name, const inpM_InstanceMaps& pair) {
    const std::string where = name.empty() ? "the assembly level" : "instance " + name;
    if (TableSize(pair.globalToLocal) != TableSize(pair.localToGlobal)) {
      problems.push_back(std::string(kind) + " tables of " + where + " hold different numbers of pairs");
      return;
    }
    if (!pair.localToGlobal.HasValue()) return;
    pair.localToGlobal->ForEach([&](int local, int global) {
      const int* back = pair.globalToLocal->Find(global);
      if (!back || *back != local)
        problems.push_back(std::string(kind) + " tables of " + where + " are not inverse at local id " +
                           std::to_string(local));
      globals.push_back(global);
    });
  };
  for (const auto& [name, pair] : maps.instances) level(name.str(), pair);
  level(std::string(), maps.assembly);
  std::sort(globals.begin(), globals.end());
  for (size_t i = 1; i < globals.size(); ++i)
    if (globals[i] == globals[i - 1] && (i == 1 || globals[i] != globals[i - 2]))
      problems.push_back("global " + std::string(kind) + " id " + std::to_string(globals[i]) +
                         " is held by more than one level");
}

int Check(const std::string& file) {
  bool whole = false;
  const std::optional<inpM_PartMap> map = inpm_Load(file, &whole);
  if (!map) return kFailure;
  std::vector<std::string> problems;
  if (!whole) problems.push_back("data after the end of the part map");
  const inpM_InstanceIdMaps& nodes = map->ConstGetNodeMap();
  const inpM_InstanceIdMaps& elements = map->ConstGetElementMap();
  if (nodes.instances.Keys() != elements.instances.Keys())
    problems.push_back("the node map and the element map list different instances");
  CheckKind(nodes, "node", problems);
  CheckKind(elements, "element", problems);
  constexpr size_t kShown = 10;
  for (size_t i = 0; i < std::min(problems.size(), kShown); ++i) inpm_Report(file, problems[i]);
  if (problems.size() > kShown) inpm_Report(file, "and " + std::to_string(problems.size() - kShown) + " more problems");
  if (!problems.empty()) return kFailure;
  std::cout << file << ": whole and consistent: " << Counted(nodes.Size(), "instance") << ", "
            << Counted(Ids(nodes), "node") << ", " << Counted(Ids(elements), "element") << '\n';
  return 0;
}

// ---------------------------------------------------------------------------
// info

std::string Join(const cow_List<cow_String>& names) {
  std::string text;
  for (const cow_String& name : names) text += (text.empty() ? "" : ", ") + name.str();
  return text.empty() ? "none" : text;
}

void PrintTable(const std::vector<std::vector<std::string>>& rows, size_t leftColumns) {
  std::vector<size_t> width;
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size(); ++c) {
      width.resize(std::max(width.size(), row.size()));
      width[c] = std::max(width[c], row[c].size());
    }
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      const std::string pad(width[c] - row[c].size(), ' ');
      line += "  ";
      line += c < leftColumns ? row[c] + pad : pad + row[c];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::cout << line << '\n';
  }
}

int Info(const std::string& file) {
  const std::optional<inpM_PartMap> map = inpm_Load(file);
  if (!map) return kFailure;
  const inpM_InstanceIdMaps& nodes = map->ConstGetNodeMap();
  const inpM_InstanceIdMaps& elements = map->ConstGetElementMap();
  const inpM_SetMap& nodeSets = map->ConstGetNodeSets();
  const inpM_SetMap& elementSets = map->ConstGetElementSets();
  const inpM_SurfaceMap& surfaces = map->ConstGetSurfaces();
  const inpM_InstanceMap<cow_String>& parts = map->ConstGetInstanceMap();

  std::set<cow_String> names;
  for (const cow_String& n : parts.Instances()) names.insert(n);
  for (const auto& [n, v] : nodes.instances) names.insert(n);
  for (const auto& [n, v] : elements.instances) names.insert(n);
  for (const auto& [n, v] : nodeSets.ConstGetNestedSetMaps()) names.insert(n);
  for (const auto& [n, v] : elementSets.ConstGetNestedSetMaps()) names.insert(n);
  for (const auto& [n, v] : surfaces.ConstGetInstanceSurfaces()) names.insert(n);

  std::cout << "Part file: " << file << '\n'
            << "Assembly: " << map->ConstGetAssemblyName().str() << '\n'
            << "Flags: flattened names " << map->FlattenedNames() << ", local ids are global "
            << map->LocalIdsAreGlobal() << ", third flag " << map->ThirdFlag() << '\n'
            << "Instances: " << parts.Instances().Size() << " in the instance map, " << nodes.Size()
            << " in the node map, " << elements.Size() << " in the element map\n"
            << "Parts: " << Join(map->Parts()) << '\n'
            << "Nodes: " << Ids(nodes) << ", elements: " << Ids(elements) << '\n';

  auto count = [](const auto* value, auto size) { return std::to_string(value ? size(*value) : 0); };
  auto setCount = [](const inpM_SetMapHandle& h) { return h->ConstGetSets().Size(); };
  auto surfaceCount = [](const inpM_PartInstanceSurfaceMap& m) { return m.Size(); };
  auto idCount = [](const inpM_InstanceMaps& p) { return TableSize(p.globalToLocal); };
  std::vector<std::vector<std::string>> rows = {
      {"Instance", "Part", "Nodes", "Elements", "Node sets", "Element sets", "Surfaces"}};
  for (const cow_String& name : names)
    rows.push_back({name.str(), parts.IsMember(name) ? parts.ConstGet(name).str() : "-",
                    count(nodes.instances.ConstFind(name), idCount), count(elements.instances.ConstFind(name), idCount),
                    count(nodeSets.ConstGetNestedSetMaps().ConstFind(name), setCount),
                    count(elementSets.ConstGetNestedSetMaps().ConstFind(name), setCount),
                    count(surfaces.ConstGetInstanceSurfaces().ConstFind(name), surfaceCount)});
  rows.push_back({"(assembly level)", "", std::to_string(idCount(nodes.assembly)),
                  std::to_string(idCount(elements.assembly)), std::to_string(nodeSets.ConstGetSets().Size()),
                  std::to_string(elementSets.ConstGetSets().Size()),
                  std::to_string(surfaces.ConstGetAssemblySurfaces().Size())});
  PrintTable(rows, 2);

  std::cout << "Assembly node sets: " << Join(nodeSets.ConstGetSets().Keys()) << '\n'
            << "Assembly element sets: " << Join(elementSets.ConstGetSets().Keys()) << '\n'
            << "Assembly surfaces: " << Join(surfaces.ConstGetAssemblySurfaces().Keys()) << '\n';
  return 0;
}

// ---------------------------------------------------------------------------
// lookup, global

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned char>(c));
      out += hex;
    } else {
      out += c;
    }
  }
  return out + '"';
}

struct Answer {
  int global;
  std::string instance;
  int local;
};

void PrintAnswers(const std::vector<Answer>& answers, const std::string& kind, bool json, bool toGlobal) {
  if (json) {
    std::cout << "[";
    for (size_t i = 0; i < answers.size(); ++i)
      std::cout << (i ? ",\n " : "\n ") << "{\"kind\": " << JsonString(kind) << ", \"global\": " << answers[i].global
                << ", \"instance\": " << JsonString(answers[i].instance) << ", \"local\": " << answers[i].local << "}";
    std::cout << (answers.empty() ? "]\n" : "\n]\n");
    return;
  }
  for (const Answer& a : answers) {
    const std::string level = a.instance.empty() ? "the assembly level" : "instance " + a.instance;
    if (toGlobal)
      std::cout << kind << ' ' << a.local << " of " << level << ": global id " << a.global << '\n';
    else
      std::cout << kind << ' ' << a.global << ": " << level << ", local id " << a.local << '\n';
  }
}

std::optional<int> ParseId(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

// Answers every id it can; each one that the map lacks is reported with the
// library's message and makes the exit code 1.
int Query(const std::string& file, const std::string& kind, const std::string& instance,
          const std::vector<std::string>& texts, bool json, bool toGlobal) {
  std::vector<int> ids;
  for (const std::string& text : texts) {
    const std::optional<int> id = ParseId(text);
    if (!id) {
      std::cerr << "inpm: not an id: " << text << '\n';
      return kUsage;
    }
    ids.push_back(*id);
  }
  const std::optional<inpM_PartMap> map = inpm_Load(file);
  if (!map) return kFailure;
  const bool node = kind == "node";
  std::vector<Answer> answers;
  int status = 0;
  for (int id : ids) {
    const bool answered = inpm_Guard(file, [&] {
      if (toGlobal) {
        answers.push_back({node ? map->GlobalNodeId(instance, id) : map->GlobalElementId(instance, id), instance, id});
      } else {
        const inpM_StringIntPair pair =
            node ? map->ConstGetInstanceNodeIdPair(id) : map->ConstGetInstanceElementIdPair(id);
        answers.push_back({id, pair.instance.str(), pair.id});
      }
    });
    if (!answered) status = kFailure;
  }
  PrintAnswers(answers, kind, json, toGlobal);
  return status;
}

// ---------------------------------------------------------------------------
// normalize, generate

int Normalize(const std::string& in, const std::string& out) {
  const std::optional<inpM_PartMap> map = inpm_Load(in);
  if (!map) return kFailure;
  return inpm_Save(*map, out) ? 0 : kFailure;
}

int Generate(const inpM_ModelShape& shape, const std::string& out) {
  std::optional<inpM_PartMap> map;
  if (!inpm_Guard(out, [&] { map.emplace(inpM_GenerateModel(shape)); })) return kFailure;
  return inpm_Save(*map, out) ? 0 : kFailure;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("inpm: checks, summarises, queries, normalises, generates and edits part files (.prt).", "inpm");
  app.set_version_flag("--version", std::string("inpm ") + INPM_VERSION);
  app.require_subcommand(1);
  app.footer("Exit codes: 0 success, 1 a file or id error, 2 a wrong command line.");

  std::string file, out, kind, instance;
  std::vector<std::string> ids;
  bool json = false;
  int status = 0;

  CLI::App* check = app.add_subcommand("check", "Read a part file and report whether it is whole and consistent.");
  check->add_option("FILE", file, "part file (- for standard input)")->required();
  check->callback([&] { status = Check(file); });

  CLI::App* info =
      app.add_subcommand("info", "Summarise a part file: assembly, instances, parts, ids, sets, surfaces.");
  info->add_option("FILE", file, "part file (- for standard input)")->required();
  info->callback([&] { status = Info(file); });

  const auto kinds = CLI::IsMember({"node", "element"});
  CLI::App* lookup = app.add_subcommand("lookup", "Instance and local id of global ids.");
  lookup->add_flag("--json", json, "print a JSON array of {kind, global, instance, local}");
  lookup->add_option("FILE", file, "part file (- for standard input)")->required();
  lookup->add_option("KIND", kind, "node or element")->required()->check(kinds);
  lookup->add_option("GLOBAL_ID", ids, "global ids")->required();
  lookup->callback([&] { status = Query(file, kind, std::string(), ids, json, false); });

  CLI::App* global = app.add_subcommand("global", "Global ids of local ids of an instance.");
  global->add_flag("--json", json, "print a JSON array of {kind, global, instance, local}");
  global->add_option("FILE", file, "part file (- for standard input)")->required();
  global->add_option("KIND", kind, "node or element")->required()->check(kinds);
  global->add_option("INSTANCE", instance, "instance name (\"\" for the assembly level)")->required();
  global->add_option("LOCAL_ID", ids, "local ids")->required();
  global->callback([&] { status = Query(file, kind, instance, ids, json, true); });

  CLI::App* normalize = app.add_subcommand("normalize", "Read a part file and write it back as the library writes it.");
  normalize->add_option("IN", file, "part file to read (- for standard input)")->required();
  normalize->add_option("OUT", out, "part file to write (- for standard output)")->required();
  normalize->callback([&] { status = Normalize(file, out); });

  inpM_ModelShape shape;
  CLI::App* generate = app.add_subcommand("generate", "Write the part file of a generated model.");
  generate->add_option("OUT", out, "part file to write (- for standard output)")->required();
  generate->add_option("--seed", shape.seed, "seed of the model")->capture_default_str();
  generate->add_option("--instances", shape.instances, "number of instances")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  generate->add_option("--parts", shape.parts, "number of parts")->capture_default_str()->check(CLI::PositiveNumber);
  generate->add_option("--nodes", shape.nodesPerInstance, "nodes per instance")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  generate->add_option("--elements", shape.elementsPerInstance, "elements per instance")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  generate->add_option("--assembly-nodes", shape.assemblyNodes, "nodes at the assembly level")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  generate->add_option("--assembly-elements", shape.assemblyElements, "elements at the assembly level")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  generate->add_option("--set-fraction", shape.setFraction, "share of ids in sets and surfaces")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 1.0));
  generate->add_flag("--quoted-names", shape.quotedNames, "give some names double quotes");
  generate->callback([&] { status = Generate(shape, out); });

  inpm_AddReportCommand(app, status);
  inpm_AddEditCommand(app, status);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "inpm: " << inpm_OneLine(e.what()) << " (see inpm --help)\n";
    return kUsage;
  }
  return status;
}
