#include "omni.h"

void omni_initialize(int& status) { status = 0; }

void omni_finalize(int& status) { status = 0; }
