// A small program of the library: reads a part file and translates a few ids
// between the global numbering and (instance, local id).
//
//   part_map_example [FILE.prt]     (default: the example model beside it)
#include <iostream>

#include "inpM.h"

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : KVL_EXAMPLE_MODEL;
  aio_ifstream in(path);
  if (in.fail()) {
    std::cerr << path << ": cannot open\n";
    return 1;
  }
  try {
    const inpM_PartMap map(in);
    std::cout << "Assembly " << map.ConstGetAssemblyName().str() << " with " << map.NumberInstances()
              << " instances:\n";
    for (const cow_String& instance : map.Instances())
      std::cout << "  " << instance.str() << " of part " << map.GetPartFormingInstance(instance).str() << '\n';

    // Global node ids 1 to 5, where they exist, to (instance, local id) and
    // back again.
    for (int global = 1; global <= 5; ++global) {
      if (!map.IsNodePartMapMember(global)) continue;
      const inpM_StringIntPair local = map.ConstGetInstanceNodeIdPair(global);
      const char* level = local.instance.IsEmpty() ? "the assembly level" : local.instance.c_str();
      std::cout << "global node " << global << " is node " << local.id << " of " << level << ", which maps back to "
                << map.GlobalNodeId(local.instance, local.id) << '\n';
    }
    for (const cow_String& set : map.AssemblyNsetNames())
      std::cout << "assembly node set " << set.str() << ": " << map.ConstGetAssemblyNset(set).Size() << " ids"
                << (map.AssemblyNsetIsPicked(set) ? " (internal)" : "") << '\n';
  } catch (const wip_ErrorException& e) {
    std::cerr << path << ": " << e.what() << '\n';
    return 1;
  }
  return 0;
}
