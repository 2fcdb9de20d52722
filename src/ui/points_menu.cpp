#include "ui/points_menu.h"

#include <QAction>
#include <memory>
#include <utility>

#include "ui/control_ids.h"

namespace pw {

QMenu* buildPointsMenu(QWidget* parent, std::function<void(int)> dispatch) {
  struct Item {
    int id;  // kSeparator: a separator
    const char* text;
  };
  constexpr int kSeparator = 0;
  static constexpr Item kItems[] = {
      {kCmdSelectAllPoints, "Select all the points of the shape"},
      {kSeparator, nullptr},
      {kCmdDeletePoint, "Delete this point"},
      {kSeparator, nullptr},
      {kCmdConvertToLine, "Convert to line"},
      {kCmdConvertToCurve, "Convert to curve"},
      {kCmdConvertToComplex, "Convert to complexe shape"},
      {kSeparator, nullptr},
      {kCmdSeparateSubShapes, "Separate all sub-shape to shape"},
      {kCmdJoinSelected, "Joint selected shape"},
  };
  auto* menu = new QMenu(parent);
  menu->setObjectName(QStringLiteral("menu3"));
  auto shared = std::make_shared<std::function<void(int)>>(std::move(dispatch));
  for (const Item& it : kItems) {
    if (it.id == kSeparator) {
      menu->addSeparator();
      continue;
    }
    QAction* a = menu->addAction(QString::fromUtf8(it.text));
    a->setData(it.id);
    a->setObjectName(QStringLiteral("cmd%1").arg(it.id));
    const int id = it.id;
    QObject::connect(a, &QAction::triggered, menu, [shared, id] {
      if (*shared) (*shared)(id);
    });
  }
  return menu;
}

}  // namespace pw
