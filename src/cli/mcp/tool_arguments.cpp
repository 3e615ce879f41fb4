#include "cli/mcp/tool_arguments.h"

#include <boost/json/serialize.hpp>
#include <cmath>

#include "timetable/times.h"

namespace lanzhou::cli::mcp {

ToolArguments::ToolArguments(const boost::json::object& values,
                             const boost::json::object& input_schema)
    : values_(values) {
  const boost::json::value* properties = input_schema.if_contains("properties");
  for (const auto& member : values) {
    if (!properties || !properties->as_object().contains(member.key())) {
      throw ToolError("未知参数：" + std::string(member.key()) + "。");
    }
  }
}

std::optional<std::string> ToolArguments::Text(std::string_view name) const {
  const boost::json::value* v = values_.if_contains(name);
  if (!v || v->is_null()) return std::nullopt;
  if (!v->is_string()) throw ToolError("参数 " + std::string(name) + " 应为文字。");
  return std::string(v->get_string());
}

std::string ToolArguments::RequiredText(std::string_view name) const {
  std::optional<std::string> text = Text(name);
  if (!text || text->find_first_not_of(" \t") == std::string::npos) {
    throw ToolError("缺少参数 " + std::string(name) + "。");
  }
  return *text;
}

std::int64_t ToolArguments::Integer(std::string_view name, std::int64_t low, std::int64_t high,
                                    std::int64_t fallback) const {
  const boost::json::value* v = values_.if_contains(name);
  if (!v || v->is_null()) return fallback;
  const std::string range = "参数 " + std::string(name) + " 应在 " + std::to_string(low) + " 至 " +
                            std::to_string(high) + " 之间，不能是 " + boost::json::serialize(*v) +
                            "。";
  if (v->is_int64()) {
    const std::int64_t n = v->get_int64();
    if (n < low || n > high) throw ToolError(range);
    return n;
  }
  // 3 and 3.0 are the same number in JSON.
  if (v->is_double() && v->get_double() == std::trunc(v->get_double())) {
    const double d = v->get_double();
    if (d < static_cast<double>(low) || d > static_cast<double>(high)) throw ToolError(range);
    return static_cast<std::int64_t>(d);
  }
  if (v->is_uint64()) throw ToolError(range);
  throw ToolError("参数 " + std::string(name) + " 应为整数。");
}

std::vector<std::string> ToolArguments::Texts(std::string_view name) const {
  const boost::json::value* v = values_.if_contains(name);
  std::vector<std::string> out;
  if (!v || v->is_null()) return out;
  if (!v->is_array()) throw ToolError("参数 " + std::string(name) + " 应为文字列表。");
  for (const boost::json::value& item : v->get_array()) {
    if (!item.is_string()) throw ToolError("参数 " + std::string(name) + " 应为文字列表。");
    out.emplace_back(item.get_string());
  }
  return out;
}

std::optional<int> ToolArguments::Clock(std::string_view name) const {
  const std::optional<std::string> text = Text(name);
  if (!text) return std::nullopt;
  // The same reading of a time of day as the journey window's boxes.
  const int minutes = timetable::ClockMinutes(*text);
  if (minutes < 0) {
    throw ToolError("时间格式错误：" + std::string(name) + " 为“" + *text +
                    "”，应为 HH:MM（00:00 至 23:59）。");
  }
  return minutes;
}

DateEffect ToolArguments::Date(std::string_view name, data::Date today,
                                const data::Calendar& calendar) const {
  auto effect = ApplyDate(Text(name), today, calendar);
  if (const auto* refused = std::get_if<DateRefusal>(&effect)) throw ToolError(refused->reason);
  return std::get<DateEffect>(std::move(effect));
}

}  // namespace lanzhou::cli::mcp
