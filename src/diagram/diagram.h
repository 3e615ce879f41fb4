#pragma once
// The train diagram (运行图) of a line as plain data: the line's stations as rows with their
// spacing, and every train that runs along the line as polylines in (minute, position), clipped
// to the time window. Painting (window, SVG, PDF, PNG) only draws this.
//
// Time runs across: minutes from 00:00 of the diagram's day (a window that passes midnight
// reaches past 1440). Position runs down: 0 at the first row, in km or in minutes of running.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/calendar.h"
#include "journey/network.h"

namespace lanzhou::diagram {

// Train classes with a colour of their own, by the first letter of the train number.
enum class TrainClass : std::uint8_t { G, D, C, Z, T, K, Other };
inline constexpr int kClassCount = 7;
[[nodiscard]] TrainClass ClassOf(std::string_view train_id);
// "G", "D", "C", "Z", "T", "K", "其他".
[[nodiscard]] std::string_view ClassName(TrainClass c);
// A set of classes as bits (1 << class).
using ClassSet = std::uint8_t;
inline constexpr ClassSet kAllClasses = (1u << kClassCount) - 1;
[[nodiscard]] constexpr bool Has(ClassSet set, TrainClass c) {
  return (set >> static_cast<int>(c)) & 1u;
}
// Reads "G,D,其他" (letters in either case, blanks around the commas allowed); nothing for an
// empty list or an unknown class.
[[nodiscard]] std::optional<ClassSet> ParseClasses(std::string_view text);

// The kinds of file a diagram is written to, by the name's extension (any case); nothing for
// another name.
enum class FileKind { Svg, Pdf, Png };
[[nodiscard]] std::optional<FileKind> FileKindOf(std::string_view path);

inline constexpr char kNoCommonTrain[] = "两站之间没有共同的车次，无法确定线路。";
inline constexpr char kShortestRunningNote[] = "按最短运行时分排列";
// Beyond these the diagram is still drawn, cut down, with a note saying so.
inline constexpr int kMaxStations = 120;
inline constexpr int kMaxTrains = 2000;

enum class Spacing { Kilometres, ShortestRunningTime };

struct Row {
  std::string station;
  std::int32_t station_number = -1;  // in the network
  double position = 0;               // km, or minutes of shortest running, from the first row
  friend bool operator==(const Row&, const Row&) = default;
};

struct Line {
  std::vector<Row> rows;  // from A to B
  Spacing spacing = Spacing::Kilometres;
  std::int32_t line_train = -1;  // the network train whose stops make the rows
  std::int32_t station_total = 0;  // stations of that train from A to B (rows are cut at 120)
};

// The line between two stations: the stops of the train that calls at both with the most stops
// between them (ties: the smaller train number), in the order A to B, cut at kMaxStations.
// The typed names themselves are tried first; when no train calls at both, any station of
// each side's set (a typed name's city group, as journey::SetEndpoints gives them). Nothing
// when no train calls at both sides.
[[nodiscard]] std::optional<Line> ChooseLine(const journey::Network& network,
                                             const std::vector<std::string>& from,
                                             const std::vector<std::string>& to,
                                             std::string_view from_name = {},
                                             std::string_view to_name = {});

// What to draw.
struct Request {
  std::string from_name;          // the typed station names, trimmed
  std::string to_name;
  std::vector<std::string> from;  // station names of A's and B's sets (see ChooseLine)
  std::vector<std::string> to;
  std::int32_t after = 0;      // window start, minutes of the day 0..1439
  std::int32_t before = 1440;  // window end; below `after` it is on the next day
  ClassSet classes = kAllClasses;
  // The diagram's day, named in its title; nothing when the tables know no day at all.
  std::optional<data::Date> date;
  // Does `train` run on the service day that lies `days_before` days before the diagram's day
  // (0 the day itself, 1 the day before: a train that started yesterday; -1 the next day, for
  // windows past midnight)? Empty: every train runs daily. SetDay fills it from the calendar.
  std::function<bool(std::int32_t train, std::int32_t days_before)> runs_on;
};

// Makes `request` the diagram of `day`: its date, and runs_on from the network's calendar by
// the calendar's one rule (a run drawn `days_before` days back calls on `day` when its version
// leaves its first station on day - days_before). Where the calendar does not know running
// days every train is drawn. runs_on reads `network`, which must outlive the request.
void SetDay(Request& request, const journey::Network& network, data::Date day);

struct Point {
  double minute = 0;
  double position = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// A stop of a drawn piece, for tooltips and the stop list: unclipped times in diagram minutes.
struct Call {
  std::int32_t row = 0;
  std::int32_t arrive = 0;
  std::int32_t depart = 0;
  std::int32_t stop = 0;  // index into network.stops
  friend bool operator==(const Call&, const Call&) = default;
};

// One stretch of a train along the line: consecutive stops on the line, rows in one direction.
struct Piece {
  std::vector<Point> points;  // clipped to the window; dwells as equal-position pairs
  std::vector<Call> calls;
  bool from_beyond = false;  // enters at an end row from beyond the line
  bool to_beyond = false;    // runs on beyond an end row
};

struct DrawnTrain {
  std::int32_t train = -1;  // network train
  std::string_view id;      // table ID, a version mark included ("G1#2"): finds its stops
  std::string_view number;  // as shown: the train number alone ("G1")
  TrainClass train_class = TrainClass::Other;
  bool down = true;            // runs from A towards B (its first piece)
  std::int32_t days_before = 0;  // service day relative to the diagram's day
  std::vector<Piece> pieces;
};

struct Diagram {
  Line line;
  std::int32_t after = 0, before = 1440;  // window in diagram minutes, before > after
  std::vector<DrawnTrain> trains;         // by first minute drawn
  std::string axis_note;                  // kShortestRunningNote in that mode
  std::vector<std::string> notes;         // cut-down line or trains
  // The request's day as YYYY-MM-DD, "" when none; a text, so that painting needs no calendar.
  std::string day;
  [[nodiscard]] double Length() const { return line.rows.empty() ? 0 : line.rows.back().position; }
};

// The diagram for a request; nothing when no train calls at both A and B (show kNoCommonTrain).
[[nodiscard]] std::optional<Diagram> BuildDiagram(const journey::Network& network,
                                                  const Request& request);

// ---- Train numbers along their lines --------------------------------------------------------

// How the diagram is drawn, for placing texts: pixels per minute and per position unit, and the
// size of a text character.
struct Scale {
  double px_per_minute = 1;
  double px_per_position = 1;
  double char_width = 6;
  double text_height = 10;
};

struct Label {
  std::int32_t train = 0;  // index into Diagram::trains
  std::int32_t piece = 0;
  Point anchor;            // middle of the text, on the line
  double angle = 0;        // radians on screen, y down, within (-pi/2, pi/2]
  double width = 0;        // pixels
};

// One label per piece where it fits on a running segment without overlapping a label placed
// before; pieces without room go without.
[[nodiscard]] std::vector<Label> PlaceLabels(const Diagram& diagram, const Scale& scale);

// ---- Pointing at a train ---------------------------------------------------------------------

struct Hit {
  std::int32_t train = 0;  // index into Diagram::trains
  std::int32_t piece = 0;
  std::int32_t call = 0;   // the piece's call nearest to the point along the line
};
// The drawn line nearest to `at` if it passes within tolerance_px pixels (measured on screen
// through scale), and on it the stop nearest to `at` by position.
[[nodiscard]] std::optional<Hit> HitTest(const Diagram& diagram, const Scale& scale, Point at,
                                         double tolerance_px);

}  // namespace lanzhou::diagram
