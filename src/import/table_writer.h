#pragma once
// The four table texts in the embedded format: GBK, CR LF, every value quoted, data lines
// ending in a comma, definition and index lines with the tables' schemas.
#include <string>
#include <vector>

#include "import/source.h"
#include "import/train_builder.h"

namespace lanzhou::timetable_build {

// STRAIN (KMTrain): one row per stop, trains in the given order.
[[nodiscard]] std::string StrainText(const std::vector<TrainRow>& trains);
// SLIST (KMList): one row per train.
[[nodiscard]] std::string SlistText(const std::vector<TrainRow>& trains);
// SM (KMSM): one row per grouped station, in groups.txt order.
[[nodiscard]] std::string SmText(const Source& source);
// SPY (KMPy): one row per station, grouped by first initial; within a letter by the number of
// stops of `trains` there, most first, then in file order.
[[nodiscard]] std::string SpyText(const Source& source, const std::vector<TrainRow>& trains);

}  // namespace lanzhou::timetable_build
