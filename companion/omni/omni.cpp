#include "omni.h"

void omni_initialize(int&) {}

void omni_finalize(int&) {}
