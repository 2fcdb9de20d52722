#include "ui/control_set.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>
#include <limits>

namespace pw {

QWidget* ControlSet::makeControl(QWidget* parent, int number, int kind, int x, int y, int w,
                                 int h, const QString& caption, int option, int value,
                                 const QString& tooltip, int initialState, const QIcon& icon) {
  Entry e;
  e.kind = kind;
  if (!caption.isEmpty() && (kind == kKindSpin || kind == kKindText)) {
    auto* label = new QLabel(caption, parent);
    label->setGeometry(x, y + 2, kCaptionWidth, h);
    label->setObjectName(QString("lbl%1").arg(number));
    e.label = label;
    x += kCaptionWidth;
  }
  QWidget* wgt = nullptr;
  switch (kind) {
    case kKindSpin: {
      auto* s = new QSpinBox(parent);
      s->setRange(option, value);
      connect(s, &QSpinBox::valueChanged, this, [this, number] { emit controlEvent(number); });
      wgt = s;
      break;
    }
    case kKindText: {
      auto* t = new QLineEdit(parent);
      if (option == kDigitsOnly) {
        t->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), t));
      }
      connect(t, &QLineEdit::textEdited, this, [this, number] { emit controlEvent(number); });
      // Return, or leaving the field after changing it.
      connect(t, &QLineEdit::editingFinished, this,
              [this, number] { emit controlSubmitted(number); });
      wgt = t;
      break;
    }
    case kKindButton: {
      auto* b = new QPushButton(caption, parent);
      b->setCheckable(option == kToggle);
      connect(b, &QPushButton::clicked, this, [this, number] { emit controlEvent(number); });
      wgt = b;
      break;
    }
    case kKindCheck: {
      auto* c = new QCheckBox(caption, parent);
      connect(c, &QCheckBox::clicked, this, [this, number] { emit controlEvent(number); });
      wgt = c;
      break;
    }
    case kKindDropDown: {
      auto* c = new QComboBox(parent);
      c->setEditable(false);
      connect(c, &QComboBox::activated, this, [this, number] { emit controlEvent(number); });
      wgt = c;
      break;
    }
    case kKindList: {
      auto* l = new QListWidget(parent);
      connect(l, &QListWidget::itemClicked, this, [this, number] { emit controlEvent(number); });
      wgt = l;
      break;
    }
    case kKindImageButton:
    default: {
      auto* b = new QToolButton(parent);
      b->setIcon(icon);
      b->setCheckable(option == kToggle);
      b->setAutoRaise(true);
      connect(b, &QToolButton::clicked, this, [this, number] { emit controlEvent(number); });
      wgt = b;
      e.kind = kKindImageButton;
      break;
    }
  }
  wgt->setGeometry(x, y, w, h);
  wgt->setObjectName(controlObjectName(number));
  if (!tooltip.isEmpty()) wgt->setToolTip(tooltip);
  e.widget = wgt;
  controls_[number] = e;
  if (initialState != kNoInitialState) setValue(number, initialState);
  return wgt;
}

QWidget* ControlSet::widget(int number) const {
  auto it = controls_.find(number);
  return it == controls_.end() ? nullptr : it->second.widget;
}

int ControlSet::kind(int number) const {
  auto it = controls_.find(number);
  return it == controls_.end() ? -1 : it->second.kind;
}

QWidget* ControlSet::captionLabel(int number) const {
  auto it = controls_.find(number);
  return it == controls_.end() ? nullptr : it->second.label;
}

int ControlSet::value(int number) const {
  QWidget* w = widget(number);
  if (!w) return 0;
  switch (kind(number)) {
    case kKindSpin: return static_cast<QSpinBox*>(w)->value();
    case kKindText: {
      // The number at the start of the text; 0 when there is none. Saturates instead of
      // wrapping for very long digit runs.
      const QString t = static_cast<QLineEdit*>(w)->text().trimmed();
      int64_t v = 0;
      int i = 0;
      const bool neg = !t.isEmpty() && t[0] == '-';
      if (neg) i = 1;
      for (; i < t.size() && t[i].isDigit(); ++i) {
        v = std::min<int64_t>(v * 10 + t[i].digitValue(), std::numeric_limits<int>::max());
      }
      return static_cast<int>(neg ? -v : v);
    }
    case kKindButton:
    case kKindCheck:
    case kKindImageButton: return static_cast<QAbstractButton*>(w)->isChecked() ? 1 : 0;
    case kKindDropDown: return static_cast<QComboBox*>(w)->currentIndex();
    case kKindList: return static_cast<QListWidget*>(w)->currentRow();
  }
  return 0;
}

QString ControlSet::text(int number) const {
  QWidget* w = widget(number);
  if (!w) return {};
  switch (kind(number)) {
    case kKindText: return static_cast<QLineEdit*>(w)->text();
    case kKindDropDown: return static_cast<QComboBox*>(w)->currentText();
    case kKindList: {
      auto* item = static_cast<QListWidget*>(w)->currentItem();
      return item ? item->text() : QString();
    }
    case kKindButton:
    case kKindCheck:
    case kKindImageButton: return static_cast<QAbstractButton*>(w)->text();
    default: return {};
  }
}

std::vector<int> ControlSet::selectedRows(int number) const {
  std::vector<int> rows;
  if (kind(number) != kKindList) return rows;
  auto* l = static_cast<QListWidget*>(widget(number));
  for (int i = 0; i < l->count(); ++i) {
    if (l->item(i)->isSelected()) rows.push_back(i);
  }
  return rows;
}

void ControlSet::setValue(int number, int64_t v) {
  QWidget* w = widget(number);
  if (!w) return;
  const QSignalBlocker block(w);
  switch (kind(number)) {
    case kKindSpin: {
      auto* s = static_cast<QSpinBox*>(w);
      s->setValue(static_cast<int>(std::clamp<int64_t>(v, s->minimum(), s->maximum())));
      break;
    }
    case kKindText: static_cast<QLineEdit*>(w)->setText(QString::number(v)); break;
    case kKindButton:
    case kKindCheck:
    case kKindImageButton: static_cast<QAbstractButton*>(w)->setChecked(v != 0); break;
    case kKindDropDown: {
      auto* c = static_cast<QComboBox*>(w);
      c->setCurrentIndex(v >= 0 && v < c->count() ? static_cast<int>(v) : -1);
      break;
    }
    case kKindList: selectRow(number, static_cast<int>(v)); break;
  }
}

void ControlSet::setText(int number, const QString& text) {
  QWidget* w = widget(number);
  if (!w) return;
  const QSignalBlocker block(w);
  switch (kind(number)) {
    case kKindText: static_cast<QLineEdit*>(w)->setText(text); break;
    case kKindButton:
    case kKindCheck:
    case kKindImageButton: static_cast<QAbstractButton*>(w)->setText(text); break;
    case kKindDropDown: {
      auto* c = static_cast<QComboBox*>(w);
      c->setCurrentIndex(c->findText(text));
      break;
    }
    default: break;
  }
}

void ControlSet::setEnabled(int number, bool on) {
  if (QWidget* w = widget(number)) {
    w->setEnabled(on);
    if (QWidget* l = captionLabel(number)) l->setEnabled(on);
  }
}

bool ControlSet::isEnabled(int number) const {
  QWidget* w = widget(number);
  return w && w->isEnabled();
}

void ControlSet::setItems(int number, const QStringList& items) {
  QWidget* w = widget(number);
  if (!w) return;
  const QSignalBlocker block(w);
  if (kind(number) == kKindDropDown) {
    auto* c = static_cast<QComboBox*>(w);
    c->clear();
    c->addItems(items);
  } else if (kind(number) == kKindList) {
    auto* l = static_cast<QListWidget*>(w);
    l->clear();
    l->addItems(items);
  }
}

int ControlSet::itemCount(int number) const {
  QWidget* w = widget(number);
  if (!w) return 0;
  if (kind(number) == kKindDropDown) return static_cast<QComboBox*>(w)->count();
  if (kind(number) == kKindList) return static_cast<QListWidget*>(w)->count();
  return 0;
}

QString ControlSet::itemText(int number, int index) const {
  QWidget* w = widget(number);
  if (!w || index < 0) return {};
  if (kind(number) == kKindDropDown) return static_cast<QComboBox*>(w)->itemText(index);
  if (kind(number) == kKindList) {
    auto* item = static_cast<QListWidget*>(w)->item(index);
    return item ? item->text() : QString();
  }
  return {};
}

void ControlSet::selectRow(int number, int row) {
  if (kind(number) != kKindList) return;
  auto* l = static_cast<QListWidget*>(widget(number));
  const QSignalBlocker block(l);
  l->clearSelection();
  if (row >= 0 && row < l->count()) {
    l->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
  } else {
    l->setCurrentRow(-1, QItemSelectionModel::Clear);
  }
}

std::vector<int> ControlSet::numbers() const {
  std::vector<int> n;
  n.reserve(controls_.size());
  for (const auto& [k, v] : controls_) n.push_back(k);
  return n;
}

}  // namespace pw
