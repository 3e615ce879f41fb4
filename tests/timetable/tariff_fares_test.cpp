// The distance tariff of ordinary trains (class 4 and above): pricing inferred from the
// whole-run fare, section prices, and the round trip with fares stored by a builder.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <tuple>

#include "timetable/grid_result.h"
#include "timetable/fares.h"

using lanzhou::timetable::TPub_GridResult;
using namespace lanzhou::timetable;

namespace {

// A tariff train boarding at a stop after its first station.
TPub_GridResult TariffRow(int nType, int trainDistance, const char* p1, const char* p2,
                          const char* p3, const char* p4, int segDistance) {
  TPub_GridResult row;
  row.TrainId = "K1008";
  row.NType = nType;
  row.StartStation = "北京西";
  row.EndStation = "乌鲁木齐";
  row.TrainDistance = trainDistance;
  row.TrainP1 = p1;
  row.TrainP2 = p2;
  row.TrainP3 = p3;
  row.TrainP4 = p4;
  row.FromStation = "郑州";
  row.ToStation = "西安";
  row.SegDistance = segDistance;
  return row;
}

}  // namespace

// ---- TariffFares: worked sections --------------------------------------------------------------

TEST(TariffFares, HardSeatOnlyTrainWritesOnlyHardSeat) {
  // Class 7 (快速), hard seat 143 over 2810 km, no other class sold.
  // Whole run: charged 2795, f = 115.315175, insurance 2.3063 -> 2.4, RoundHalfUp(117.715) = 118;
  // express 0.2 f = 23.06 -> 23, doubled 46; standard price s = 164. q = 143 - 1 - 1 (fund)
  // = 141; 141 / 164 < 1.1: no air conditioning, and r = 0.86 < 1.1: F = 1.
  // Section 1069 km: charged 1080, O = 54.27286, insurance 1.0855 -> 1.1, RoundHalfUp(55.37) = 55;
  // express 0.2 O = 10.85 -> 11 (class 7 is not doubled); fund 1: 55 + 11 + 1 = 67; + 1 = 68.
  TPub_GridResult row = TariffRow(7, 2810, "143", "-", "-", "-", 1069);
  TariffFares(row);
  EXPECT_EQ(row.FareHardSeat, "68");
  EXPECT_EQ(row.FareSoftSeat, "");  // left as it was; the grid shows "-"
  EXPECT_EQ(row.FareHardSleeper, "");
  EXPECT_EQ(row.FareSoftSleeper, "");
}

TEST(TariffFares, ShortSectionGetsHalfAYuan) {
  // Class 8 (普快), whole run 500 km: charged 505, f = 27.78114, insurance 0.6, price 28 + fund 1
  // + 1 = 30. From "30": q = 30 - 1 - 1 = 28 = s: no air conditioning, F = 1.
  TPub_GridResult row = TariffRow(8, 500, "30", "-", "-", "-", 30);
  // 30 km: charged 25, O = 1.46525, insurance 0.1; RoundHalfUp(1.565) = 2; 2 <= 5: + 0.5.
  TariffFares(row);
  EXPECT_EQ(row.FareHardSeat, "2.5");
  // 85 km: charged 85, O = 4.98185 + 0.1 -> 5: exactly 5 is still "5 or less".
  row.SegDistance = 85;
  TariffFares(row);
  EXPECT_EQ(row.FareHardSeat, "5.5");
  // 100 km: charged 95, O = 5.56795 + 0.2 -> 6: above 5, + 1.
  row.SegDistance = 100;
  TariffFares(row);
  EXPECT_EQ(row.FareHardSeat, "7");
}

TEST(TariffFares, AirConditionedTrainAtOneAndAHalfTimesAllClasses) {
  // Class 5 (空调特快), 1069 km, new-type coaches at 1.5 times. Whole-run hard seat: 55 * 1.5
  // = 82.5 -> 83; express 11 * 1.5 = 16.5 -> 17, doubled 34; air conditioning 0.25 f = 13.57
  // -> 14, * 1.5 = 21; 83 + 34 + 21 + fund 1 = 139, + 1 = 140.
  // Inferred: q = 140 - 2 = 138; s = 55 + 22 = 77, 138 / 77 > 1.1: air-conditioned;
  // r = 138 / (77 + 14) = 1.5165, within 0.07 of 1.5: F = 1.5.
  TPub_GridResult row = TariffRow(5, 1069, "140", "200", "230/240/250", "350/370", 400);
  // Section 400 km: charged 390, O = 21.74431, insurance 0.4349 -> 0.5.
  //   hard base RoundHalfUp(22.244) = 22 * 1.5 = 33; express 0.2 O = 4.35 -> 4 * 1.5 = 6,
  //   doubled 12; air conditioning 0.25 O = 5.44 -> 5 * 1.5 = 7.5 -> 8: seat 33 + 12 + 8 = 53.
  //   hard seat 53 + fund 1 = 54, + 1 = 55.
  //   soft base RoundHalfUp(2 O + P = 43.989) = 44 * 1.5 = 66: seat 86, + 1 = 87.
  //   berths on BaseFare(400) = 21.74431 (charged below 400): 1.1 -> 23.92 -> 24 * 1.5 = 36,
  //   1.2 -> 26.09 -> 26 * 1.5 = 39, 1.3 -> 28.27 -> 28 * 1.5 = 42, 1.75 -> 38.05 -> 38 * 1.5
  //   = 57, 1.95 -> 42.40 -> 42 * 1.5 = 63.
  //   hard sleeper 53 + berth + 10 + 1 + 1: 101, 104, 107; soft sleeper 86 + berth + 11: 154, 160.
  TariffFares(row);
  EXPECT_EQ(row.FareHardSeat, "55");
  EXPECT_EQ(row.FareSoftSeat, "87");
  EXPECT_EQ(row.FareHardSleeper, "101/104/107");
  EXPECT_EQ(row.FareSoftSleeper, "154/160");
}

TEST(TariffFares, SleeperOnlyTrainIsPricedFromItsUpperBerth) {
  // Class 6, 1069 km, hard sleepers only. Upper berth 149: q = 149 - 1 - 1 (fund) - 10 (booking)
  // = 137; standard price 55 + express 22 + berth 1.1 f = 59.70 -> 60 = 137: F = 1, no air
  // conditioning. Section 400 km: seat 22 + express 4 doubled 8 = 30; berths on BaseFare(400):
  // 24, 26, 28; + 10 + fund 1 + 1: 66, 68, 70.
  TPub_GridResult row = TariffRow(6, 1069, "-", "-", "149/154/160", "-", 400);
  row.FareHardSeat = "kept";
  TariffFares(row);
  EXPECT_EQ(row.FareHardSleeper, "66/68/70");
  EXPECT_EQ(row.FareHardSeat, "kept");
  EXPECT_EQ(row.FareSoftSleeper, "");
  // 100 km: charged 95, O = 5.56795 + 0.2 -> 6; express 1.1722 below 100 km -> 1, doubled 2;
  // berths still on BaseFare(400), not on O: 6 + 2 + 24 + 10 + 1 = 43 (no fund), 45, 47.
  row.SegDistance = 100;
  TariffFares(row);
  EXPECT_EQ(row.FareHardSleeper, "43/45/47");
}

TEST(TariffFares, NoUsableWholeRunFareLeavesTheRowAlone) {
  for (const auto& [p1, p2, p3, p4] : {std::tuple{"-", "-", "-", "-"}, std::tuple{"0", "", "", ""},
                                       std::tuple{"x", "-", "a/b/c", "-"}}) {
    TPub_GridResult row = TariffRow(6, 1069, p1, p2, p3, p4, 400);
    row.FareHardSeat = "h";
    row.FareSoftSeat = "s";
    TariffFares(row);
    EXPECT_EQ(row.FareHardSeat, "h") << p1;
    EXPECT_EQ(row.FareSoftSeat, "s") << p1;
  }
}

// ---- InferTariffPricing ------------------------------------------------------------------------

struct FactorCase {
  const char* trainP1;
  bool airConditioned;
  double factor;  // 0: the unsnapped ratio, checked against `ratio`
  double ratio;
};

class InferFactorTest : public testing::TestWithParam<FactorCase> {};

// Class 8, 1069 km: standard price s = 55, air conditioning 13.57 -> 14, so s + 14 = 69; the
// hard-seat reference loses 1 (ticket) and 1 (fund): q = P1 - 2.
TEST_P(InferFactorTest, SnapsTheRatioInOrder) {
  const auto pricing = InferTariffPricing(1069, 8, GetParam().trainP1, "-", "-", "-");
  ASSERT_TRUE(pricing.has_value());
  EXPECT_EQ(pricing->airConditioned, GetParam().airConditioned) << GetParam().trainP1;
  if (GetParam().factor > 0) {
    EXPECT_EQ(pricing->factor, GetParam().factor) << GetParam().trainP1;
  } else {
    EXPECT_NEAR(pricing->factor, GetParam().ratio, 1e-12) << GetParam().trainP1;
  }
}

INSTANTIATE_TEST_SUITE_P(
    InferTariffPricing, InferFactorTest,
    testing::Values(FactorCase{"57", false, 1.0, 0},   // q = 55 = s: standard price
                    FactorCase{"62", false, 1.0, 0},   // 60 / 55 = 1.09 < 1.1: no air condition.
                    FactorCase{"63", true, 1.0, 0},    // 61 / 55 = 1.11: air; r = 61 / 69 < 1.1
                    FactorCase{"71", true, 1.0, 0},    // 69 / 69
                    FactorCase{"122", true, 1.75, 0},  // 120 / 69 = 1.739
                    FactorCase{"106", true, 1.5, 0},   // 104 / 69 = 1.507
                    FactorCase{"102", true, 1.5, 0},   // 100 / 69 = 1.449: 1.5 tested before 1.4
                    FactorCase{"99", true, 1.4, 0},    // 97 / 69 = 1.406
                    FactorCase{"95", true, 1.4, 0},    // 93 / 69 = 1.348: 1.4 before 1.3
                    FactorCase{"92", true, 1.3, 0},    // 90 / 69 = 1.304
                    FactorCase{"84", true, 0, 82.0 / 69},      // 1.188: no snap
                    FactorCase{"132", true, 0, 130.0 / 69}));  // 1.884: no snap

TEST(InferTariffPricing, FeesRemovedDependOnTheReferenceKind) {
  // Class 8, 1069 km, s = 55. The same 62 as hard seat loses the fund (60 / 55 < 1.1), as soft
  // seat it does not (61 / 55 >= 1.1).
  EXPECT_FALSE(InferTariffPricing(1069, 8, "62", "-", "-", "-")->airConditioned);
  EXPECT_TRUE(InferTariffPricing(1069, 8, "-", "62", "-", "-")->airConditioned);
  // Within 200 km there is no fund: class 8, 150 km, charged 145, f = 8.49845, insurance 0.2,
  // s = 9; hard seat "11" -> q = 10, 10 / 9 = 1.11: air-conditioned (9 / 9 had the fund gone).
  EXPECT_TRUE(InferTariffPricing(150, 8, "11", "-", "-", "-")->airConditioned);
  // A reference of 5.5 or less loses 0.5, not 1: class 8, 30 km, charged 25, f = 1.46525,
  // s = RoundHalfUp(1.565) = 2; "3" -> q = 2.5, 2.5 / 2 = 1.25: air-conditioned (2 / 2 had it
  // lost 1).
  EXPECT_TRUE(InferTariffPricing(30, 8, "3", "-", "-", "-")->airConditioned);
  // Berth references lose the 10 booking fee and compare with the berth supplement: class 8,
  // 1069 km, soft sleeper upper 161: q = 161 - 1 - 10 = 150 = 55 + 1.75 f (94.98 -> 95).
  const auto soft = InferTariffPricing(1069, 8, "-", "-", "-", "161/170");
  EXPECT_EQ(soft, (TariffPricing{false, 1.0}));
  // A "-" hard seat is skipped even when the soft seat is "0": the upper berth is used.
  const auto berth = InferTariffPricing(1069, 8, "-", "0", "127/130/133", "-");
  EXPECT_EQ(berth, (TariffPricing{false, 1.0}));  // 127 - 12 = 115 = 55 + 60
  EXPECT_FALSE(InferTariffPricing(1069, 8, "-", "-", "-", "-").has_value());
}

// ---- TariffStandardFares -----------------------------------------------------------------------

TEST(TariffStandardFares, TextsOfTheSoldClassesAndDashForTheOthers) {
  const auto fares = TariffStandardFares(400, 5, true, 1.5, {true, false, true, false});
  EXPECT_EQ(fares[0], "55");
  EXPECT_EQ(fares[1], "-");
  EXPECT_EQ(fares[2], "101/104/107");
  EXPECT_EQ(fares[3], "-");
}

TEST(TariffStandardFares, SeatValuesAreExactHalfYuan) {
  // The hard and soft seat values are integers plus 0.5 or 1, so their texts never show
  // binary noise such as 12.999999.
  for (double factor : {1.0, 1.3, 1.4, 1.5, 1.75, 1.2345}) {
    for (int d = 1; d <= 3000; d += 7) {
      const TariffPrices p = TariffSectionPrices(d, 5, true, factor);
      ASSERT_EQ(p.hardSeat * 2, std::floor(p.hardSeat * 2)) << d << " " << factor;
      ASSERT_EQ(p.softSeat * 2, std::floor(p.softSeat * 2)) << d << " " << factor;
      const std::string text = ShortestDecimalText(p.hardSeat);
      ASSERT_TRUE(text.find('.') == std::string::npos || text.ends_with(".5")) << text;
    }
  }
}

// ---- Round trip with a builder's stored fares --------------------------------------------------

// A builder stores the fares of a tariff train with TariffStandardFares, for the whole run and for
// each stop. TariffFares, re-computing a section from the first station, must give the stored
// fares back.
struct RoundTripCase {
  int nType;
  int trainDistance;
  bool airConditioned;
  double factor;
  std::array<bool, 4> sells;
};

class TariffRoundTripTest : public testing::TestWithParam<RoundTripCase> {};

TEST_P(TariffRoundTripTest, SectionsFromTheFirstStationReproduceTheStoredStopFares) {
  const RoundTripCase& c = GetParam();
  ASSERT_TRUE(IsTariffRoundTrip(c.trainDistance, c.nType, c.airConditioned, c.factor, c.sells));
  const auto whole =
      TariffStandardFares(c.trainDistance, c.nType, c.airConditioned, c.factor, c.sells);
  for (int stop = 1; stop <= c.trainDistance; stop += 13) {
    const auto stored = TariffStandardFares(stop, c.nType, c.airConditioned, c.factor, c.sells);
    TPub_GridResult row = TariffRow(c.nType, c.trainDistance, whole[0].c_str(), whole[1].c_str(),
                                    whole[2].c_str(), whole[3].c_str(), stop);
    row.FromStation = row.StartStation;
    TariffFares(row);
    const std::string* slots[] = {&row.FareHardSeat, &row.FareSoftSeat, &row.FareHardSleeper,
                                  &row.FareSoftSleeper};
    for (int i = 0; i < 4; ++i) {
      // An unsold class is stored as "-" and left empty in the row; the grid shows both as "-".
      EXPECT_EQ(*slots[i], c.sells[i] ? stored[i] : "") << "stop at " << stop << " km, class " << i;
    }
  }
}

constexpr std::array<bool, 4> kSeatOnly{true, false, false, false};
constexpr std::array<bool, 4> kAll{true, true, true, true};
constexpr std::array<bool, 4> kSeatAndHardSleeper{true, false, true, false};

INSTANTIATE_TEST_SUITE_P(
    TariffFares, TariffRoundTripTest,
    testing::Values(RoundTripCase{7, 2810, false, 1.0, kSeatOnly},  // 快速, no air con.
                    RoundTripCase{8, 500, false, 1.0, kSeatOnly},   // 普快
                    RoundTripCase{11, 120, false, 1.0, kSeatOnly},  // 普客, short run
                    RoundTripCase{6, 1069, true, 1.0, kSeatAndHardSleeper},
                    RoundTripCase{5, 1069, true, 1.5, kAll},   // 空调特快, new type
                    RoundTripCase{4, 2294, true, 1.75, kAll},  // 直特
                    RoundTripCase{9, 1500, true, 1.4, kSeatAndHardSleeper},
                    RoundTripCase{10, 800, true, 1.3, kSeatOnly},  // 空调普客
                    RoundTripCase{6, 3964, true, 1.3, kAll}));

TEST(TariffRoundTrip, HoldsOverTheUsualRange) {
  // Hard seat sold, air-conditioned classes at the usual factors, non-air-conditioned ones at the
  // standard price, whole runs from 500 to 6000 km.
  for (int d = 500; d <= 6000; ++d) {
    for (int nType : {4, 5, 6, 8, 9, 10, 11}) {
      for (double factor : {1.0, 1.3, 1.4, 1.5, 1.75}) {
        ASSERT_TRUE(IsTariffRoundTrip(d, nType, true, factor, kAll))
            << d << " " << nType << " " << factor;
      }
    }
    for (int nType = 4; nType <= 11; ++nType) {
      ASSERT_TRUE(IsTariffRoundTrip(d, nType, false, 1.0, kSeatOnly)) << d << " " << nType;
    }
  }
}

TEST(TariffRoundTrip, KnownLimitsOfTheInference) {
  // A non-air-conditioned train above the standard price reads as air-conditioned.
  EXPECT_FALSE(IsTariffRoundTrip(1069, 8, false, 1.5, kSeatOnly));
  // An air-conditioned class 7 train: its whole run counts the express supplement twice.
  EXPECT_FALSE(IsTariffRoundTrip(1069, 7, true, 1.0, kSeatOnly));
  // Soft seat only: a soft-seat fare is compared with a hard-seat price.
  EXPECT_FALSE(IsTariffRoundTrip(1069, 8, false, 1.0, {false, true, false, false}));
}

TEST(SettleTariffPricing, KeepsAWorkingPricingAndRepairsOthers) {
  EXPECT_EQ(SettleTariffPricing(1069, 5, true, 1.5, kAll), (TariffPricing{true, 1.5}));
  // Non-air-conditioned at 1.3: settles on a pricing that round-trips.
  const auto settled = SettleTariffPricing(1069, 8, false, 1.3, kSeatOnly);
  ASSERT_TRUE(settled.has_value());
  EXPECT_TRUE(settled->airConditioned);
  EXPECT_TRUE(IsTariffRoundTrip(1069, 8, settled->airConditioned, settled->factor, kSeatOnly));
  // Soft seat only never settles.
  EXPECT_FALSE(SettleTariffPricing(1069, 8, false, 1.0, {false, true, false, false}).has_value());
}
