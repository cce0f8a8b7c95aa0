// Makes the seed corpora of the fuzz targets (fuzz/corpus/<name>/) from part
// files: the models of the model generator and the part files named on the
// command line (the hand-written goldens). The part files themselves seed the
// part file target; the first model, which holds every kind of record, is
// also the file that the sweep changes (partfile/full.prt). Each record of every part map is
// written as an input of its target (with the target's selector byte first,
// an ASCII digit), and of each kind of input a few are kept: the smallest,
// the largest of at most kMaxBytes and one between, so that every corpus
// stays a few KB. scripts/fuzz.sh --make-corpus runs it.
//
//   fuzz_make_corpus CORPUS_DIR PART_FILE...
//
// Files whose name starts with "regress-" are inputs of past findings: they
// are kept; every other file of a corpus is made again.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "inpM_ModelGenerator.h"
#include "inpM_PartMap.h"
#include "inpM_Set.h"
#include "inpM_SetMap.h"
#include "inpM_SurfaceMap.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxBytes = 600;

template <class Value>
std::string Text(const Value& value) {
  aio_ostringstream out;
  value.Print(out);
  return out.str();
}

// Inputs by corpus, then by kind (the file name's stem), each text once.
using Inputs = std::map<std::string, std::map<std::string, std::set<std::string>>>;

void AddSet(Inputs& inputs, const inpM_BaseSet& set) {
  switch (set.GetSetKind()) {
    case inpM_SortedSetKind:
      inputs["set"]["sorted"].insert("0" + Text(set));
      break;
    case inpM_UnsortedSetKind:
      inputs["set"]["unsorted"].insert("1" + Text(set));
      for (const inpM_SetHandle& c : static_cast<const inpM_UnsortedSet&>(set).ConstGetComponents()) AddSet(inputs, *c);
      break;
    case inpM_IntegerSetKind:
      inputs["set"]["integer"].insert("2" + Text(set));
      break;
    case inpM_SetNamePairKind: {
      inputs["set"]["namepair"].insert("3" + Text(set));
      const inpM_SetHandle& inner = static_cast<const inpM_SetNamePair&>(set).ConstGetSet();
      if (inner.HasValue()) AddSet(inputs, *inner);
      break;
    }
    default:
      break;
  }
}

void AddSetMap(Inputs& inputs, const inpM_SetMap& map) {
  inputs["setmap"]["map"].insert(Text(map));
  for (const auto& [name, set] : map.ConstGetSets()) AddSet(inputs, *set);
  for (const auto& [name, nested] : map.ConstGetNestedSetMaps()) AddSetMap(inputs, *nested);
}

void AddPartMap(Inputs& inputs, const inpM_PartMap& map) {
  for (const inpM_InstanceIdMaps* ids : {&map.ConstGetNodeMap(), &map.ConstGetElementMap()}) {
    for (const auto& [name, pair] : ids->instances) inputs["idmap"]["pair"].insert(Text(pair));
    inputs["idmap"]["pair"].insert(Text(ids->assembly));
  }
  AddSetMap(inputs, map.ConstGetElementSets());
  AddSetMap(inputs, map.ConstGetNodeSets());
  const inpM_SurfaceMap& surfaces = map.ConstGetSurfaces();
  inputs["surfacemap"]["map"].insert("0" + Text(surfaces));
  for (const auto& [name, surface] : surfaces.ConstGetAssemblySurfaces())
    inputs["surfacemap"]["assembly"].insert("1" + Text(surface));
  static const char* const kKinds[] = {"faces", "nodes", "rigid"};
  for (const auto& [instance, named] : surfaces.ConstGetInstanceSurfaces()) {
    for (const auto& [name, surface] : named.ConstGetSurfaces()) {
      const int kind = surface->GetSurfaceType();
      inputs["surface"][kKinds[kind]].insert(std::string(1, static_cast<char>('0' + kind)) + Text(*surface));
      // The same record under a kind code of no surface: '3' chooses one.
      inputs["surface"]["unknown"].insert("3" + Text(*surface));
    }
  }
}

// The smallest, the largest that fits and one between.
std::vector<std::string> Pick(const std::set<std::string>& texts) {
  std::vector<std::string> fit;
  for (const std::string& t : texts)
    if (t.size() <= kMaxBytes) fit.push_back(t);
  std::stable_sort(fit.begin(), fit.end(), [](const auto& a, const auto& b) { return a.size() < b.size(); });
  if (fit.size() <= 3) return fit;
  return {fit.front(), fit[fit.size() / 2], fit.back()};
}

void Write(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  out << text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR PART_FILE...\n", argv[0]);
    return 2;
  }
  const fs::path root(argv[1]);
  Inputs inputs;
  // Small models of every shape the generator has: quoted names, no
  // assembly-level ids, the assembly alone.
  inpM_ModelShape shapes[3];
  shapes[0] = {.seed = 2, .instances = 2, .nodesPerInstance = 6, .elementsPerInstance = 3, .assemblyNodes = 2,
               .assemblyElements = 1, .setFraction = 0.5, .quotedNames = true};
  shapes[1] = {.seed = 3, .instances = 3, .nodesPerInstance = 4, .elementsPerInstance = 4, .assemblyNodes = 0,
               .assemblyElements = 0};
  shapes[2] = {.seed = 4, .instances = 0, .assemblyNodes = 3, .assemblyElements = 3};
  std::map<std::string, std::string> partFiles;
  for (const inpM_ModelShape& shape : shapes) {
    const inpM_PartMap map = inpM_GenerateModel(shape);
    AddPartMap(inputs, map);
    partFiles[partFiles.empty() ? "full.prt" : "generated-" + std::to_string(partFiles.size()) + ".prt"] = Text(map);
  }
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const std::string file(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>{});
    aio_istringstream text(file);
    AddPartMap(inputs, inpM_PartMap(text));
    partFiles[fs::path(argv[i]).filename().string()] = file;
  }
  for (const auto& [name, file] : partFiles) inputs["partfile"][name].insert(file);
  for (const auto& [corpus, kinds] : inputs) {
    const fs::path dir = root / corpus;
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(dir))
      if (!entry.path().filename().string().starts_with("regress-")) fs::remove(entry.path());
    for (const auto& [kind, texts] : kinds) {
      if (corpus == "partfile") {
        Write(dir / kind, *texts.begin());
        continue;
      }
      int k = 0;
      for (const std::string& text : Pick(texts)) Write(dir / (kind + "-" + std::to_string(++k)), text);
    }
  }
  return 0;
}
