// Names the diagram reads: train classes from train numbers and class lists, file kinds from
// file names.
#include "diagram/diagram.h"
#include "text/ascii.h"
#include "timetable/train_class.h"

namespace lanzhou::diagram {
namespace {

struct ClassEntry {
  TrainClass cls;
  std::string_view name;
};
constexpr ClassEntry kClasses[kClassCount] = {
    {TrainClass::G, "G"}, {TrainClass::D, "D"}, {TrainClass::C, "C"},    {TrainClass::Z, "Z"},
    {TrainClass::T, "T"}, {TrainClass::K, "K"}, {TrainClass::Other, "其他"}};

}  // namespace

TrainClass ClassOf(std::string_view train_id) {
  const char c = timetable::TrainPrefixLetter(train_id);
  for (const ClassEntry& entry : kClasses) {
    if (entry.cls != TrainClass::Other && entry.name.front() == c) return entry.cls;
  }
  return TrainClass::Other;
}

std::string_view ClassName(TrainClass c) {
  return kClasses[static_cast<int>(c)].name;
}

std::optional<ClassSet> ParseClasses(std::string_view text) {
  ClassSet set = 0;
  while (true) {
    const std::size_t comma = text.find(',');
    std::string_view word = text.substr(0, comma);
    while (!word.empty() && word.front() == ' ') word.remove_prefix(1);
    while (!word.empty() && word.back() == ' ') word.remove_suffix(1);
    bool known = false;
    for (const ClassEntry& entry : kClasses) {
      const bool letter = word.size() == 1 && entry.name.size() == 1 &&
                          text::ToUpperAscii(word.front()) == entry.name.front();
      if (letter || word == entry.name) {
        set |= static_cast<ClassSet>(1u << static_cast<int>(entry.cls));
        known = true;
      }
    }
    if (!known) return std::nullopt;
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return set;
}

std::optional<FileKind> FileKindOf(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string extension = text::UpperAscii(path.substr(dot + 1));
  if (extension == "SVG") return FileKind::Svg;
  if (extension == "PDF") return FileKind::Pdf;
  if (extension == "PNG") return FileKind::Png;
  return std::nullopt;
}

}  // namespace lanzhou::diagram
