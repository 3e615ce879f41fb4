#pragma once
// The result row lives below the queries (timetable/grid_result.h), where the section fares
// and the journey planner fill it too; the queries keep using it by this name.
#include "timetable/grid_result.h"

namespace lanzhou::query {

using timetable::TPub_GridResult;

}  // namespace lanzhou::query
