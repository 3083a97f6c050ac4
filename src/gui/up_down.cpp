#include "gui/up_down.h"

#include <QKeyEvent>
#include <algorithm>

namespace q9::gui {

UpDown::UpDown(QLineEdit* buddy, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
  for (QToolButton* arrow : {m_up, m_down}) {
    arrow->setAutoRepeat(true);
    arrow->setFocusPolicy(Qt::NoFocus);
  }
  m_up->setArrowType(Qt::UpArrow);
  m_down->setArrowType(Qt::DownArrow);
  m_up->setAccessibleName(QStringLiteral("Up"));
  m_down->setAccessibleName(QStringLiteral("Down"));
  connect(m_up, &QToolButton::clicked, this, [this] { Step(+1); });
  connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
  setFocusPolicy(Qt::NoFocus);
  if (m_buddy) m_buddy->installEventFilter(this);
}

void UpDown::SetRange(int low, int high) {
  m_low = low;
  m_high = high;
}

int UpDown::Clamp(int value) const {
  return std::clamp(value, std::min(m_low, m_high), std::max(m_low, m_high));
}

int UpDown::Position() const {
  if (m_buddy) {
    bool ok = false;
    const int typed = m_buddy->text().trimmed().toInt(&ok);
    if (ok) m_position = typed;
  }
  return Clamp(m_position);
}

void UpDown::SetPosition(int position) {
  m_position = Clamp(position);
  if (m_buddy) m_buddy->setText(QString::number(m_position));
}

void UpDown::Step(int direction) {
  if (!isEnabled()) return;
  const int before = Position();
  const int towardHigh = m_high >= m_low ? 1 : -1;
  const int after = Clamp(before + direction * towardHigh);
  SetPosition(after);
  emit Scrolled(after);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_buddy && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Step(key == Qt::Key_Up ? +1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void UpDown::resizeEvent(QResizeEvent*) {
  const int half = height() / 2;
  m_up->setGeometry(0, 0, width(), half);
  m_down->setGeometry(0, half, width(), height() - half);
}

}  // namespace q9::gui
