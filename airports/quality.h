#pragma once
// How much a stand file is worth for static parking: the more of its stands carry uses,
// on more weekdays and more half-hours, the better. One factor over the real options and
// one over the soft ones.
#include "airports/airport_file.h"

// Each 0..99; both -1 when no stand has any option.
QualityFactors gf_computeQualityFactors(const StandList& stands);
