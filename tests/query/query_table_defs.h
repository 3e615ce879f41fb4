#pragma once
// The definition lines of the stop, train and group tables, as the table texts carry them; the
// query tests append their own rows and load the result with CsvTableFormat::LoadUtf8.
#include <string_view>

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

}  // namespace lanzhou::query
