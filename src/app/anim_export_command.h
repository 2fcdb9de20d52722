// "Export animation (frames)" and "Export animation (WebP)" in the window: the target through
// the editor's prompt, then the export with a progress dialog that can cancel it.
#pragma once

#include <functional>

#include "core/editor.h"
#include "export/frame_export.h"
#include "render/image_store.h"

class QWidget;

namespace pw {

// Exports frames 0 to the document's max frame at the camera of the editor's settings: as PNG
// files in a folder (webp false) or as one animated WebP. Failures are reported through the
// prompt; cancelling leaves nothing behind. True when the export was written.
bool exportAnimation(Editor& ed, const ImageStore& store, bool webp, QWidget* parent);

// What every animation export of the window shares once its target is chosen: frames 0 to the
// max frame through `run`, a progress dialog titled `title` saying `writing` that can cancel it,
// and a failure reported through the prompt. True when the export was written.
bool runAnimationExport(Editor& ed, const ImageStore& store, const char* title,
                        const char* writing, QWidget* parent,
                        const std::function<ExportOutcome(const AnimExport&)>& run);

}  // namespace pw
