#include "timetable/fares.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

#include "text/ascii.h"
#include "timetable/times.h"
#include "timetable/train_class.h"

namespace lanzhou::timetable {
namespace {

constexpr DistanceZones kZones = BuildDistanceZones();
constexpr RateBands kBands = BuildRateBands();

// The tables must tile 1..6000 km without gaps: every sub-interval lies in its zone and zones
// and bands follow each other.
constexpr bool TablesAreContiguous() {
  int next = 1;
  for (const DistanceZone& z : kZones) {
    if (z.first != next || z.first + z.count * z.step - 1 != z.last) return false;
    next = z.last + 1;
  }
  if (next != 6001) return false;
  next = 1;
  for (const RateBand& b : kBands) {
    if (b.first != next || b.last < b.first) return false;
    next = b.last + 1;
  }
  return next == 6001;
}
static_assert(TablesAreContiguous());

// Multiple-unit rule constants: the standard D-train rate per km and the ratios of the other
// classes to second class.
constexpr double kStandardDRate = 0.3097222;
constexpr double kSoftSeatRatio = 1.199243;
constexpr double kSoftUpperRatio = 1.91651809;
constexpr double kSoftLowerRatio = 2.155609769;

// A decimal number filling the whole text ("3.5", "143"); 0 when it is not one. Locale-free.
double TextToDoubleOrZero(std::string_view text) noexcept {
  double value = 0;
  return text::ParseDecimalNumber(text, value) ? value : 0;
}

bool IsExpressClass(int nType) {
  return nType >= 4 && nType <= 7;
}

// The whole-run fare the tariff pricing is inferred from, and which class gave it (1..4).
struct ReferenceFare {
  double q;
  int kind;
};

std::optional<ReferenceFare> FindReferenceFare(std::string_view p1, std::string_view p2,
                                               std::string_view p3, std::string_view p4) {
  double q = p1 == "-" ? 0 : FarePart(p1, 0);
  if (q > 0) return ReferenceFare{q, 1};
  q = p2 == "-" ? 0 : FarePart(p2, 0);
  if (q > 0) return ReferenceFare{q, 2};
  q = FarePart(p3, 1);
  if (q > 0) return ReferenceFare{q, 3};
  q = FarePart(p4, 1);
  if (q > 0) return ReferenceFare{q, 4};
  return std::nullopt;
}

double SnapFactor(double r) {
  if (r < 1.1) return 1.0;
  for (const double snap : {1.75, 1.5, 1.4, 1.3}) {
    if (std::fabs(r - snap) < 0.07) return snap;
  }
  return r;
}

std::string JoinInts(const int* values, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) text += '/';
    text += std::to_string(values[i]);
  }
  return text;
}

}  // namespace

BaseFareResult BaseFare(int distance) noexcept {
  int charged = distance;
  for (const DistanceZone& z : kZones) {
    if (distance < z.first || distance > z.last) continue;
    const int j = (distance - z.first) / z.step;
    const int sub_first = z.first + j * z.step;
    const int sub_last = sub_first + z.step - 1;
    charged = (sub_first - 1 + sub_last) / 2;
    break;
  }
  if (charged < 20) charged = 20;

  double fare = 0;
  for (const RateBand& b : kBands) {
    if (b.last < charged) {
      fare += (b.last - b.first + 1) * b.rate;
    } else {
      fare += (charged - b.first + 1) * b.rate;
      break;
    }
  }
  return {fare, charged};
}

double Insurance(double baseFare) noexcept {
  double g = baseFare * 0.02;
  const double tenths = g * 10;
  if (tenths != std::trunc(tenths)) g = (std::trunc(tenths) + 1) * 0.1;
  return g;
}

double FarePart(std::string_view text, int part) noexcept {
  if (text.empty() || text == "-") return 0;
  if (part == 0) return TextToDoubleOrZero(text);
  const auto first_slash = text.find('/');
  if (first_slash == std::string_view::npos) return 0;
  const std::string_view after_first = text.substr(first_slash + 1);
  const auto second_slash = after_first.find('/');
  switch (part) {
    case 1:
      return TextToDoubleOrZero(text.substr(0, first_slash));
    case 2:
      return TextToDoubleOrZero(after_first.substr(0, second_slash));
    case 3:
      return TextToDoubleOrZero(second_slash == std::string_view::npos
                                    ? after_first
                                    : after_first.substr(second_slash + 1));
    default:
      return 0;
  }
}

std::string ShortestDecimalText(double value) {
  char buffer[512];  // the longest fixed form of a double is 309 digits, a sign and a point
  const auto [ptr, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec != std::errc()) return "0";
  return std::string(buffer, ptr);
}

void ComputeSectionFares(TPub_GridResult& row) {
  // The train list often names the origin by its city (北京 for a first stop at 北京南); stop 1
  // is the first station whatever it is called.
  const bool from_first_station = row.FromNo == 1 || row.StartStation == row.FromStation;
  if (from_first_station &&
      (row.ToP1 != "-" || row.ToP2 != "-" || row.ToP3 != "-" || row.ToP4 != "-")) {
    row.FareHardSeat = row.ToP1;
    row.FareSoftSeat = row.ToP2;
    row.FareHardSleeper = row.ToP3;
    row.FareSoftSleeper = row.ToP4;
    return;
  }
  if (IsMultipleUnitClass(row.NType)) {
    MultipleUnitFares(row);
  } else {
    TariffFares(row);
  }
}

void MultipleUnitFares(TPub_GridResult& row) {
  const char letter = TrainPrefixLetter(row.TrainId);
  const double a1 = FarePart(row.FromP1, 0), a2 = FarePart(row.FromP2, 0);
  const double a4u = FarePart(row.FromP4, 1), a4l = FarePart(row.FromP4, 2);
  const double b1 = FarePart(row.ToP1, 0), b2 = FarePart(row.ToP2, 0);
  const double b4u = FarePart(row.ToP4, 1), b4l = FarePart(row.ToP4, 2);
  double hs = 0, ss = 0, su = 0, sl = 0;

  if (row.TrainP1 != "-" && !row.TrainP1.empty()) {
    double rate = 0;
    const double p = FarePart(row.TrainP1, 0);
    if (row.TrainDistance > 0) rate = p / row.TrainDistance;

    if (letter == 'D' && rate > 0) {
      double k = 1.0;
      if (std::fabs(rate - kStandardDRate) <= 0.02) {
        rate = kStandardDRate;
      } else if (rate < 0.3) {
        // A cheaper train keeps the standard rate up to 700 km and its own ratio beyond.
        k = rate / kStandardDRate;
        rate = kStandardDRate;
        if (std::fabs(k - 0.75) < 0.03) k = 0.75;
      }
      const double seg = row.SegDistance;
      hs = row.SegDistance <= 700 ? seg * rate : seg * rate * k;
      if (a2 > 0) ss = hs * kSoftSeatRatio;
      if (a4u > 0) su = hs * kSoftUpperRatio;
      if (a4l > 0) sl = hs * kSoftLowerRatio;
    } else if (letter == 'C' || letter == 'G') {
      hs = b1 - a1;
      ss = b2 - a2;
      su = b4u - a4u;
      sl = b4l - a4l;
      if (IsG100Train(row.TrainId)) {
        hs = 333;
        ss = 532;
      }
    }
  }

  if (hs < 0) hs = 0;
  if (ss < 0) ss = 0;
  if (su < 0) su = 0;
  if (sl < 0) sl = 0;

  row.FareHardSeat = hs > 0 ? std::to_string(RoundHalfUp(hs)) : std::string();
  row.FareSoftSeat = ss > 0 ? std::to_string(RoundHalfUp(ss)) : std::string();
  row.FareSoftSleeper =
      su > 0 ? std::to_string(RoundHalfUp(su)) + "/" + std::to_string(RoundHalfUp(sl))
             : std::string();
}

std::optional<TariffPricing> InferTariffPricing(int trainDistance, int nType,
                                                std::string_view trainP1, std::string_view trainP2,
                                                std::string_view trainP3,
                                                std::string_view trainP4) {
  const auto reference = FindReferenceFare(trainP1, trainP2, trainP3, trainP4);
  if (!reference) return std::nullopt;
  const int kind = reference->kind;

  // Take out the fees the whole-run fare contains: ticket fee, fund (over 200 km) and, for a
  // berth, the booking fee.
  double q = reference->q;
  q = q > 5.5 ? q - 1 : q - 0.5;
  if ((kind == 1 || kind == 3) && trainDistance > 200) q -= 1;
  if (kind == 3 || kind == 4) q -= 10;

  // The whole run at standard price.
  const auto [f, c1] = BaseFare(trainDistance);
  const double g = Insurance(f);
  double m = 0;
  if (IsExpressClass(nType)) m = c1 < 100 ? 1.1722 : f * 0.2;
  m = RoundHalfUp(m);
  if (IsExpressClass(nType)) m *= 2;
  const double berth_base = c1 < 400 ? BaseFare(400).fare : f;
  double v = 0;
  if (kind == 3) v = 1.1 * berth_base;
  if (kind == 4) v = 1.75 * berth_base;
  double a = f * 0.25;

  const double s = RoundHalfUp(f + g) + RoundHalfUp(m) + RoundHalfUp(v);
  if (q / s < 1.1) a = 0;  // no more than the bare standard price: no air conditioning
  const double r = q / (s + RoundHalfUp(a));
  return TariffPricing{a > 0, SnapFactor(r)};
}

TariffPrices TariffSectionPrices(int distance, int nType, bool airConditioned, double factor) {
  const double F = factor;
  const auto [O, c2] = BaseFare(distance);
  const double P = Insurance(O);

  double J = 0;
  if (IsExpressClass(nType)) J = c2 < 100 ? 1.1722 : O * 0.2;
  int express = RoundHalfUp(RoundHalfUp(J) * F);
  if (nType >= 4 && nType <= 6) express *= 2;
  const double W = c2 < 400 ? BaseFare(400).fare : O;
  const int A = RoundHalfUp(airConditioned ? O * 0.25 : 0.0);
  const int e = c2 > 200 ? 1 : 0;

  const auto seat = [&](double x) {
    return RoundHalfUp(RoundHalfUp(x) * F) + express + RoundHalfUp(A * F);
  };
  const auto berth = [&](double y) { return RoundHalfUp(RoundHalfUp(W * y) * F); };
  // Integers below, so the seat values are exact whole or half yuan.
  const auto with_ticket_fee = [](int t) { return t > 5 ? t + 1.0 : t + 0.5; };

  TariffPrices prices;
  const int hard = seat(O + P);
  const int soft = seat(2 * O + P);
  prices.hardSeat = with_ticket_fee(hard + e);
  prices.softSeat = with_ticket_fee(soft);
  prices.hardSleeper = {hard + berth(1.1) + 10 + e + 1, hard + berth(1.2) + 10 + e + 1,
                        hard + berth(1.3) + 10 + e + 1};
  prices.softSleeper = {soft + berth(1.75) + 10 + 1, soft + berth(1.95) + 10 + 1};
  return prices;
}

std::array<std::string, 4> TariffStandardFares(int distance, int nType, bool airConditioned,
                                               double factor, const std::array<bool, 4>& sells) {
  const TariffPrices p = TariffSectionPrices(distance, nType, airConditioned, factor);
  return {sells[0] ? ShortestDecimalText(p.hardSeat) : "-",
          sells[1] ? ShortestDecimalText(p.softSeat) : "-",
          sells[2] ? JoinInts(p.hardSleeper.data(), p.hardSleeper.size()) : "-",
          sells[3] ? JoinInts(p.softSleeper.data(), p.softSleeper.size()) : "-"};
}

bool IsTariffRoundTrip(int trainDistance, int nType, bool airConditioned, double factor,
                       const std::array<bool, 4>& sells) {
  const auto whole = TariffStandardFares(trainDistance, nType, airConditioned, factor, sells);
  const auto inferred =
      InferTariffPricing(trainDistance, nType, whole[0], whole[1], whole[2], whole[3]);
  return inferred && *inferred == TariffPricing{airConditioned, factor};
}

std::optional<TariffPricing> SettleTariffPricing(int trainDistance, int nType, bool airConditioned,
                                                 double factor, const std::array<bool, 4>& sells) {
  TariffPricing pricing{airConditioned, factor};
  for (int round = 0; round < 8; ++round) {
    const auto whole =
        TariffStandardFares(trainDistance, nType, pricing.airConditioned, pricing.factor, sells);
    const auto inferred =
        InferTariffPricing(trainDistance, nType, whole[0], whole[1], whole[2], whole[3]);
    if (!inferred) return std::nullopt;
    if (*inferred == pricing) return pricing;
    pricing = *inferred;
  }
  return std::nullopt;
}

void TariffFares(TPub_GridResult& row) {
  const auto pricing = InferTariffPricing(row.TrainDistance, row.NType, row.TrainP1, row.TrainP2,
                                          row.TrainP3, row.TrainP4);
  if (!pricing) return;
  const std::array<bool, 4> sells = {row.TrainP1 != "-", row.TrainP2 != "-", row.TrainP3 != "-",
                                     row.TrainP4 != "-"};
  const auto fares = TariffStandardFares(row.SegDistance, row.NType, pricing->airConditioned,
                                         pricing->factor, sells);
  if (sells[0]) row.FareHardSeat = fares[0];
  if (sells[1]) row.FareSoftSeat = fares[1];
  if (sells[2]) row.FareHardSleeper = fares[2];
  if (sells[3]) row.FareSoftSleeper = fares[3];
}

}  // namespace lanzhou::timetable
