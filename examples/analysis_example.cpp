// An analysis as the solver runs one, through the solver routines alone: the
// library started, the job's part file read, a node, an element set and a
// surface facet added, a surface locked, the maps printed into maps.txt, the
// part file written back and the library ended. The job is named by
// INPM_JOB_DIR and INPM_JOB; scripts/run.sh runs it on a copy of
// examples/analysis_job.prt and shows what it printed and wrote.
#include <cstdio>
#include <string>

#include "inpM_Routines.h"

int main() {
  int level = 0;
  inpM_initialize(level);

  // The first lookup reads the job's part file: where is global node 1?
  const int firstNode = 1, nodeKind = 0;
  char instance[16];
  int local = 0, error = 0;
  GETPARTINFO(&firstNode, &nodeKind, instance, &local, &error, sizeof instance);
  int length = sizeof instance;
  while (length > 0 && instance[length - 1] == ' ') --length;  // the name comes back blank-padded
  std::printf("node 1 is node %d of %.*s (error %d)\n", local, length, instance, error);

  // Node 200 created beside node 1 (instance BLOCK-1) in the internal set NNEW.
  const int create = 0, node = 0, one = 1, newNode = 200, beside = 1;
  INPM_INSERTNODEORELEM2PARTMAP(&create, &newNode, &one, &node, &beside, &node, "nnew", 4);

  // Elements 1 and 50 in a new element set; 50 is created at the assembly level.
  const int elements[] = {1, 50}, two = 2;
  INPM_INSERTNEWELEMSET2PARTMAP(elements, &two, "enew", 4);

  // Element 3 gets face S1 of surface TOP, which is then locked: the next edit
  // is refused with a message.
  int addFacet = 1, lock = 6, element = 3;
  double area = 0;
  INPM_INSERTSURFACE2PARTMAP(&addFacet, "top", &element, "s1", &area, 3, 2);
  INPM_INSERTSURFACE2PARTMAP(&lock, "top", &element, " ", &area, 3, 1);
  INPM_INSERTSURFACE2PARTMAP(&addFacet, "top", &element, "s2", &area, 3, 2);

  const std::string maps = "maps.txt";
  INPM_PRINTMAP(maps.data(), maps.size());
  INPM_SOLVERPARTCLOSEALL();
  inpM_finalize(level);
  return 0;
}
