#pragma once
// What the query tests share: the definition lines of the stop, train and group tables (each test
// appends its own rows), the tables loaded from such texts, and the texts rows are compared as.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "data/csv_table_format.h"
#include "data/resource_registry.h"
#include "data/timetable_store.h"
#include "query/grid_result.h"
#include "query/query_state.h"

namespace lanzhou::query {

inline constexpr std::string_view kStopDefs = R"("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"ID=WideString,35,""ID"","""",35,Data,"""""
"Station=WideString,20,""Station"","""",20,Data,"""""
"S_No=Integer,0,""S_No"","""",10,Data,"""""
"A_Time=WideString,20,""A_Time"","""",20,Data,"""""
"D_Time=WideString,20,""D_Time"","""",20,Data,"""""
"R_Date=WideString,20,""R_Date"","""",20,Data,"""""
"Distance=Integer,0,""Distance"","""",10,Data,"""""
"P1=WideString,20,""P1"","""",20,Data,"""""
"P2=WideString,20,""P2"","""",20,Data,"""""
"P3=WideString,20,""P3"","""",20,Data,"""""
"P4=WideString,20,""P4"","""",20,Data,"""""
"@@INDEXDEF START@@"
"SIDNo=""ID;S_No"",""SIDNo"",UNIQ"
"SStation=""Station"",""SStation"""
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"ID","Station","S_No","A_Time","D_Time","R_Date","Distance","P1","P2","P3","P4",
)";

inline constexpr std::string_view kTrainDefs = R"("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"ID=WideString,35,""ID"","""",35,Data,"""""
"NType=SmallInt,0,""NType"","""",10,Data,"""""
"StartStation=WideString,20,""StartStation"","""",20,Data,"""""
"endStation=WideString,20,""endStation"","""",20,Data,"""""
"A_Time=WideString,20,""A_Time"","""",20,Data,"""""
"D_Time=WideString,20,""D_Time"","""",20,Data,"""""
"R_Date=WideString,20,""R_Date"","""",20,Data,"""""
"Distance=Integer,0,""Distance"","""",10,Data,"""""
"P1=WideString,20,""P1"","""",20,Data,"""""
"P2=WideString,20,""P2"","""",20,Data,"""""
"P3=WideString,20,""P3"","""",20,Data,"""""
"P4=WideString,20,""P4"","""",20,Data,"""""
"@@INDEXDEF START@@"
"SID=""ID"",""SID"",UNIQ"
"SstartStation=""startStation"",""SstartStation"""
"SendStation=""endStation"",""SendStation"""
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"ID","NType","StartStation","endStation","A_Time","D_Time","R_Date","Distance","P1","P2","P3","P4",
)";

inline constexpr std::string_view kGroupDefs = R"("@@FILE VERSION@@","251"
"@@TABLEDEF START@@"
"Station=WideString,20,""Station"","""",20,Data,"""""
"Gp=Integer,0,""Gp"","""",10,Data,"""""
"@@INDEXDEF START@@"
"SStation=""Station"",""SStation"",UNIQ"
"SGp=""Gp"",""SGp"""
"@@INDEXDEF END@@"
"@@TABLEDEF END@@"
"Station","Gp",
)";

// The four tables of one test, loaded from text and flagged ready as the loaders leave them.
struct Tables {
  Tables(std::string_view stops, std::string_view trains, std::string_view groups) {
    const data::CsvTableFormat format;
    format.LoadUtf8(std::string(kStopDefs) + std::string(stops), store.KMTrain);
    store.KMTrain.SetIndexName("SIDNo");
    format.LoadUtf8(std::string(kTrainDefs) + std::string(trains), store.KMList);
    store.KMList.SetIndexName("SID");
    format.LoadUtf8(std::string(kGroupDefs) + std::string(groups), store.KMSM);
    store.KMSM.SetIndexName("SStation");
    store.KMTrainReady = store.KMListReady = store.KMSMReady = true;
  }
  data::ResourceRegistry registry;
  data::TimetableStore store{registry};
};

// All 36 fields in their order, four lines: the train, the boarding side, the alighting side,
// the section.
inline std::string RowText(const TPub_GridResult& r) {
  const auto n = [](std::int32_t v) { return std::to_string(v); };
  std::string text;
  const auto line = [&text](std::initializer_list<std::string> fields) {
    bool first = true;
    for (const std::string& f : fields) {
      text += (first ? "" : "|") + f;
      first = false;
    }
    text += "\n";
  };
  line({r.TrainId, n(r.NType), r.TypeName, r.StartStation, r.EndStation, r.TrainRunTime,
        n(r.TrainDistance), r.TrainP1, r.TrainP2, r.TrainP3, r.TrainP4});
  line({r.FromStation, n(r.FromNo), n(r.FromDistance), r.FromP1, r.FromP2, r.FromP3, r.FromP4,
        r.DepartTime, r.FromRunTime});
  line({r.ToStation, n(r.ToNo), r.ArriveTime, r.ToRunTime, n(r.ToDistance), r.ToP1, r.ToP2, r.ToP3,
        r.ToP4});
  line({n(r.Stops), n(r.SegDistance), r.SegTime, r.FareHardSeat, r.FareSoftSeat, r.FareHardSleeper,
        r.FareSoftSleeper});
  return text;
}

// One line per row: the train and its section.
inline std::vector<std::string> Sections(const QueryState& state) {
  std::vector<std::string> lines;
  for (const TPub_GridResult& r : state.ResultList) {
    lines.push_back(r.TrainId + " " + r.FromStation + "#" + std::to_string(r.FromNo) + " " +
                    r.DepartTime + " > " + r.ToStation + "#" + std::to_string(r.ToNo) + " " +
                    r.ArriveTime);
  }
  return lines;
}

}  // namespace lanzhou::query
