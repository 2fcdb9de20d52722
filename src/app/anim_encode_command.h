// "Export animation (GIF)", "Export animation (APNG)" and "Export animation (video)" in the
// window: the target through the editor's prompt, then the export with a progress dialog that
// can cancel it.
#pragma once

#include "core/editor.h"
#include "export/encoded_format.h"
#include "render/image_store.h"

class QWidget;

namespace pw {

// Which of the three menu items. The video's format comes from the name the user picks: ".webm"
// writes WebM, ".mp4" or any other name MP4 (".mp4" is then appended).
enum class EncodedMenuItem { kGif, kApng, kVideo };

// Exports frames 0 to the document's max frame at the camera of the editor's settings, at the
// format's default quality. Failures are reported through the prompt; cancelling leaves nothing
// behind. True when the export was written.
bool exportEncodedAnimation(Editor& ed, const ImageStore& store, EncodedMenuItem item,
                            QWidget* parent);

}  // namespace pw
