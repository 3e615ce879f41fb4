#include "cli/diagram_command.h"

#include <dlfcn.h>

#include <array>
#include <filesystem>

#include "cli/command_words.h"
#include "cli/service_date.h"
#include "cli/table_loading.h"
#include "data/timetable_store.h"
#include "diagram/render_module.h"
#include "journey/journey.h"
#include "journey/network.h"
#include "query/input_checks.h"
#include "system/atomic_file.h"
#include "text/ascii.h"
#include "timetable/times.h"

namespace lanzhou::cli {
namespace {

constexpr std::string_view kProgram = "lanzhou-query: ";

constexpr std::array<std::string_view, 9> kDiagramValued = {
    "--date", "--after", "--before", "--classes", "-o", "--output", "--data", "--timetable",
    "--format"};
// Options of the other commands that take a value (so that the command word is found behind
// them too).
constexpr std::array<std::string_view, 11> kOtherValued = {
    "--filter", "--via", "--row", "--sort", "--limit", "--max-changes", "--min-change",
    "--min-change-city", "--max-wait", "--format", "--data"};

UsageError Usage(std::string message) {
  return UsageError{std::move(message)};
}

// The painting module beside the program (the build folder) or in ../lib/lanzhou/modules
// (installed).
diagram::RenderFunction OpenRenderer(std::string& reason) {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path dir = self.parent_path();
  for (const std::filesystem::path& candidate :
       {dir / diagram::kRenderModuleName, dir / ".." / "lib" / "lanzhou" / "modules" / diagram::kRenderModuleName}) {
    if (!std::filesystem::exists(candidate, error)) continue;
    // Kept open to the end of the process: Qt, once started, stays.
    void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      reason = dlerror();
      return nullptr;
    }
    if (void* entry = dlsym(module, diagram::kRenderFunctionName)) {
      return reinterpret_cast<diagram::RenderFunction>(entry);
    }
    reason = std::string(candidate) + " has no entry " + diagram::kRenderFunctionName;
    return nullptr;
  }
  reason = std::string("the painting module ") + diagram::kRenderModuleName + " is not installed";
  return nullptr;
}

}  // namespace

bool IsDiagramCommandLine(const std::vector<std::string>& words) {
  const auto valued = [](std::string_view w) {
    for (std::string_view v : kDiagramValued) {
      if (v == w) return true;
    }
    for (std::string_view v : kOtherValued) {
      if (v == w) return true;
    }
    return false;
  };
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "--") return i + 1 < words.size() && words[i + 1] == "diagram";
    if (w.size() >= 2 && w[0] == '-') {
      if (w.find('=') == std::string::npos && valued(w)) ++i;
      continue;
    }
    return w == "diagram";
  }
  return false;
}

DiagramParse ParseDiagramArguments(const std::vector<std::string>& words) {
  DiagramOptions o;
  auto split = SplitCommandWords(words, kDiagramValued);
  if (const auto* help = std::get_if<HelpRequest>(&split)) return *help;
  if (const auto* usage = std::get_if<UsageError>(&split)) return *usage;
  const std::vector<std::string>& positional = std::get<CommandWords>(split).positional;
  bool before_given = false;
  for (const OptionValue& option : std::get<CommandWords>(split).options) {
    const std::string& name = option.name;
    const std::string& v = option.value;
    if (name == "--after" || name == "--before") {
      // The same reading of a time of day as the journey window's boxes.
      const int clock = timetable::ClockMinutes(v);
      if (clock < 0)
        return Usage(name + " takes a time of day HH:MM (00:00 to 23:59), not '" + v + "'");
      (name == "--after" ? o.after : o.before) = clock;
      before_given |= name == "--before";
    } else if (name == "--date") {
      o.date = v;  // checked against the timetable's period once it is loaded
    } else if (name == "--classes") {
      const auto classes = diagram::ParseClasses(v);
      if (!classes) {
        return Usage("--classes takes a list of G, D, C, Z, T, K and 其他 joined by commas, not '" +
                     v + "'");
      }
      o.classes = *classes;
    } else if (name == "-o" || name == "--output") {
      const auto kind = diagram::FileKindOf(v);
      if (!kind) return Usage(name + " takes a file name ending in .svg, .pdf or .png, not '" + v + "'");
      o.output = v;
      o.kind = *kind;
    } else if (name == "--format") {
      return Usage("diagram writes a file: give -o FILE.svg, .pdf or .png instead of --format");
    } else if (name == "--timetable") {
      if (v.empty()) return Usage("--timetable needs a timetable file");
      o.timetable_file = v;
    } else {  // --data
      if (v.empty()) return Usage("--data needs a folder");
      o.data_dir = v;
    }
  }
  // An end no later than the start runs into the next day; the whole day unless given.
  if (!before_given) o.before = o.after == 0 ? 1440 : o.after;
  if (o.data_dir && o.timetable_file) {
    return Usage("--data and --timetable both name the tables; give one");
  }
  if (positional.empty() || positional[0] != "diagram") return Usage("no diagram command given");
  if (positional.size() != 3) return Usage("usage: diagram FROM TO -o FILE.svg|.pdf|.png [options]");
  if (o.output.empty()) return Usage("diagram needs -o FILE.svg, .pdf or .png");
  o.from = positional[1];
  o.to = positional[2];
  return o;
}

int RunDiagramCommandLine(const std::vector<std::string>& words,
                          const data::ResourceRegistry* embedded, std::ostream& out,
                          std::ostream& err) {
  const DiagramParse parsed = ParseDiagramArguments(words);
  if (const auto code = HelpOrUsage(parsed, out, err)) return *code;
  const DiagramOptions& o = std::get<DiagramOptions>(parsed);
  CommandTables tables({o.data_dir, o.timetable_file, embedded}, TableNeeds{}, err);
  if (tables.unusable || !tables.failures.empty()) return kExitLoadFailed;
  data::TimetableStore& store = tables.store;
  try {
    const query::InputCheck check = query::CheckThroughQuery(o.from, o.to, store);
    if (check.verdict == query::CheckVerdict::ShowMessage) {
      err << check.message.caption << ": " << check.message.text << "\n";
      return kExitRefused;
    }
    const auto network = journey::BuildNetwork(store);
    if (check.verdict == query::CheckVerdict::NotReady || !network) {
      err << kProgram << "the tables are not loaded\n";
      return kExitLoadFailed;
    }
    journey::Request endpoints;
    journey::SetEndpoints(store.KMSM, o.from, o.to, endpoints);
    diagram::Request request;
    request.from_name = text::TrimBlanks(o.from);
    request.to_name = text::TrimBlanks(o.to);
    request.from = endpoints.from;
    request.to = endpoints.to;
    request.after = o.after;
    request.before = o.before;
    request.classes = o.classes;
    // The day as every other command chooses it; its trains only, where the calendar knows.
    const DateChoice day = ChooseDate(o.date, o.today, store.calendar);
    if (day.refusal) {
      err << *day.refusal << "\n";
      return kExitRefused;
    }
    if (day.notice) err << *day.notice << "\n";
    if (o.date && !store.calendar.KnowsRunningDays()) {
      err << kProgram << "this timetable has no running days; every train is drawn\n";
    }
    if (day.date) diagram::SetDay(request, *network, *day.date);
    const std::optional<diagram::Diagram> drawn = diagram::BuildDiagram(*network, request);
    if (!drawn) {
      err << diagram::kNoCommonTrain << "\n";
      return kExitFailure;
    }
    std::string reason;
    const diagram::RenderFunction render = OpenRenderer(reason);
    if (render == nullptr) {
      err << kProgram << "cannot draw: " << reason << "\n";
      return kExitFailure;
    }
    std::string bytes;
    if (!render(&*drawn, o.kind, &bytes)) {
      err << kProgram << "cannot draw the diagram\n";
      return kExitFailure;
    }
    system::WriteFileAtomically(o.output, bytes);
    for (const std::string& note : drawn->notes) err << note << "\n";
    out << drawn->line.rows.front().station << " — " << drawn->line.rows.back().station << ": "
        << drawn->line.rows.size() << " 站, " << drawn->trains.size() << " 列车 → " << o.output
        << "\n";
    out.flush();
    return out ? kExitOk : kExitFailure;
  } catch (const std::exception& e) {
    err << kProgram << e.what() << "\n";
    return kExitFailure;
  }
}

}  // namespace lanzhou::cli
