// "Export Scene (SVG)" and --export-svg: the camera rectangle of one frame as a static SVG 1.1
// file, drawn by the same scene walk as the pictures, into an SVG writer instead of pixels.
#pragma once

#include <cstdint>
#include <string>

#include "core/editor.h"
#include "render/image_store.h"

namespace pw {

// `out` with ".svg" added unless it already ends in ".svg".
std::string svgFileName(const std::string& out);

// The SVG text of the camera rectangle: width and height the camera size, the viewBox the camera
// rectangle in scene units. `frame` >= 0 poses the keyed objects at that frame first, as the
// animation exports do; -1 draws the objects as they stand. False, with `why`, when the camera
// is not usable.
bool renderSvg(const Document& doc, const sVdOptions& options, ImageStore& store, int64_t frame,
               std::string& svg, std::string* why);

// renderSvg written to `file` atomically; `why` names the file on failure.
bool exportSvg(const Document& doc, const sVdOptions& options, ImageStore& store, int64_t frame,
               const std::string& file, std::string* why);

// The menu command: asks for the file, writes the scene as it stands, reports a failure.
bool exportSvgCommand(Editor& ed, ImageStore& store);

}  // namespace pw
