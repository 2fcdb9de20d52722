// "Export animation (Lottie)" and --export-lottie: frames from ... to of the camera rectangle as
// one Lottie composition. Each visible object is a shape layer whose paths are recorded once by
// the scene walk, in the object's own coordinates; its offset, rotation, scale and opacity are
// the layer's transforms, keyframed from the object's keys. Pictures are image layers between
// the shape layers, under null layers that carry the object's transform.
#pragma once

#include <cstdint>
#include <string>

#include "core/editor.h"
#include "render/image_store.h"

namespace pw {

// `out` with ".json" added unless it already ends in ".json".
std::string lottieFileName(const std::string& out);

// What an export wrote besides the file.
struct LottieStats {
  int64_t layers = 0;
  int64_t skipped = 0;  // paintings left out: tiled pictures needing too many tiles, pictures
                        // that cannot be encoded or placed
};

// What to tell the user about paintings an export left out; empty when none were.
std::string lottieSkippedWarning(const LottieStats& stats);

// The compact JSON text of the composition: width and height the camera size, frame rate the
// scene's, frames from ... to (ip = from, op = to + 1). False, with `why`, when the camera is not
// usable or the frames are out of order.
bool renderLottie(const Document& doc, const sVdOptions& options, ImageStore& store,
                  int64_t from, int64_t to, std::string& json, std::string* why,
                  LottieStats* stats = nullptr);

// renderLottie written to `file` atomically; `why` names the file on failure.
bool exportLottie(const Document& doc, const sVdOptions& options, ImageStore& store,
                  int64_t from, int64_t to, const std::string& file, std::string* why,
                  LottieStats* stats = nullptr);

// The menu command: asks for the file, writes frames 0 to the last, reports a failure and, after
// the export, any painting left out.
bool exportLottieCommand(Editor& ed, ImageStore& store);

}  // namespace pw
