#pragma once
// The up-down control of the templates: two small arrow buttons beside an
// edit (its buddy). A step moves the position by one within the range,
// writes the new number into the buddy (no thousands separator) and tells
// whoever listens. The Up and Down keys in the buddy step as the arrows do.
// The current position is read back from the buddy's text before each
// step, so a number typed into the edit is where the next step starts.
// A range given high-to-low turns the arrows round, as the original control
// did.

#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

namespace q9::gui {

class UpDown : public QWidget {
  Q_OBJECT

 public:
  explicit UpDown(QLineEdit* buddy, QWidget* parent = nullptr);

  QLineEdit* Buddy() const { return m_buddy; }
  void SetRange(int low, int high);
  int Low() const { return m_low; }
  int High() const { return m_high; }
  // The position: the buddy's number, clamped into the range; the last
  // position when the buddy holds no number.
  int Position() const;
  // Sets the position (clamped) and writes it into the buddy.
  void SetPosition(int position);

  // One step as the up (+1) or down (-1) arrow makes it.
  void Step(int direction);

 signals:
  // A step changed the position; the buddy already shows it.
  void Scrolled(int position);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int Clamp(int value) const;

  QLineEdit* m_buddy;
  QToolButton* m_up;
  QToolButton* m_down;
  int m_low = 0;
  int m_high = 100;
  mutable int m_position = 0;
};

}  // namespace q9::gui
