#include "cli/mcp/tool_schemas.h"

namespace lanzhou::cli::mcp {

std::string_view ToolDefinitionsJson() {
  // Kept as one JSON text so that it reads as the client sees it.
  static constexpr std::string_view kTools = R"json([
{"name":"find_stations","title":"查找车站",
 "description":"按站名（或其一部分）、城市名或拼音首字母（如 BJ）查找车站，列出各站所属城市及同城车站。站名不确定时先用它。",
 "inputSchema":{"type":"object","properties":{
   "text":{"type":"string","description":"站名、城市名或拼音首字母"},
   "limit":{"type":"integer","minimum":1,"maximum":200,"description":"最多列出几个车站，默认 20"}},
  "required":["text"],"additionalProperties":false},
 "outputSchema":{"type":"object","properties":{
   "stations":{"type":"array","items":{"type":"object","properties":{
     "name":{"type":"string"},"initials":{"type":"string"},"city":{"type":"string"},
     "group":{"type":"array","items":{"type":"string"}}},"required":["name","initials","city","group"]}},
   "total":{"type":"integer"},"omitted":{"type":"integer"}},"required":["stations","total","omitted"]}},
{"name":"trains_between","title":"站站查询",
 "description":"两站（或两城市）之间的直达车次：车次、始发终到、发时到时、历时、停站数、里程与参考票价。城市名代表该市所有车站。",
 "inputSchema":{"type":"object","properties":{
   "from":{"type":"string","description":"发站或城市名，如 北京"},
   "to":{"type":"string","description":"到站或城市名，如 上海"},
   "date":{"type":"string","description":"乘车日期 YYYY-MM-DD，只列当日开行的车次；须在时刻表有效期内（见 timetable_info），不给时按今天，今天不在有效期内时按有效期第一天"},
   "after":{"type":"string","description":"最早发车时刻 HH:MM"},
   "before":{"type":"string","description":"最晚发车时刻 HH:MM；早于 after 时跨越午夜"},
   "classes":{"type":"array","items":{"type":"string"},"description":"只要这些车次首字母，如 [\"G\",\"D\"]；纯数字车次写 \"0\""},
   "sort":{"type":"string","enum":["depart","arrive","duration","distance","stops","train"],"description":"排序：发时（默认）、到时、历时、里程、停站、车次"},
   "limit":{"type":"integer","minimum":1,"maximum":500,"description":"最多列出几趟，默认 20"}},
  "required":["from","to"],"additionalProperties":false},
 "outputSchema":{"$ref":"#/$defs/rows"}},
{"name":"train","title":"车次查询",
 "description":"一个车次的全部经停站：站序、站名、里程、到发时刻、第几天、运行历时、区间速度，以及全程票价与开行日期；该日不开行时说明下次开行日（not_running）。",
 "inputSchema":{"type":"object","properties":{
   "number":{"type":"string","description":"车次，如 G1 或 1112"},
   "date":{"type":"string","description":"始发日期 YYYY-MM-DD：只给出当日从始发站开出的车次，当日不开行时说明下次开行日；须在时刻表有效期内，不给时按今天，今天不在有效期内时按有效期第一天"}},
  "required":["number"],"additionalProperties":false},
 "outputSchema":{"type":"object","properties":{
   "date":{"type":"string"},"date_applied":{"type":"boolean"},"note":{"type":"string"},
   "trains":{"$ref":"#/$defs/row_list"},
   "caption":{"type":"string"},"whole_run":{"type":"string"},"running_days":{"type":"string"},
   "stops":{"type":"array","items":{"type":"object","properties":{
     "S_No":{"type":"integer"},"Station":{"type":"string"},"Distance":{"type":"integer"},
     "A_Time":{"type":"string"},"D_Time":{"type":"string"},"Day":{"type":"string"},
     "R_Date":{"type":"string"},"Speed":{"type":["integer","null"]}}}},
   "total_stops":{"type":"integer"},"omitted":{"type":"integer"},"not_running":{"type":"string"}},
  "required":["trains"]}},
{"name":"station_board","title":"车站车次",
 "description":"经过一个车站（或城市各站）的全部车次，按发车时刻排列，含始发终到、本站到发时刻与票价。",
 "inputSchema":{"type":"object","properties":{
   "station":{"type":"string","description":"站名或城市名"},
   "date":{"type":"string","description":"日期 YYYY-MM-DD，只列当日开行的车次；须在时刻表有效期内（见 timetable_info），不给时按今天，今天不在有效期内时按有效期第一天"},
   "after":{"type":"string","description":"最早时刻 HH:MM（本站发车时刻，终到车按到达时刻）"},
   "before":{"type":"string","description":"最晚时刻 HH:MM；早于 after 时跨越午夜"},
   "classes":{"type":"array","items":{"type":"string"},"description":"只要这些车次首字母，如 [\"G\",\"D\"]；纯数字车次写 \"0\""},
   "limit":{"type":"integer","minimum":1,"maximum":500,"description":"最多列出几趟，默认 20"}},
  "required":["station"],"additionalProperties":false},
 "outputSchema":{"$ref":"#/$defs/rows"}},
{"name":"journeys","title":"换乘行程",
 "description":"两站之间真正衔接得上的行程，最多换乘两次：每段车次、上下车站、时刻、等候时间、跨日与票价。",
 "inputSchema":{"type":"object","properties":{
   "from":{"type":"string","description":"出发站或城市名"},
   "to":{"type":"string","description":"到达站或城市名"},
   "date":{"type":"string","description":"出发日期 YYYY-MM-DD，每程只乘当日（或换乘所到之日）开行的车次，各程注明乘车日期 date；须在时刻表有效期内，不给时按今天，今天不在有效期内时按有效期第一天"},
   "after":{"type":"string","description":"第一程最早发车时刻 HH:MM"},
   "before":{"type":"string","description":"第一程最晚发车时刻 HH:MM"},
   "max_changes":{"type":"integer","minimum":0,"maximum":2,"description":"最多换乘次数，默认 2"},
   "min_change":{"type":"integer","minimum":0,"maximum":1440,"description":"同站换乘最少分钟，默认 30"},
   "limit":{"type":"integer","minimum":1,"maximum":500,"description":"最多列出几个行程，默认 20"}},
  "required":["from","to"],"additionalProperties":false},
 "outputSchema":{"type":"object","properties":{
   "date":{"type":"string"},"date_applied":{"type":"boolean"},"note":{"type":"string"},
   "total":{"type":"integer"},"omitted":{"type":"integer"},
   "journeys":{"type":"array","items":{"type":"object","properties":{
     "depart":{"type":"string"},"arrive":{"type":"string"},"arrive_day":{"type":"integer"},
     "minutes":{"type":"integer"},"changes":{"type":"integer"},"trains":{"type":"string"},
     "distance":{"type":["integer","null"]},"fare":{"type":"string"},
     "legs":{"type":"array","items":{"type":"object"}}}}}},
  "required":["total","omitted","journeys"]}},
{"name":"timetable_info","title":"时刻表信息",
 "description":"当前时刻表的名称、有效期（日期参数须在其内）、是否含开行日期、车次/经停/车站数量与来源。",
 "inputSchema":{"type":"object","properties":{},"additionalProperties":false},
 "outputSchema":{"type":"object","properties":{
   "name":{"type":"string"},"period":{"type":"object","properties":{"first":{"type":"string"},"last":{"type":"string"}}},
   "running_days":{"type":"boolean"},
   "source":{"type":"string"},"made":{"type":"string"},"origin":{"type":"string"},
   "trains":{"type":"integer"},"stops":{"type":"integer"},"stations":{"type":"integer"}},
  "required":["name","origin","trains","stops","stations"]}}
])json";
  return kTools;
}

std::string_view SchemaDefinitionsJson() {
  static constexpr std::string_view kDefinitions = R"json({
"row_list":{"type":"array","items":{"type":"object","properties":{
  "train":{"type":"string"},"start":{"type":"string"},"end":{"type":"string"},
  "class":{"type":"string"},"from":{"type":"string"},"depart":{"type":"string"},
  "to":{"type":"string"},"arrive":{"type":"string"},"stops":{"type":"string"},
  "distance":{"type":"string"},"duration":{"type":"string"},"hard_seat":{"type":"string"},
  "soft_seat":{"type":"string"},"hard_sleeper":{"type":"string"},"soft_sleeper":{"type":"string"}}}},
"rows":{"type":"object","properties":{
  "date":{"type":"string"},"date_applied":{"type":"boolean"},"note":{"type":"string"},
  "total":{"type":"integer"},"omitted":{"type":"integer"},"rows":{"$ref":"#/$defs/row_list"}},
 "required":["total","omitted","rows"]}
})json";
  return kDefinitions;
}

}  // namespace lanzhou::cli::mcp
