#include "ui/points_menu.h"

#include <QAction>
#include <memory>
#include <utility>

namespace pw {

QMenu* buildPointsMenu(QWidget* parent, std::function<void(int)> dispatch) {
  struct Item {
    int id;  // 0: separator
    const char* text;
  };
  static constexpr Item kItems[] = {
      {66, "Select all the points of the shape"},
      {0, nullptr},
      {60, "Delete this point"},
      {0, nullptr},
      {61, "Convert to line"},
      {62, "Convert to curve"},
      {63, "Convert to complexe shape"},
      {0, nullptr},
      {64, "Separate all sub-shape to shape"},
      {65, "Joint selected shape"},
  };
  auto* menu = new QMenu(parent);
  menu->setObjectName(QStringLiteral("menu3"));
  auto shared = std::make_shared<std::function<void(int)>>(std::move(dispatch));
  for (const Item& it : kItems) {
    if (it.id == 0) {
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
