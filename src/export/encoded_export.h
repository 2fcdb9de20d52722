// The GIF, APNG, MP4 and WebM exports of an animation: the frames of the frame pipeline (drawn
// and converted on every core, in order) encoded into one file by FFmpeg's libraries.
#pragma once

#include <string>

#include "export/encoded_format.h"
#include "export/frame_export.h"

namespace pw {

// Writes frames job.from..job.to as one file of `format` at the document's frames per second
// (a constant rate, every frame once), GIF and APNG looping forever. `quality` is 1..100 (see
// encoded_format.h; APNG is lossless and ignores it). The file is streamed to a temporary file
// beside the target that is renamed over it once every frame is in; cancelled or failed, the
// temporary file is removed and the target untouched.
ExportOutcome exportEncoded(const AnimExport& job, const std::string& file, EncodedFormat format,
                            int quality);

}  // namespace pw
