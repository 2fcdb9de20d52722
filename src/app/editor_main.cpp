#include "app/editor_main.h"

#include <unistd.h>

#include <QApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QMessageBox>
#include <QScreen>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/qt_prompt.h"
#include "app/remembering_prompt.h"
#include "core/editor.h"
#include "render/image_store.h"
#include "services/fatal_error.h"
#include "settings/options.h"

namespace pw {

namespace fs = std::filesystem;

bool displayAvailable() {
  for (const char* v : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
    if (!qEnvironmentVariableIsEmpty(v)) return true;
  return false;
}

bool imageCodecsPresent() {
  const QList<QByteArray> readers = QImageReader::supportedImageFormats();
  const QList<QByteArray> writers = QImageWriter::supportedImageFormats();
  for (const char* f : {"png", "jpeg"})
    if (!readers.contains(f) || !writers.contains(f)) return false;
  return true;
}

std::string enterProgramFolder(const std::string& exeDir) {
  std::error_code ec;
  if (fs::is_directory("data", ec) || exeDir.empty()) return {};
  if (!fs::is_directory(fs::path(exeDir) / "data", ec)) return {};
  if (::chdir(exeDir.c_str()) != 0) return {};
  return exeDir;
}

int runEditorWindow(const std::string& sceneArg, int argc, char** argv) {
  QApplication qapp(argc, argv);
  QtPrompt prompt;
  // Each kind of file dialog opens where it was last left, from one run to the next.
  RememberingPrompt remembering(prompt);
  if (!imageCodecsPresent()) {
    QMessageBox::critical(nullptr, "Error", "Unable to open the image encode/decoder");
    return 1;
  }
  // A scene named on the command line is relative to the folder the user started in.
  std::string scene = sceneArg;
  if (!scene.empty()) {
    std::error_code ec;
    const fs::path abs = fs::absolute(scene, ec);
    if (!ec) scene = abs.string();
  }
  enterProgramFolder(QCoreApplication::applicationDirPath().toStdString());

  ImageStore store;
  Editor ed(remembering, store);
  AppState app;
  loadOptions(ed.options, "Preferences.ini", true);
  remembering.remember(&ed.options);
  // A fatal fault is reported by the program started again; the autosave keeps the work.
  const WindowConfig cfg;
  installFatalErrorHandler(ed.rootPath(cfg.crashReportPath));

  auto window = std::make_unique<MainWindow>(ed, store, app, cfg);
  prompt.setParent(window.get());
  QObject::connect(window.get(), &MainWindow::quitRequestedSignal, &qapp,
                   [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    window->move(screen->availableGeometry().center() - window->rect().center());
  window->show();
  window->start(scene);
  const int status = qapp.exec();
  // Closing the window saves the settings; "Quit" ends without saving them.
  if (window->closedByUser() && !window->quitRequested()) window->saveSettings();
  window->endRun();
  prompt.setParent(nullptr);
  window.reset();
  return status;
}

}  // namespace pw
