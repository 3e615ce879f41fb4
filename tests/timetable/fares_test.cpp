// Tariff tables, base fare, insurance, fare texts and the multiple-unit rule. The distance
// tariff of ordinary trains is in tariff_fares_test.cpp.
#include "timetable/fares.h"

#include <gtest/gtest.h>

#include <string>

#include "timetable/grid_result.h"

using lanzhou::timetable::TPub_GridResult;
using namespace lanzhou::timetable;

namespace {

// A multiple-unit train boarding somewhere after its first station.
TPub_GridResult MultipleUnitRow(const char* id, int nType, int trainDistance, const char* trainP1) {
  TPub_GridResult row;
  row.TrainId = id;
  row.NType = nType;
  row.StartStation = "北京南";
  row.EndStation = "上海虹桥";
  row.TrainDistance = trainDistance;
  row.TrainP1 = trainP1;
  row.TrainP2 = "-";
  row.TrainP3 = "-";
  row.TrainP4 = "-";
  row.FromStation = "济南西";
  row.ToStation = "南京南";
  row.FromP1 = row.FromP2 = row.FromP3 = row.FromP4 = "-";
  row.ToP1 = row.ToP2 = row.ToP3 = row.ToP4 = "-";
  return row;
}

}  // namespace

// ---- The row type ------------------------------------------------------------------------------

TEST(TPub_GridResult, HoldsThirtySixFieldsInTheirOrder) {
  // Designated initializers only compile in declaration order, so this pins names and order.
  const TPub_GridResult row{.TrainId = "1112/1113",
                            .NType = 9,
                            .TypeName = "空调普快",
                            .StartStation = "北京",
                            .EndStation = "广州",
                            .TrainRunTime = "37:43",
                            .TrainDistance = 2294,
                            .TrainP1 = "1",
                            .TrainP2 = "2",
                            .TrainP3 = "3",
                            .TrainP4 = "4",
                            .FromStation = "北京西",
                            .FromNo = 1,
                            .FromDistance = 0,
                            .FromP1 = "",
                            .FromP2 = "",
                            .FromP3 = "",
                            .FromP4 = "",
                            .DepartTime = "21:25",
                            .FromRunTime = "0",
                            .ToStation = "郑州",
                            .ToNo = 5,
                            .ArriveTime = "05:10",
                            .ToRunTime = "7:45",
                            .ToDistance = 689,
                            .ToP1 = "a",
                            .ToP2 = "b",
                            .ToP3 = "c",
                            .ToP4 = "d",
                            .Stops = 4,
                            .SegDistance = 689,
                            .SegTime = "07:45",
                            .FareHardSeat = "h",
                            .FareSoftSeat = "s",
                            .FareHardSleeper = "hs",
                            .FareSoftSleeper = "ss"};
  EXPECT_EQ(row.SegDistance, row.ToDistance - row.FromDistance);
  EXPECT_EQ(row.FareSoftSleeper, "ss");
  const TPub_GridResult fresh;
  EXPECT_EQ(fresh.NType, 0);
  EXPECT_TRUE(fresh.FareHardSeat.empty());
}

// ---- Tables ------------------------------------------------------------------------------------

TEST(BuildDistanceZones, TenZonesWithTheirSteps) {
  constexpr DistanceZones zones = BuildDistanceZones();
  static_assert(zones.size() == 10);
  EXPECT_EQ(zones[0].first, 1);
  EXPECT_EQ(zones[0].step, 10);
  EXPECT_EQ(zones[0].count, 20);
  EXPECT_EQ(zones[3].first, 701);
  EXPECT_EQ(zones[3].last, 1100);
  EXPECT_EQ(zones[3].step, 40);
  EXPECT_EQ(zones[9].first, 4601);
  EXPECT_EQ(zones[9].last, 6000);
  EXPECT_EQ(zones[9].count, 14);
  for (const DistanceZone& z : zones) {
    EXPECT_EQ(z.first + z.count * z.step - 1, z.last) << z.first;  // sub-intervals tile the zone
  }
}

TEST(BuildRateBands, SixBandsWithTheirRates) {
  constexpr RateBands bands = BuildRateBands();
  static_assert(bands.size() == 6);
  const double rates[] = {0.05861, 0.052749, 0.046888, 0.041027, 0.035166, 0.029305};
  const int lasts[] = {200, 500, 1000, 1500, 2500, 6000};
  for (std::size_t i = 0; i < bands.size(); ++i) {
    EXPECT_EQ(bands[i].rate, rates[i]);
    EXPECT_EQ(bands[i].last, lasts[i]);
  }
}

// ---- BaseFare ----------------------------------------------------------------------------------

struct BaseFareCase {
  int distance;
  int charged;
  double fare;
};

class BaseFareTest : public testing::TestWithParam<BaseFareCase> {};

TEST_P(BaseFareTest, ChargesTheSubIntervalMidpoint) {
  const auto [fare, charged] = BaseFare(GetParam().distance);
  EXPECT_EQ(charged, GetParam().charged);
  EXPECT_NEAR(fare, GetParam().fare, 1e-9);
}

// Band sums used below: 1..200 = 200 * 0.05861 = 11.722; 201..500 = 300 * 0.052749 = 15.8247;
// 501..1000 = 500 * 0.046888 = 23.444; 1001..1500 = 500 * 0.041027 = 20.5135;
// 1501..2500 = 1000 * 0.035166 = 35.166; 2501..6000 = 3500 * 0.029305 = 102.5675.
INSTANTIATE_TEST_SUITE_P(
    BaseFare, BaseFareTest,
    testing::Values(
        BaseFareCase{1, 20, 1.1722},           // 1..10 -> 5, raised to 20: 20 * 0.05861
        BaseFareCase{20, 20, 1.1722},          // 11..20 -> 15, raised to 20
        BaseFareCase{21, 25, 1.46525},         // 21..30 -> (20 + 30) / 2 = 25
        BaseFareCase{100, 95, 5.56795},        // 91..100 -> 95: 95 * 0.05861
        BaseFareCase{200, 195, 11.42895},      // 191..200 -> 195
        BaseFareCase{201, 210, 12.24949},      // 201..220 -> 210: 11.722 + 10 * 0.052749
        BaseFareCase{400, 390, 21.74431},      // 381..400 -> 390: 11.722 + 190 * 0.052749
        BaseFareCase{1069, 1080, 54.27286},    // 1061..1100 -> 1080: 11.722 + 15.8247 + 23.444
                                               //   + 80 * 0.041027 (3.28216)
        BaseFareCase{2810, 2795, 115.315175},  // 2761..2830 -> 2795: 106.6702 + 295 * 0.029305
        BaseFareCase{6000, 5950, 207.77245},   // 5901..6000 -> 5950: 106.6702 + 3450 * 0.029305
        BaseFareCase{6001, 6001, 209.2377},    // outside every zone: all six bands in full
        BaseFareCase{0, 20, 1.1722},           // outside every zone, then the 20 km minimum
        BaseFareCase{-3, 20, 1.1722}));

TEST(BaseFare, ChargedDistanceNeverDecreasesAndFareFollowsIt) {
  int last_charged = 0;
  double last_fare = 0;
  for (int d = 1; d <= 6000; ++d) {
    const auto [fare, charged] = BaseFare(d);
    ASSERT_GE(charged, last_charged) << d;
    ASSERT_GE(fare, last_fare) << d;
    ASSERT_LE(charged, d + 50) << d;  // the midpoint is at most half a step away
    last_charged = charged;
    last_fare = fare;
  }
}

// ---- Insurance ---------------------------------------------------------------------------------

TEST(Insurance, TwoPercentRoundedUpToTheNextTenth) {
  EXPECT_NEAR(Insurance(1.1722), 0.1, 1e-12);      // 0.023444 -> 0.1
  EXPECT_NEAR(Insurance(5.56795), 0.2, 1e-12);     // 0.111359 -> 0.2
  EXPECT_NEAR(Insurance(54.27286), 1.1, 1e-12);    // 1.0854572 -> 1.1
  EXPECT_NEAR(Insurance(115.315175), 2.4, 1e-12);  // 2.3063035 -> 2.4
  EXPECT_EQ(Insurance(50.0), 1.0);                 // a whole tenth stays
  EXPECT_EQ(Insurance(25.0), 0.5);
  EXPECT_EQ(Insurance(0.0), 0.0);
}

// ---- FarePart ----------------------------------------------------------------------------------

struct FarePartCase {
  const char* text;
  double parts[4];  // parts 0..3
};

class FarePartTest : public testing::TestWithParam<FarePartCase> {};

TEST_P(FarePartTest, ReadsEachPart) {
  for (int part = 0; part < 4; ++part) {
    EXPECT_EQ(FarePart(GetParam().text, part), GetParam().parts[part])
        << '"' << GetParam().text << "\" part " << part;
  }
}

INSTANTIATE_TEST_SUITE_P(
    FarePart, FarePartTest,
    testing::Values(FarePartCase{"38/41/43", {0, 38, 41, 43}},  // the whole text is no number
                    FarePartCase{"54/58", {0, 54, 58, 58}},     // part 3 falls back on part 2
                    FarePartCase{"12", {12, 0, 0, 0}}, FarePartCase{"3.5", {3.5, 0, 0, 0}},
                    FarePartCase{"-", {0, 0, 0, 0}}, FarePartCase{"", {0, 0, 0, 0}},
                    FarePartCase{"a/41/4x", {0, 0, 41, 0}},  // unreadable pieces give 0
                    FarePartCase{"38//43", {0, 38, 0, 43}},
                    FarePartCase{"1/2/3/4", {0, 1, 2, 0}},  // part 3 is "3/4"
                    FarePartCase{"1e2", {100, 0, 0, 0}}, FarePartCase{"inf", {0, 0, 0, 0}},
                    FarePartCase{"12,5", {0, 0, 0, 0}}));  // no locale decimal comma

TEST(FarePart, OtherPartNumbersGiveZero) {
  EXPECT_EQ(FarePart("38/41/43", 4), 0);
  EXPECT_EQ(FarePart("38/41/43", -1), 0);
}

// ---- ShortestDecimalText -----------------------------------------------------------------------

TEST(ShortestDecimalText, NoTrailingZerosNoExponent) {
  EXPECT_EQ(ShortestDecimalText(13), "13");
  EXPECT_EQ(ShortestDecimalText(4.5), "4.5");
  EXPECT_EQ(ShortestDecimalText(2.5), "2.5");
  EXPECT_EQ(ShortestDecimalText(0.1), "0.1");
  EXPECT_EQ(ShortestDecimalText(143), "143");
  EXPECT_EQ(ShortestDecimalText(1e21), "1000000000000000000000");
}

// ---- MultipleUnitFares -------------------------------------------------------------------------

// D trains: rate = whole-run hard seat / whole-run distance, near 0.3097222 snapped to it.
TEST(MultipleUnitFares, DTrainNearTheStandardRateUsesIt) {
  // 300 yuan over 1000 km = 0.30 per km, within 0.02 of 0.3097222: rate 0.3097222, k = 1.
  TPub_GridResult row = MultipleUnitRow("D301", 1, 1000, "300");
  row.FromP2 = "40";     // the boarding stop sells first class ...
  row.FromP4 = "70/80";  // ... and soft sleepers, so those are computed too
  row.FareHardSleeper = "untouched";
  row.SegDistance = 100;
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "31");        // 100 * 0.3097222 = 30.97222
  EXPECT_EQ(row.FareSoftSeat, "37");        // 30.97222 * 1.199243 = 37.143
  EXPECT_EQ(row.FareSoftSleeper, "59/67");  // * 1.91651809 = 59.359, * 2.155609769 = 66.764
  EXPECT_EQ(row.FareHardSleeper, "untouched");

  row.SegDistance = 800;  // k = 1: nothing changes beyond 700 km
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "248");  // 247.77776
}

TEST(MultipleUnitFares, CheapDTrainKeepsItsRatioBeyond700Km) {
  // 232 yuan over 1000 km = 0.232 per km: k = 0.232 / 0.3097222 = 0.74906, within 0.03 of 0.75,
  // so k = 0.75; the rate becomes 0.3097222.
  TPub_GridResult row = MultipleUnitRow("D311", 1, 1000, "232");
  row.SegDistance = 100;
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "31");  // 30.97222: k not applied up to 700 km
  row.SegDistance = 700;
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "217");  // 216.80554
  row.SegDistance = 800;
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "186");  // 800 * 0.3097222 * 0.75 = 185.83332
  row.SegDistance = 2000;
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "465");  // 464.5833; the unsnapped k would give 464.0
  // No soft fares at the boarding stop: those stay empty.
  EXPECT_EQ(row.FareSoftSeat, "");
  EXPECT_EQ(row.FareSoftSleeper, "");
}

TEST(MultipleUnitFares, DTrainRatesAwayFromTheStandard) {
  // 0.35 per km: 0.3 or more and not within 0.02, kept with k = 1.
  TPub_GridResult row = MultipleUnitRow("D1", 1, 1000, "350");
  row.SegDistance = 800;
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "280");  // 800 * 0.35
  // 0.25 per km: k = 0.80717, not near 0.75, kept as it is; beyond 700 km the train's own rate.
  row = MultipleUnitRow("D2", 1, 1000, "250");
  row.SegDistance = 800;
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "200");  // 800 * 0.3097222 * (0.25 / 0.3097222)
  row.SegDistance = 100;
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "31");
}

TEST(MultipleUnitFares, LowerCaseDIsADTrain) {
  TPub_GridResult row = MultipleUnitRow("d301", 1, 1000, "300");
  row.SegDistance = 100;
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "31");
}

TEST(MultipleUnitFares, DTrainWithoutAUsableRateGetsNothing) {
  TPub_GridResult row = MultipleUnitRow("D301", 1, 0, "300");  // no whole-run distance
  row.SegDistance = 100;
  row.FromP1 = "10";
  row.ToP1 = "50";
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "");  // a D train never falls back on the differences
}

TEST(MultipleUnitFares, CTrainUsesStopFareDifferences) {
  TPub_GridResult row = MultipleUnitRow("C2001", 3, 117, "54.5");
  row.FromP1 = "15";
  row.ToP1 = "39.5";  // 24.5 -> 25
  row.FromP2 = "20";
  row.ToP2 = "47";  // 27
  row.ToP4 = "100/120";
  row.SegDistance = 80;
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "25");
  EXPECT_EQ(row.FareSoftSeat, "27");
  EXPECT_EQ(row.FareSoftSleeper, "100/120");  // "-" at the boarding stop reads as 0
}

TEST(MultipleUnitFares, CTrainNegativeDifferenceLeavesTheSlotEmpty) {
  // The grid shows an empty slot as "-".
  TPub_GridResult row = MultipleUnitRow("C2002", 3, 117, "54.5");
  row.FromP1 = "39";
  row.ToP1 = "15";
  row.FromP2 = "47";
  row.ToP2 = "47";  // zero difference: empty as well
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "");
  EXPECT_EQ(row.FareSoftSeat, "");
  EXPECT_EQ(row.FareSoftSleeper, "");
}

TEST(MultipleUnitFares, GTrainDifferencesAndTheFixedG100Fares) {
  TPub_GridResult row = MultipleUnitRow("G7", 2, 1318, "555");
  row.FromP1 = "100";
  row.ToP1 = "555";
  row.FromP2 = "160";
  row.ToP2 = "935";
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "455");
  EXPECT_EQ(row.FareSoftSeat, "775");

  // G1001: 333 and 532 whatever the stop fares and the section.
  for (int seg : {50, 300, 900}) {
    row = MultipleUnitRow("G1001", 2, 1068, "490");
    row.FromP1 = "100";
    row.ToP1 = "200";
    row.FromP2 = "10";
    row.ToP2 = "20";
    row.SegDistance = seg;
    MultipleUnitFares(row);
    EXPECT_EQ(row.FareHardSeat, "333") << seg;
    EXPECT_EQ(row.FareSoftSeat, "532") << seg;
  }
}

TEST(MultipleUnitFares, NoWholeRunHardSeatFareMeansNoFares) {
  for (const char* p1 : {"-", ""}) {
    TPub_GridResult row = MultipleUnitRow("G1001", 2, 1068, p1);
    row.FromP1 = "100";
    row.ToP1 = "200";
    row.FareHardSeat = "stale";
    MultipleUnitFares(row);
    EXPECT_EQ(row.FareHardSeat, "") << '"' << p1 << '"';
    EXPECT_EQ(row.FareSoftSeat, "");
  }
}

TEST(MultipleUnitFares, OtherLettersGetNothing) {
  TPub_GridResult row = MultipleUnitRow("K1", 1, 1000, "300");
  row.FromP1 = "10";
  row.ToP1 = "50";
  row.SegDistance = 100;
  MultipleUnitFares(row);
  EXPECT_EQ(row.FareHardSeat, "");
}

// ---- ComputeSectionFares -----------------------------------------------------------------------

TEST(ComputeSectionFares, FromTheFirstStationCopiesTheArrivalFares) {
  TPub_GridResult row = MultipleUnitRow("D301", 1, 1000, "300");
  row.FromStation = row.StartStation;
  row.ToP1 = "13";
  row.ToP2 = "-";
  row.ToP3 = "38/41/43";
  row.ToP4 = "";
  row.SegDistance = 100;
  ComputeSectionFares(row);
  EXPECT_EQ(row.FareHardSeat, "13");  // not the 31 the rate would give
  EXPECT_EQ(row.FareSoftSeat, "-");
  EXPECT_EQ(row.FareHardSleeper, "38/41/43");
  EXPECT_EQ(row.FareSoftSleeper, "");
}

TEST(ComputeSectionFares, FromTheFirstStationWithoutArrivalFaresComputes) {
  TPub_GridResult row = MultipleUnitRow("D301", 1, 1000, "300");
  row.FromStation = row.StartStation;  // all four arrival fares are "-"
  row.SegDistance = 100;
  ComputeSectionFares(row);
  EXPECT_EQ(row.FareHardSeat, "31");
}

TEST(ComputeSectionFares, BoardingAtStopOneCopiesWhateverTheTrainListCallsTheOrigin) {
  // The train list names the origin by city (北京) while the first stop is 北京南: the stop
  // number says the section starts at the first station. Later stops of another name compute.
  struct Case {
    const char* from;
    int from_no;
    const char* hard_seat;
    const char* soft_seat;
  };
  for (const Case& c : {Case{"北京南", 1, "49", "58"}, Case{"北京", 1, "49", "58"},
                        Case{"北京", 0, "49", "58"}, Case{"北京西", 0, "31", "37"},
                        Case{"天津南", 2, "31", "37"}}) {
    TPub_GridResult row = MultipleUnitRow("D1", 1, 1000, "300");
    row.StartStation = "北京";
    row.FromStation = c.from;
    row.FromNo = c.from_no;
    row.FromP1 = c.from_no == 1 ? "" : "10";  // the first stop holds no fares
    row.FromP2 = c.from_no == 1 ? "" : "12";
    row.ToP1 = "49";
    row.ToP2 = "58";
    row.SegDistance = 100;
    ComputeSectionFares(row);
    EXPECT_EQ(row.FareHardSeat, c.hard_seat) << c.from << " " << c.from_no;
    EXPECT_EQ(row.FareSoftSeat, c.soft_seat) << c.from << " " << c.from_no;
  }
}

TEST(ComputeSectionFares, ClassFourAndAboveUseTheTariff) {
  // The same row as a 直特 (class 4) is priced by the tariff. Whole run 1000 km: charged 1000,
  // f = 11.722 + 15.8247 + 23.444 = 50.9907, insurance 1.019814 -> 1.1, standard price
  // 52 + express 2 * 10 = 72; q = 300 - 1 - 1 = 298 is far above it: air-conditioned (a = 12.75
  // -> 13) and F = 298 / 85 = 3.5059, no snap. Section 100 km (charged 95): O = 5.56795,
  // insurance 0.2; express 1.1722 -> 1 -> * F = 3.5 -> 4, doubled 8; air conditioning
  // 1.39 -> 1 -> * F -> 4; hard seat 6 * F = 21.04 -> 21, + 8 + 4 = 33, no fund, + 1 = 34.
  TPub_GridResult row = MultipleUnitRow("D301", 4, 1000, "300");
  row.SegDistance = 100;
  ComputeSectionFares(row);
  EXPECT_EQ(row.FareHardSeat, "34");
  row.NType = 3;
  ComputeSectionFares(row);
  EXPECT_EQ(row.FareHardSeat, "31");
}
