#pragma once
// The station sets live below the queries (timetable/station_match.h), where the journey
// planner reads them too; the queries keep using them by these names.
#include "text/ascii.h"
#include "timetable/station_match.h"

namespace lanzhou::query {

using text::TrimBlanks;
using timetable::BuildStationSpec;
using timetable::CityOf;
using timetable::IsStationOf;
using timetable::ResolveStationPair;
using timetable::StationSet;
using timetable::StationSide;
using timetable::TPub_DZStruct;
using timetable::TPub_FZStruct;

}  // namespace lanzhou::query
