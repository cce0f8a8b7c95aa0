// The printed map report of a part map: the assembly with its sets and
// surfaces, the instances with theirs, and the tables that translate every
// global id to (instance, local id) and back.
//
// Fields are written as the stream writes them: a width set just before a
// value pads it with blanks to that width. The id tables set the flag
// aio_ios::left first, so that their numbers too are padded on the right and
// every field of a row is left-aligned.
//
// The id tables are the bulk of a large model's report (two rows per node and
// per element), so their rows are formatted into a buffer at fixed places,
// the same bytes that the fields would give, and the global-to-local rows are
// merged from the tables, which are already in ascending order, instead of
// gathering and sorting every global id: the report then needs no memory in
// proportion to the model.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "inpM_PartMap.h"

namespace {

// Added with every field width; the stream writes the same with or without it.
constexpr int kFieldFlag = 0x2000;

void Field(aio_ostream& out, int width) {
  out.width(width);
  out.setf(kFieldFlag, 0);
}

// A blank in a field of `width`: `width` blanks, or one for a width below 1.
void Blank(aio_ostream& out, int width) {
  Field(out, width);
  out.put(' ');
}

void Indent(aio_ostream& out, const inpM_Line& line, int levels) { Blank(out, levels * line.indent); }

void Text(aio_ostream& out, const char* text, int width) {
  Field(out, width);
  out.print(text);
}

int BlankCount(int width) { return std::max(width, 1); }

// An id list from column `first` (Blank of that width), each further id
// after a blank field of listGap, wrapped when a line would pass lineWidth.
// Each id is formatted into one buffer as the C runtime's "%*s%i" gives it.
void PrintIdList(aio_ostream& out, const cow_1DArrayList<int>& ids, const inpM_Line& line, int first) {
  const int firstGap = BlankCount(first);
  const int laterGap = BlankCount(line.listGap);
  std::string formatted(static_cast<size_t>(std::max(firstGap, laterGap) + 16), ' ');
  const int cut = std::max(line.listGap, 0);
  long length = 0;
  bool firstId = true;
  for (int id : ids) {
    const int gap = firstId ? firstGap : laterGap;
    firstId = false;
    char* text = formatted.data();
    std::memset(text, ' ', static_cast<size_t>(gap));
    const int n = static_cast<int>(aio_format_int(text + gap, id) - text);
    length += n;
    if (length > line.lineWidth) {
      out.put('\n');
      Blank(out, first);
      const int kept = std::min(cut, n);
      out.print(text + kept, static_cast<size_t>(n - kept));
      length = firstGap + (n - kept);
    } else {
      out.print(text, static_cast<size_t>(n));
    }
  }
  out.put('\n');
}

// The faces of an element based surface part, each with its elements, under
// the face label of the report's section.
void PrintFaces(aio_ostream& out, const inpM_Line& line, const inpM_ElementFaceIdSurface::FaceMap& faces,
                const char* faceLabel) {
  for (const auto& [face, elements] : faces) {
    Indent(out, line, 4);
    out.print(faceLabel);
    out << face;
    out.put('\n');
    Indent(out, line, 4);
    out.print("number of elements: ").print_int(elements.Size()).put('\n');
    Indent(out, line, 4);
    out.print("elements:\n");
    PrintIdList(out, elements, line, 5 * line.indent);
  }
}

bool IsInternal(const inpM_BaseSet& set) { return set.GetTypeFlag() != inpM_InputSet; }

void PrintNodeAreas(aio_ostream& out, const inpM_Line& line, const inpM_NodeAreaList& nodes, const char* areaLabel,
                    const char* nodeLabel) {
  for (inpM_NodeAreaListIT it(nodes); !it.IsDone(); it.Next()) {
    Indent(out, line, 4);
    out.print(areaLabel).print_double(it.CurrentValue()).put('\n');
    Indent(out, line, 4);
    out.print(nodeLabel).print_int(it.CurrentKey()).put('\n');
  }
}

// ---------------------------------------------------------------------------
// The id tables

// Text handed to the stream in large pieces. Room(n) gives a place for n
// bytes (n below kSize) and Take the end of what was written there.
class Chunk {
 public:
  explicit Chunk(aio_ostream& out) : out_(out), text_(kSize + kSlack), at_(text_.data()) {}
  Chunk(const Chunk&) = delete;
  Chunk& operator=(const Chunk&) = delete;

  char* Room(size_t n) {
    if (static_cast<size_t>(text_.data() + text_.size() - at_) < n) Flush();
    return at_;
  }
  void Take(char* end) { at_ = end; }
  void Append(const std::string& s) {
    if (s.size() > kSize) {
      Flush();
      out_.print(s.data(), s.size());
      return;
    }
    char* p = Room(s.size());
    std::memcpy(p, s.data(), s.size());
    at_ = p + s.size();
  }
  void Flush() {
    out_.print(text_.data(), static_cast<size_t>(at_ - text_.data()));
    at_ = text_.data();
  }

  static constexpr size_t kSize = size_t{1} << 16;
  // Room for any row of numbers: aio_format_int stores whole words.
  static constexpr size_t kSlack = 256;

 private:
  aio_ostream& out_;
  std::vector<char> text_;
  char* at_;
};

// The bytes of the fields of a row, for a stream with the flag `left` set.
struct Row {
  int indent, gap, number;  // the leading blank field; the blank before a number; a number's field

  explicit Row(const inpM_Line& line)
      : indent(BlankCount(line.indent)), gap(BlankCount(line.numberGap)), number(line.numberWidth - line.numberGap) {}

  // The widest text that Numbers writes.
  size_t Room() const { return static_cast<size_t>(gap + std::max(number, 0) + 16) * 2; }

  static char* Blanks(char* p, int n) {
    std::memset(p, ' ', static_cast<size_t>(n));
    return p + n;
  }
  // A blank field, then the value left-aligned in the number field; twice.
  char* Numbers(char* p, int first, int second) const {
    for (int v : {first, second}) {
      p = Blanks(p, gap);
      char* start = p;
      p = aio_format_int(p, v);
      if (p - start < number) p = Blanks(p, static_cast<int>(number - (p - start)));
    }
    return p;
  }
};

// A long name as lines of nameWidth bytes: the first piece, and each later
// one after `lead`, each line but the first ending in "\n".
std::string LaterPieces(const cow_String& name, size_t width, const std::string& lead) {
  std::string text;
  for (size_t at = width; at < static_cast<size_t>(name.Length()); at += width)
    text += lead + name.str().substr(at, width) + '\n';
  return text;
}

// The name in the name field.
std::string Padded(const cow_String& name, const inpM_Line& line) {
  std::string text = name.str();
  const size_t width = static_cast<size_t>(std::max(line.nameWidth, 0));
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

// The bytes of a long name per line.
size_t NameWidth(const inpM_Line& line) { return static_cast<size_t>(std::max(line.nameWidth, 1)); }

const omi_IntTable<int>* TableOf(const cow_COW<omi_IntTable<int>>& table) {
  return table.HasValue() && !table->IsEmpty() ? &table.ConstGet() : nullptr;
}

// The rows of one kind's global ids in ascending order, as the instance and
// local id that ConstGetInstanceNodeIdPair answers give them: a merge of the
// levels' globalToLocal tables, each ascending. Ties go to the first level in
// the order of that lookup (instances in map order, the assembly level last),
// and a global id that several levels hold repeats the first one's answer.
// Runs of one level between the heads of the others are written without
// touching the heap, so that ids numbered instance by instance cost one heap
// step per instance.
void PrintGlobalRows(Chunk& text, const inpM_InstanceIdMaps& maps, const inpM_Line& line) {
  struct Level {
    omi_IntTableIterator<int> it;
    std::string tail;  // the name field and what follows it
  };
  const size_t width = NameWidth(line);
  const std::string lead(static_cast<size_t>(BlankCount(line.indent + 2 * line.numberWidth)), ' ');
  std::vector<Level> levels;
  auto add = [&](const cow_String& name, const cow_COW<omi_IntTable<int>>& table) {
    const omi_IntTable<int>* t = TableOf(table);
    if (t == nullptr) return;
    const bool longName = static_cast<size_t>(name.Length()) > width;
    std::string tail = longName ? name.str().substr(0, width) + '\n' + LaterPieces(name, width, lead)
                                : Padded(name, line) + '\n';
    levels.push_back({omi_IntTableIterator<int>(*t), std::move(tail)});
  };
  for (const auto& [name, pair] : maps.instances) add(name, pair.globalToLocal);
  add(cow_String(), maps.assembly.globalToLocal);

  auto before = [&levels](int a, int b) {
    const int ka = levels[static_cast<size_t>(a)].it.CurrentKey(), kb = levels[static_cast<size_t>(b)].it.CurrentKey();
    return ka < kb || (ka == kb && a < b);
  };
  auto later = [&before](int a, int b) { return before(b, a); };  // a min-heap
  std::vector<int> heap;
  for (int k = 0; k < static_cast<int>(levels.size()); ++k) heap.push_back(k);
  std::make_heap(heap.begin(), heap.end(), later);

  const Row row(line);
  const size_t room = static_cast<size_t>(row.indent) + row.Room();
  bool repeated = false;  // whether lastKey has been written
  int lastKey = 0, lastLocal = 0;
  const std::string* lastTail = nullptr;
  while (!heap.empty()) {
    std::pop_heap(heap.begin(), heap.end(), later);
    const int k = heap.back();
    heap.pop_back();
    Level& level = levels[static_cast<size_t>(k)];
    do {
      if (!heap.empty() && !before(k, heap.front())) break;
      const int global = level.it.CurrentKey();
      if (!repeated || global != lastKey) {
        repeated = true;
        lastKey = global;
        lastLocal = level.it.CurrentValue();
        lastTail = &level.tail;
      }
      char* p = Row::Blanks(text.Room(room), row.indent);
      text.Take(row.Numbers(p, global, lastLocal));
      text.Append(*lastTail);
      level.it.Next();
    } while (!level.it.IsDone());
    if (!level.it.IsDone()) {
      heap.push_back(k);
      std::push_heap(heap.begin(), heap.end(), later);
    }
  }
}

// The rows of one level's local ids in ascending order: the level's name (or
// blanks, for the assembly level), the local id and the global id.
void PrintLocalRows(Chunk& text, const cow_String& name, bool assembly,
                    const cow_COW<omi_IntTable<int>>& localToGlobal, const inpM_Line& line) {
  const omi_IntTable<int>* table = TableOf(localToGlobal);
  if (table == nullptr) return;
  const size_t width = NameWidth(line);
  const std::string indent(static_cast<size_t>(BlankCount(line.indent)), ' ');
  std::string head, rest;
  if (assembly) {
    head = indent + std::string(width, ' ');
  } else if (static_cast<size_t>(name.Length()) > width) {
    head = indent + name.str().substr(0, width);
    rest = LaterPieces(name, width, indent);
  } else {
    head = indent + Padded(name, line);
  }
  const Row row(line);
  const size_t room = row.Room() + 1;
  table->ForEach([&](int local, int global) {
    text.Append(head);
    char* p = row.Numbers(text.Room(room), local, global);
    *p++ = '\n';
    text.Take(p);
    if (!rest.empty()) text.Append(rest);
  });
}

}  // namespace

void inpM_PartMap::PrintSetIds(aio_ostream& out, const cow_1DArrayList<int>& ids, const cow_String& idLabel,
                               const inpM_Line& line, int level, int idLevel) const {
  Indent(out, line, level);
  out.print("number of ");
  out << idLabel;
  out.print(": ").print_int(ids.Size()).put('\n');
  Indent(out, line, level);
  out << idLabel;
  out.print(": \n");
  PrintIdList(out, ids, line, idLevel * line.indent);
}

void inpM_PartMap::PrintSurfaceIds(aio_ostream& out, const cow_1DArrayList<int>& ids, const inpM_Line& line,
                                   int firstWidth) const {
  PrintIdList(out, ids, line, firstWidth);
}

void inpM_PartMap::PrintModuleData(aio_ostream& out, bool assembly, bool globalToLocal, bool localToGlobal, bool ids,
                                   bool internal) const {
  const inpM_Line line;
  if (assembly) PrintAssembly(out, ids, line, internal);
  if (globalToLocal) PrintGlobal2Local(out, line);
  if (localToGlobal) PrintLocal2Global(out, line);
}

void inpM_PartMap::PrintAssembly(aio_ostream& out, bool ids, const inpM_Line& line, bool internal) const {
  out.print("Assembly name: ");
  out << assemblyName;
  out.print("\nNumber of instances: ").print_int(NumberInstances()).print("\n\n");
  out.print("ASSEMBLY LEVEL\n");
  PrintAssemblySets(out, nodeSets, ids, line, "node set", "nodes", internal);
  PrintAssemblySets(out, elementSets, ids, line, "element set", "elements", internal);
  PrintAssemblySurfaces(out, surfaces, ids, line, internal);
  out.print("INSTANCE LEVEL\n");
  PrintInstanceSets(out, nodeSets, ids, line, "node set", "nodes", internal);
  PrintInstanceSets(out, elementSets, ids, line, "element set", "elements", internal);
  PrintInstanceSurfaces(out, surfaces, ids, line, internal);
}

void inpM_PartMap::PrintAssemblySets(aio_ostream& out, const inpM_SetMap& setMap, bool ids, const inpM_Line& line,
                                     const cow_String& setLabel, const cow_String& idLabel, bool internal) const {
  const bool nodes = idLabel.view() == "nodes";
  Indent(out, line, 1);
  out << setLabel;
  out.print("s:\n");
  for (const auto& [name, handle] : setMap.ConstGetSets()) {
    const inpM_BaseSet& set = handle.ConstGet();
    // A set left out keeps its place as an empty line.
    if (IsInternal(set) && !internal) {
      out.put('\n');
      continue;
    }
    Indent(out, line, 2);
    out << name;
    if (ids) out.put(':');
    if (IsInternal(set)) out.print(" (internal)");
    out.put('\n');
    if (!ids) {
      out.put('\n');
      continue;
    }
    if (set.IsUnsorted()) {
      if (nodes) {
        Indent(out, line, 3);
        out.print("type: UNSORTED\n");
      }
      PrintSetIds(out, set.ConstGetIds(), idLabel, line, 3, 4);
    } else {
      const cow_1DArrayList<int> top = set.ConstGetTopLevelIds();
      if (!top.IsEmpty()) PrintSetIds(out, top, idLabel, line, 3, 4);
      for (const auto& [instance, instanceIds] : set.ConstGetInstanceIdsMap()) {
        Indent(out, line, 3);
        out.print("instance name: ");
        out << instance;
        out.put('\n');
        PrintSetIds(out, instanceIds, idLabel, line, 3, 4);
      }
    }
    out.put('\n');
  }
}

void inpM_PartMap::PrintInstanceSets(aio_ostream& out, const inpM_SetMap& setMap, bool ids, const inpM_Line& line,
                                     const cow_String& setLabel, const cow_String& idLabel, bool internal) const {
  const bool nodes = idLabel.view() == "nodes";
  Indent(out, line, 1);
  out << setLabel;
  out.print("s:\n");
  for (const auto& [instance, instanceSets] : setMap.ConstGetNestedSetMaps()) {
    Indent(out, line, 2);
    out.print("Instance name: ");
    out << instance;
    out.put('\n');
    for (const auto& [name, handle] : instanceSets->ConstGetSets()) {
      const inpM_BaseSet& set = handle.ConstGet();
      if (IsInternal(set) && !internal) continue;
      Indent(out, line, 3);
      if (ids) {
        out << setLabel;
        out.print(" name: ");
      }
      out << name;
      if (IsInternal(set)) out.print(" (internal)");
      out.put('\n');
      if (nodes && set.IsUnsorted()) {
        Indent(out, line, 3);
        out.print("type: UNSORTED\n");
      }
      if (ids) PrintSetIds(out, set.ConstGetIds(), idLabel, line, 4, 5);
    }
  }
  out.put('\n');
}

void inpM_PartMap::PrintAssemblySurfaces(aio_ostream& out, const inpM_SurfaceMap& surfaceMap, bool ids,
                                         const inpM_Line& line, bool internal) const {
  Indent(out, line, 1);
  out.print("Surfaces:\n");
  for (const auto& [name, surface] : surfaceMap.ConstGetAssemblySurfaces()) {
    if (surface.IsInternal() && !internal) continue;
    Indent(out, line, 2);
    out << name;
    if (ids) out.put(':');
    if (surface.IsInternal()) out.print(" (internal)");
    out.put('\n');
    if (!ids) continue;
    // One type line per surface, before its first part, at the indentation
    // of that part's kind; the assembly-level node part is not printed.
    bool typeWritten = false;
    auto typeLine = [&](int levels, const char* text) {
      if (typeWritten) return;
      Indent(out, line, levels);
      out.print(text);
      typeWritten = true;
    };
    for (const auto& [instance, handle] : surface.ConstGetInstanceParts().ConstGetSurfaces()) {
      const inpM_PartInstanceSurface& part = handle.ConstGet();
      const inpM_SurfaceTypes kind = part.GetSurfaceType();
      if (kind != inpM_ElementFaceIdSurfaceType && kind != inpM_NodeAreaSurfaceType) {
        if (kind == inpM_AnalyticalSurfaceType) typeLine(2, "type: analytic\n");
        continue;
      }
      if (kind == inpM_ElementFaceIdSurfaceType)
        typeLine(3, "type: element based\n");
      else
        typeLine(2, "type: node based\n");
      Indent(out, line, 3);
      out.print("instance name: ");
      out << instance;
      out.put('\n');
      if (kind == inpM_NodeAreaSurfaceType) {
        PrintNodeAreas(out, line, part.ConstGetNodeAreaList(), "area:  ", "node:  ");
        continue;
      }
      PrintFaces(out, line, part.ConstGetFaceIdElementIdsMap(), "face id:  ");
    }
  }
  out.put('\n');
}

void inpM_PartMap::PrintInstanceSurfaces(aio_ostream& out, const inpM_SurfaceMap& surfaceMap, bool ids,
                                         const inpM_Line& line, bool internal) const {
  Indent(out, line, 1);
  out.print("Surfaces:\n");
  for (const auto& [instance, instanceSurfaces] : surfaceMap.ConstGetInstanceSurfaces()) {
    Indent(out, line, 2);
    out.print("Instance name: ");
    out << instance;
    out.put('\n');
    for (const auto& [name, handle] : instanceSurfaces.ConstGetSurfaces()) {
      const inpM_PartInstanceSurface& surface = handle.ConstGet();
      if (surface.IsInternal() && !internal) continue;
      const inpM_SurfaceTypes kind = surface.GetSurfaceType();
      Indent(out, line, 3);
      out.print("surface name: ");
      out << name;
      if (surface.IsInternal()) out.print(" (internal)");
      out.put('\n');
      Indent(out, line, 3);
      out.print(kind == inpM_ElementFaceIdSurfaceType ? "type: element based\n"
                : kind == inpM_NodeAreaSurfaceType    ? "type: node based\n"
                                                      : "type: analytical\n");
      if (!ids) continue;
      if (kind == inpM_NodeAreaSurfaceType) PrintNodeAreas(out, line, surface.ConstGetNodeAreaList(), "area = ", "node = ");
      if (kind != inpM_ElementFaceIdSurfaceType) continue;
      PrintFaces(out, line, surface.ConstGetFaceIdElementIdsMap(), "face id = ");
    }
  }
  out.put('\n');
}

void inpM_PartMap::PrintGlobal2Local(aio_ostream& out, const inpM_Line& line) const {
  out.setf(aio_ios::left, 0);
  out.print("GLOBAL TO LOCAL NODE AND ELEMENT MAPS\n");
  for (const char* kind : {"node", "element"}) {
    const char* headings[3][2] = {{"Global", "Local"}, {kind, kind}, {"number", "number"}};
    for (const auto& heading : headings) {
      Blank(out, line.indent);
      Text(out, heading[0], line.numberWidth);
      Text(out, heading[1], line.numberWidth);
      out.put('\n');
    }
    Blank(out, line.indent + 2 * line.numberWidth);
    Text(out, "Instance name", line.nameWidth);
    out.put('\n');
    Chunk text(out);
    PrintGlobalRows(text, kind[0] == 'n' ? nodeMap : elementMap, line);
    text.Flush();
    out.put('\n');
  }
}

void inpM_PartMap::PrintLocal2Global(aio_ostream& out, const inpM_Line& line) const {
  out.setf(aio_ios::left, 0);
  out.print("LOCAL TO GLOBAL NODE AND ELEMENT MAPS\n");
  for (const char* kind : {"node", "element"}) {
    const char* headings[2][2] = {{"Local", "Global"}, {kind, kind}};
    for (const auto& heading : headings) {
      Blank(out, line.indent + line.nameWidth);
      Text(out, heading[0], line.numberWidth);
      Text(out, heading[1], line.numberWidth);
      out.put('\n');
    }
    // The second "number" has no field: text padded on the right needs none
    // to line up with the headings above.
    Blank(out, line.indent);
    Blank(out, line.nameWidth);
    Text(out, "number", line.numberWidth);
    out.print("number\n");
    Blank(out, line.indent);
    Text(out, "Instance name", 13);
    out.put('\n');
    const inpM_InstanceIdMaps& maps = kind[0] == 'n' ? nodeMap : elementMap;
    Chunk text(out);
    PrintLocalRows(text, cow_String(), true, maps.assembly.localToGlobal, line);
    for (const auto& [name, pair] : maps.instances) PrintLocalRows(text, name, false, pair.localToGlobal, line);
    text.Flush();
    out.put('\n');
  }
}
