#include "app/anim_export_command.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QString>
#include <QWidget>

#include "export/frame_export.h"
#include "export/webp_write.h"

namespace pw {

namespace {

constexpr const char* kFramesTitle = "Export animation (frames)";
constexpr const char* kWebpTitle = "Export animation (WebP)";
constexpr int kShowAfterMs = 400;  // quick exports finish without a dialog flashing up

}  // namespace

bool exportAnimation(Editor& ed, const ImageStore& store, bool webp, QWidget* parent) {
  const char* title = webp ? kWebpTitle : kFramesTitle;
  std::string target = webp ? ed.prompt.saveFile(title, "", "WebP Images|*.webp|All Files|*.*")
                            : ed.prompt.chooseFolder(title, "");
  if (target.empty()) return false;
  if (webp) target = webpFileName(target);
  return runAnimationExport(
      ed, store, title, webp ? "Writing the animated WebP..." : "Writing the frames...", parent,
      [&](const AnimExport& job) {
        return webp ? exportWebp(job, target) : exportFrames(job, target);
      });
}

bool runAnimationExport(Editor& ed, const ImageStore& store, const char* title,
                        const char* writing, QWidget* parent,
                        const std::function<ExportOutcome(const AnimExport&)>& run) {
  const int64_t last = lastExportFrame(ed.doc);
  QProgressDialog dialog(QString::fromUtf8(writing), QStringLiteral("Cancel"), 0,
                         static_cast<int>(last + 1), parent);
  dialog.setWindowTitle(QString::fromUtf8(title));
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setMinimumDuration(kShowAfterMs);
  dialog.setAutoReset(false);
  dialog.setAutoClose(false);

  AnimExport job{ed.doc, ed.options, store, 0, last, 0, {}, {}, {}, {}, false};
  job.progress = [&](int64_t done, int64_t) {
    dialog.setValue(static_cast<int>(done));
    // Until the dialog shows (and, modal, holds the window) the user's keys and clicks wait:
    // they could start a second export or close the window under this one.
    QCoreApplication::processEvents(dialog.isVisible() ? QEventLoop::AllEvents
                                                       : QEventLoop::ExcludeUserInputEvents);
    return !dialog.wasCanceled();
  };
  const ExportOutcome out = run(job);
  dialog.close();
  if (out.status == ExportOutcome::Status::kFailed)
    ed.prompt.message("Export animation", "Cannot export the animation: " + out.error);
  return out.done();
}

}  // namespace pw
