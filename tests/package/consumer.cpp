// A small program built against the installed package: it builds an id map,
// makes the two-way tables of the part map from it and writes them.
#include <cstdio>

#include "inpM.h"

int main() {
  inpM_IdMap nodes;
  nodes.Insert(1, 101);
  nodes.Insert(2, 102);
  const inpM_InstanceMaps tables(nodes);
  aio_ostringstream out;
  tables.Print(out);
  const cow_String quoted = inpM_Utils::AddQuotes("BLOCK-1");
  std::printf("%s%s\n", out.str().c_str(), quoted.c_str());
  return out.str() == "2\n101 1\n102 2\n1 101\n2 102\n" && quoted == cow_String("\"BLOCK-1\"") ? 0 : 1;
}
