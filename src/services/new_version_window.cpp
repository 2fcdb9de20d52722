#include "services/new_version_window.h"

#include <QDialog>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "core/prompt.h"
#include "services/update_check.h"

namespace pw {

QDialog* showNewVersionWindow(QWidget* parent, Prompt& prompt, double version,
                              const std::string& notes, const std::string& downloadUrl) {
  constexpr int kW = 400, kH = 300;
  auto* win = new QDialog(parent, Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  win->setObjectName("newVersionWindow");
  win->setAttribute(Qt::WA_DeleteOnClose);
  win->setWindowTitle("New version available");
  win->setFixedSize(kW, kH);

  auto* text = new QPlainTextEdit(win);
  text->setObjectName("newVersionText");
  text->setReadOnly(true);
  text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  text->setGeometry(5, 5, kW - 10, 250);
  text->setPlainText(QString::fromStdString(newVersionText(version, notes)));

  auto* ok = new QPushButton("Ok", win);
  ok->setObjectName("newVersionOk");
  ok->setGeometry(170, 270, 50, 25);
  auto* cancel = new QPushButton("Cancel", win);
  cancel->setObjectName("newVersionCancel");
  cancel->setGeometry(170 + 50 + 10, 270, 50, 25);

  QObject::connect(ok, &QPushButton::clicked, win, [win, &prompt, downloadUrl] {
    prompt.openUrl(downloadUrl);
    win->close();
  });
  QObject::connect(cancel, &QPushButton::clicked, win, &QDialog::close);

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    win->move(screen->availableGeometry().center() - QPoint(kW / 2, kH / 2));
  win->setModal(true);
  win->show();
  return win;
}

}  // namespace pw
