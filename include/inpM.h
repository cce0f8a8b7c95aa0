// The part map library in one include: every public header of KVLinpM.
#ifndef INPM_H
#define INPM_H

#include "inpM_Utils.h"
#include "inpM_OmiSet.h"
#include "inpM_IdMap.h"
#include "inpM_InstanceMap.h"
#include "inpM_Set.h"
#include "inpM_SetMap.h"
#include "inpM_Surface.h"
#include "inpM_SurfaceMap.h"
#include "inpM_SurfaceFacet.h"
#include "inpM_Line.h"
#include "inpM_PartMap.h"
#include "inpM_SolverPartMap.h"
#include "inpM_Routines.h"

#endif
