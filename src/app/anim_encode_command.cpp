#include "app/anim_encode_command.h"

#include "app/anim_export_command.h"
#include "export/encoded_export.h"

namespace pw {

namespace {

struct ItemText {
  const char* title;
  const char* filter;
  const char* writing;
};

ItemText textOf(EncodedMenuItem item) {
  switch (item) {
    case EncodedMenuItem::kGif:
      return {"Export animation (GIF)", "GIF Images|*.gif|All Files|*.*",
              "Writing the animated GIF..."};
    case EncodedMenuItem::kApng:
      return {"Export animation (APNG)", "Animated PNG Images|*.png;*.apng|All Files|*.*",
              "Writing the animated PNG..."};
    case EncodedMenuItem::kVideo:
      break;
  }
  return {"Export animation (video)", "MP4 Videos|*.mp4|WebM Videos|*.webm",
          "Writing the video..."};
}

}  // namespace

bool exportEncodedAnimation(Editor& ed, const ImageStore& store, EncodedMenuItem item,
                            QWidget* parent) {
  const ItemText text = textOf(item);
  std::string target = ed.prompt.saveFile(text.title, "", text.filter);
  if (target.empty()) return false;
  EncodedFormat format = EncodedFormat::kGif;
  switch (item) {
    case EncodedMenuItem::kGif: target = gifFileName(target); break;
    case EncodedMenuItem::kApng:
      format = EncodedFormat::kApng;
      target = apngFileName(target);
      break;
    case EncodedMenuItem::kVideo:
      // A name without either extension gets ".mp4", the format every player reads.
      if (std::string why; !videoFormatFor(target, format, why)) {
        target += ".mp4";
        format = EncodedFormat::kMp4;
      }
      break;
  }

  return runAnimationExport(ed, store, text.title, text.writing, parent,
                            [&](const AnimExport& job) {
                              return exportEncoded(job, target, format, defaultQuality(format));
                            });
}

}  // namespace pw
