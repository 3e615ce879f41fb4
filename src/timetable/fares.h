#pragma once
// Section fares. The timetable stores, per stop, the fares from the train's first station; a
// section that starts further on is priced here: multiple-unit trains (classes 1..3) from the
// stop fares, all others by the national distance tariff scaled by a price factor inferred from
// the train's own whole-run fare. Double precision throughout, rounding half-up.
//
// Fare texts: hard seat "3.5" / "143", soft seat likewise, hard sleeper "38/41/43"
// (upper/middle/lower), soft sleeper "54/58" (upper/lower), "-" not sold, "" no fare.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "timetable/grid_result.h"

namespace lanzhou::timetable {

// ---- Tariff tables -------------------------------------------------------------------------

// A distance zone: km first..last cut into `count` sub-intervals of `step` km; sub-interval j
// runs from first + j*step to first + (j+1)*step - 1.
struct DistanceZone {
  int first;
  int last;
  int step;
  int count;
};

// A rate band of the base tariff, in yuan per km over km first..last.
struct RateBand {
  int first;
  int last;
  double rate;
};

using DistanceZones = std::array<DistanceZone, 10>;
using RateBands = std::array<RateBand, 6>;

// The ten distance zones of the tariff (1..6000 km).
[[nodiscard]] constexpr DistanceZones BuildDistanceZones() noexcept {
  return {{{1, 200, 10, 20},
           {201, 400, 20, 10},
           {401, 700, 30, 10},
           {701, 1100, 40, 10},
           {1101, 1600, 50, 10},
           {1601, 2200, 60, 10},
           {2201, 2900, 70, 10},
           {2901, 3700, 80, 10},
           {3701, 4600, 90, 10},
           {4601, 6000, 100, 14}}};
}

// The six rate bands of the tariff (1..6000 km).
[[nodiscard]] constexpr RateBands BuildRateBands() noexcept {
  return {{{1, 200, 0.05861},
           {201, 500, 0.052749},
           {501, 1000, 0.046888},
           {1001, 1500, 0.041027},
           {1501, 2500, 0.035166},
           {2501, 6000, 0.029305}}};
}

// ---- Tariff building blocks ----------------------------------------------------------------

struct BaseFareResult {
  double fare;  // yuan, unrounded
  int charged;  // km actually charged
};

// Base fare of a distance: the distance is charged at the midpoint of its zone sub-interval
// (at least 20 km; outside 1..6000 km as it is) and priced band by band. 1069 km -> 1080 km,
// 54.27286.
[[nodiscard]] BaseFareResult BaseFare(int distance) noexcept;

// Passenger insurance on a base fare: 2 %, rounded up to the next tenth when not a whole tenth.
[[nodiscard]] double Insurance(double baseFare) noexcept;

// One number out of a fare text: part 0 the whole text, parts 1..3 the "/"-separated pieces
// ("54/58" gives 54, 58, 58 for parts 1..3). "-", "", a missing or unreadable piece give 0.
[[nodiscard]] double FarePart(std::string_view text, int part) noexcept;

// Shortest decimal text that reads back as the value, without exponent: 13 -> "13", 4.5 -> "4.5".
[[nodiscard]] std::string ShortestDecimalText(double value);

// ---- Section fares of a result row ---------------------------------------------------------

// Fills FareHardSeat, FareSoftSeat, FareHardSleeper, FareSoftSleeper of a row that holds the
// train fields, both stops and SegDistance: the alighting stop's fares unchanged when the section
// starts at the train's first station (stop 1, whatever the train list calls the origin) and at
// least one of them is not "-", else computed by MultipleUnitFares (NType below 4) or
// TariffFares.
void ComputeSectionFares(TPub_GridResult& row);

// Multiple-unit rule: "D" trains from a per-km rate derived from the whole-run hard-seat fare,
// "C" and "G" trains as differences of the stop fares ("G100x": fixed 333 / 532). Writes
// FareHardSeat, FareSoftSeat and FareSoftSleeper (empty where the value is not above 0); leaves
// FareHardSleeper alone.
void MultipleUnitFares(TPub_GridResult& row);

// Distance tariff scaled by the pricing inferred from the whole-run fares; writes only the
// classes whose whole-run fare is not "-". A row without a usable whole-run fare is left as is.
void TariffFares(TPub_GridResult& row);

// ---- Tariff pricing, shared with the timetable builder -------------------------------------
//
// TariffFares = InferTariffPricing (from the whole-run fares) + TariffStandardFares (for the
// section's distance). A builder that stores the fares of a tariff train as
//   whole run:  TariffStandardFares(TrainDistance, NType, ac, F, sells)
//   each stop:  TariffStandardFares(stop distance, NType, ac, F, sells)   ("" at the first stop)
// gets those stop fares back from TariffFares for every section that starts at the first
// station (SegDistance = the stop's distance), provided InferTariffPricing of the whole-run
// fares returns the same (ac, F): both sides then call the same function with the same
// arguments, so the texts are equal. (Unsold classes: the stop holds "-", TariffFares leaves
// the slot empty, which the grid also shows as "-".)
//
// The inference recovers (ac, F) for the trains the tariff is made for: hard seat sold, factor
// 1.0 or one of the snapped 1.3/1.4/1.5/1.75, air-conditioned when F is above 1, class 7
// only without air conditioning, whole runs of 500 km or more (checked for every km up to
// 6000; shorter runs at F above 1 can miss by the rounding of small prices). It cannot for a train
// selling soft seat only (a soft-seat fare is compared with a hard-seat price), for a
// non-air-conditioned train with F above 1 (the surplus reads as air conditioning), nor for an
// air-conditioned class 7 train (the whole run counts class 7's express supplement twice, a section
// once). A builder therefore stores the pricing SettleTariffPricing returns, which round-trips by
// construction.

// Air conditioning and price factor of a tariff train.
struct TariffPricing {
  bool airConditioned = false;
  double factor = 1.0;
  friend bool operator==(const TariffPricing&, const TariffPricing&) = default;
};

// The pricing that TariffFares infers from a train's whole-run distance, class and whole-run
// fare texts; nullopt when none of the four whole-run fares is above 0.
[[nodiscard]] std::optional<TariffPricing> InferTariffPricing(int trainDistance, int nType,
                                                              std::string_view trainP1,
                                                              std::string_view trainP2,
                                                              std::string_view trainP3,
                                                              std::string_view trainP4);

// Standard-price fares of one class set over a distance, as numbers. The seat values are whole
// or half yuan exactly; the berth values are whole yuan.
struct TariffPrices {
  double hardSeat = 0;
  double softSeat = 0;
  std::array<int, 3> hardSleeper{};  // upper, middle, lower
  std::array<int, 2> softSleeper{};  // upper, lower
};
[[nodiscard]] TariffPrices TariffSectionPrices(int distance, int nType, bool airConditioned,
                                               double factor);

// The same as the four fare texts P1..P4 ("13", "4.5", "38/41/43", "54/58"); a class whose
// `sells` entry is false gets "-".
[[nodiscard]] std::array<std::string, 4> TariffStandardFares(int distance, int nType,
                                                             bool airConditioned, double factor,
                                                             const std::array<bool, 4>& sells);

// True when fares stored by a builder with this pricing come back from TariffFares: the pricing
// inferred from the whole-run fares TariffStandardFares(trainDistance, ...) is the one given.
[[nodiscard]] bool IsTariffRoundTrip(int trainDistance, int nType, bool airConditioned,
                                     double factor, const std::array<bool, 4>& sells);

// The pricing a builder should store fares with: the one given when it round-trips, else the
// one reached by re-inferring from the whole-run fares it produces until that is stable (a few
// rounds); nullopt when no stable pricing is reached (soft seat only, some class 7 trains).
[[nodiscard]] std::optional<TariffPricing> SettleTariffPricing(int trainDistance, int nType,
                                                               bool airConditioned, double factor,
                                                               const std::array<bool, 4>& sells);

}  // namespace lanzhou::timetable
