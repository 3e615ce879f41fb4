#pragma once
// The tools as tools/list shows them: names, Chinese descriptions, input and output schemas.
#include <string_view>

namespace lanzhou::cli::mcp {

// A JSON array of tool definitions.
// A JSON array of tool definitions; a schema {"$ref": "#/$defs/NAME"} stands for the member
// NAME of SchemaDefinitionsJson, which the server puts in its place before listing the tools.
[[nodiscard]] std::string_view ToolDefinitionsJson();
[[nodiscard]] std::string_view SchemaDefinitionsJson();

}  // namespace lanzhou::cli::mcp
