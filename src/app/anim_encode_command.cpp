#include "app/anim_encode_command.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QString>
#include <QWidget>

#include "export/encoded_export.h"

namespace pw {

namespace {

constexpr int kShowAfterMs = 400;  // quick exports finish without a dialog flashing up

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

  const int64_t last = lastExportFrame(ed.doc);
  QProgressDialog dialog(QString::fromUtf8(text.writing), QStringLiteral("Cancel"), 0,
                         static_cast<int>(last + 1), parent);
  dialog.setWindowTitle(QString::fromUtf8(text.title));
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setMinimumDuration(kShowAfterMs);
  dialog.setAutoReset(false);
  dialog.setAutoClose(false);

  AnimExport job{ed.doc, ed.options, store, 0, last, 0, {}, {}};
  job.progress = [&](int64_t done, int64_t) {
    dialog.setValue(static_cast<int>(done));
    // As the other animation exports: user input waits until the modal dialog shows.
    QCoreApplication::processEvents(dialog.isVisible() ? QEventLoop::AllEvents
                                                       : QEventLoop::ExcludeUserInputEvents);
    return !dialog.wasCanceled();
  };
  const ExportOutcome out = exportEncoded(job, target, format, defaultQuality(format));
  dialog.close();
  if (out.status == ExportOutcome::Status::kFailed)
    ed.prompt.message("Export animation", "Cannot export the animation: " + out.error);
  return out.done();
}

}  // namespace pw
