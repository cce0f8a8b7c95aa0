// The edit script of `inpm edit`: words, commands and their usage lines.
#include "inpm_script.h"

#include <charconv>
#include <functional>
#include <map>
#include <sstream>

#include "inpM_RecordReader.h"
#include "nex.h"
#include "wip.h"

namespace {

using Args = std::vector<std::string>;

// A script line that cannot be carried out: the reason, without the line
// number that the caller adds.
struct LineError {
  std::string reason;
};

int Id(const std::string& text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) throw LineError{"not an id: " + text};
  return value;
}

double Area(const std::string& text) {
  std::istringstream in(text);
  double value = 0;
  if (!(in >> value) || !in.eof()) throw LineError{"not an area: " + text};
  return value;
}

// "node" or "element": whether elements are meant.
bool Elements(const std::string& kind) {
  if (kind != "node" && kind != "element") throw LineError{"not node or element: " + kind};
  return kind == "element";
}

// "nset" or "elset".
bool ElementSets(const std::string& kind) {
  if (kind != "nset" && kind != "elset") throw LineError{"not nset or elset: " + kind};
  return kind == "elset";
}

// Words separated by blanks; a word in double quotes may hold blanks and is
// taken without its quotes ("" is the empty name of the assembly level), as
// the part file holds names. A "#" that starts a word starts a comment.
Args Words(const std::string& line) {
  Args words;
  for (size_t i = 0; i < line.size();) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    if (line[i] == '"') {
      const size_t close = line.find('"', i + 1);
      if (close == std::string::npos) throw LineError{"unterminated quote"};
      words.push_back(line.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    const size_t end = line.find_first_of(" \t\r", i);
    words.push_back(line.substr(i, end == std::string::npos ? std::string::npos : end - i));
    i = end == std::string::npos ? line.size() : end;
  }
  return words;
}

struct Command {
  const char* usage;  // the command and its arguments, optional ones in []
  size_t least;       // arguments
  size_t most;
  std::function<void(inpM_PartMap&, const Args&)> apply;
};

// The name in argument i (none when the argument is left out). The part file
// holds a name on a line of at most kMaxLine bytes and refuses a longer one,
// so a longer name is refused here rather than written where it could not be
// read back.
cow_String Name(const Args& a, size_t i) {
  if (i >= a.size()) return cow_String();
  if (a[i].size() > static_cast<size_t>(inpM_RecordReader::kMaxLine))
    throw LineError{"name longer than " + std::to_string(inpM_RecordReader::kMaxLine) + " bytes: " + a[i]};
  return cow_String(a[i]);
}

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"insert",
       {"insert node|element GLOBAL_ID [INSTANCE]   add an id to an instance (default: the assembly level)", 2, 3,
        [](inpM_PartMap& m, const Args& a) {
          const int id = Id(a[1]);
          Elements(a[0]) ? m.InsertElement(id, Name(a, 2)) : m.InsertNode(id, Name(a, 2));
        }}},
      {"remove",
       {"remove node|element GLOBAL_ID   remove an id from its level and from its sets", 2, 2,
        [](inpM_PartMap& m, const Args& a) { m.RemoveNodeOrElement(Id(a[1]), Elements(a[0]) ? "elset" : "nset"); }}},
      {"set-add",
       {"set-add nset|elset SET GLOBAL_ID [INSTANCE]   add an id to a set named as the solver names it", 3, 4,
        [](inpM_PartMap& m, const Args& a) {
          // The kind goes to the library as given, which names a wrong one.
          m.InsertIntoSet(Name(a, 1), cow_String(a[0]), Name(a, 3), Id(a[2]), 1, inpM_InputSet, false, false);
        }}},
      {"set-clear",
       {"set-clear nset|elset SET   empty a set", 2, 2,
        [](inpM_PartMap& m, const Args& a) { ElementSets(a[0]) ? m.ClearElset(Name(a, 1)) : m.ClearNset(Name(a, 1)); }}},
      {"facet-add",
       {"facet-add INSTANCE SURFACE FACE ELEMENT   add a facet to an instance surface", 4, 4,
        [](inpM_PartMap& m, const Args& a) { m.AddInstanceSurfaceFacet(Name(a, 0), Name(a, 1), Name(a, 2), Id(a[3])); }}},
      {"facet-remove",
       {"facet-remove INSTANCE SURFACE FACE ELEMENT   remove a facet from an instance surface", 4, 4,
        [](inpM_PartMap& m, const Args& a) {
          m.RemoveInstanceSurfaceFacet(Name(a, 0), Name(a, 1), Name(a, 2), Id(a[3]));
        }}},
      {"node-add",
       {"node-add INSTANCE SURFACE NODE AREA   add a node to an instance surface", 4, 4,
        [](inpM_PartMap& m, const Args& a) { m.AddInstanceSurfaceNode(Name(a, 0), Name(a, 1), Id(a[2]), Area(a[3])); }}},
      {"node-remove",
       {"node-remove INSTANCE SURFACE NODE   remove a node from an instance surface", 3, 3,
        [](inpM_PartMap& m, const Args& a) { m.RemoveInstanceSurfaceNode(Name(a, 0), Name(a, 1), Id(a[2])); }}},
      {"surface-clear",
       {"surface-clear INSTANCE SURFACE   empty an instance surface", 2, 2,
        [](inpM_PartMap& m, const Args& a) { m.ClearInstanceSurface(Name(a, 0), Name(a, 1)); }}},
      {"assembly-facet-add",
       {"assembly-facet-add SURFACE FACE ELEMENT   add a facet to an assembly surface", 3, 3,
        [](inpM_PartMap& m, const Args& a) { m.AddAssemblySurfaceFacet(Name(a, 0), Name(a, 1), Id(a[2])); }}},
      {"assembly-facet-remove",
       {"assembly-facet-remove SURFACE FACE ELEMENT   remove a facet from an assembly surface", 3, 3,
        [](inpM_PartMap& m, const Args& a) { m.RemoveAssemblySurfaceFacet(Name(a, 0), Name(a, 1), Id(a[2])); }}},
      {"assembly-node-add",
       {"assembly-node-add SURFACE NODE AREA   add a node to an assembly surface", 3, 3,
        [](inpM_PartMap& m, const Args& a) { m.AddAssemblySurfaceNode(Name(a, 0), Id(a[1]), Area(a[2])); }}},
      {"assembly-node-remove",
       {"assembly-node-remove SURFACE NODE   remove a node from an assembly surface", 2, 2,
        [](inpM_PartMap& m, const Args& a) { m.RemoveAssemblySurfaceNode(Name(a, 0), Id(a[1])); }}},
      {"assembly-surface-clear",
       {"assembly-surface-clear SURFACE   empty an assembly surface", 1, 1,
        [](inpM_PartMap& m, const Args& a) { m.ClearAssemblySurface(Name(a, 0)); }}},
  };
  return commands;
}

// Carries out one script line; throws LineError with the reason.
void Apply(inpM_PartMap& map, const std::string& line) {
  Args words = Words(line);
  if (words.empty()) return;
  const auto found = Commands().find(words[0]);
  if (found == Commands().end()) throw LineError{"unknown command: " + words[0]};
  const Command& command = found->second;
  words.erase(words.begin());
  if (words.size() < command.least || words.size() > command.most)
    throw LineError{std::string("usage: ") + command.usage};
  command.apply(map, words);
}

}  // namespace

std::optional<std::string> inpm_ApplyEditLine(inpM_PartMap& map, const std::string& line) {
  try {
    Apply(map, line);
    return std::nullopt;
  } catch (const LineError& e) {
    return e.reason;
  } catch (const wip_ErrorException& e) {
    return e.Message().str();
  } catch (const nex_Exception& e) {
    return e.UserReport().str();
  }
}

std::vector<std::string> inpm_EditCommandUsages() {
  std::vector<std::string> usages;
  for (const auto& [name, command] : Commands()) usages.push_back(command.usage);
  return usages;
}
