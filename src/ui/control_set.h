// The numbered controls of the side panels. Every control is made by makeControl and known by
// its number from then on: handlers read it, refreshes write it, and tests find it ("ctl<n>").
// Writes through this class never raise control events; only the user's own edits do.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QStringList>
#include <map>

class QWidget;

namespace pw {

// Kinds of makeControl.
enum ControlKind : int {
  kKindSpin = 0,      // option = minimum, value = maximum
  kKindText = 1,      // option kDigitsOnly: digits only
  kKindButton = 2,    // option kToggle: toggle button
  kKindCheck = 3,
  kKindDropDown = 4,  // non-editable
  kKindList = 5,
  kKindImageButton = 6,  // option kToggle: toggle button; shows `icon`
};

// The option of makeControl for a text field that takes digits only, and for a (image) button
// that stays pressed until pressed again.
inline constexpr int kDigitsOnly = 1;
inline constexpr int kToggle = 1;

// Initial state meaning "leave the control as made".
inline constexpr int kNoInitialState = -65257;
// Width of the caption label put before spin and text fields.
inline constexpr int kCaptionWidth = 35;

// The object name of control `number`, by which the tests find its widget: "ctl" + number.
inline QString controlObjectName(int number) { return QStringLiteral("ctl%1").arg(number); }

class ControlSet : public QObject {
  Q_OBJECT

 public:
  explicit ControlSet(QObject* parent = nullptr) : QObject(parent) {}

  // Makes control `number` of `kind` at (x, y) in `parent`, w x h. A non-empty caption of a spin
  // or text field becomes a 35-pixel label at (x, y + 2) and moves the field 35 pixels right;
  // buttons and check boxes show it as their text; other kinds do not show it. The initial state
  // (spin value, check state, toggle state, text field number) is applied unless it is
  // kNoInitialState. Returns the control.
  QWidget* makeControl(QWidget* parent, int number, int kind, int x, int y, int w, int h,
                       const QString& caption, int option, int value, const QString& tooltip,
                       int initialState = kNoInitialState, const QIcon& icon = {});

  bool exists(int number) const { return controls_.count(number) != 0; }
  QWidget* widget(int number) const;
  int kind(int number) const;
  // The caption label of a spin or text field (null when it has none).
  QWidget* captionLabel(int number) const;

  // Reading: spin value, check or toggle state (0/1), selected index of a drop-down, current
  // row of a list, the number in a text field; 0 for an unknown control.
  int value(int number) const;
  // Text field text, the selected item's text of a drop-down or list, a button's text.
  QString text(int number) const;
  // Selected rows of a list, ascending.
  std::vector<int> selectedRows(int number) const;

  // Writing, without raising events. setValue clamps a spin to its range.
  void setValue(int number, int64_t v);
  void setText(int number, const QString& text);
  void setEnabled(int number, bool on);
  bool isEnabled(int number) const;
  // Replaces the items of a drop-down or list.
  void setItems(int number, const QStringList& items);
  int itemCount(int number) const;
  QString itemText(int number, int index) const;
  // Selects exactly `row` of a list (and makes it current); -1 clears the selection.
  void selectRow(int number, int row);

  // All control numbers, ascending.
  std::vector<int> numbers() const;

 signals:
  // The user changed or pressed control `number`.
  void controlEvent(int number);
  // Text field `number` was finished: Return pressed, or the field left after a change.
  void controlSubmitted(int number);

 private:
  struct Entry {
    QWidget* widget = nullptr;
    QWidget* label = nullptr;
    int kind = 0;
  };
  std::map<int, Entry> controls_;
};

}  // namespace pw
