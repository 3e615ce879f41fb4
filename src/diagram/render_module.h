#pragma once
// The painting module's one entry. lanzhou-query opens the module (lanzhou-diagram-render.so,
// beside the program or in ../lib/lanzhou/modules) with dlopen only for its diagram command, so
// its other commands start without loading Qt; the window links the same painting directly.
#include <string>

#include "diagram/diagram.h"

namespace lanzhou::diagram {

inline constexpr char kRenderModuleName[] = "lanzhou-diagram-render.so";
inline constexpr char kRenderFunctionName[] = "lanzhou_render_diagram";
// Renders `diagram` as a file of `kind` into `bytes`; false when it could not be drawn.
using RenderFunction = bool (*)(const Diagram* diagram, FileKind kind, std::string* bytes);

}  // namespace lanzhou::diagram
