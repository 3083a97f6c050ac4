#include "gui/dialog_builder.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTreeWidget>
#include <vector>

#include "gui/dialog_units.h"
#include "gui/up_down.h"

namespace q9::gui {
namespace {

QLineEdit* MakeEdit(QWidget& parent, uint32_t flags) {
  auto* edit = new QLineEdit(&parent);
  if (flags & kNumber) {
    const QString pattern =
        (flags & kSigned) ? QStringLiteral("-?[0-9]*") : QStringLiteral("[0-9]*");
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
  }
  return edit;
}

QWidget* MakeControl(QWidget& parent, const ControlRow& row, QWidget* previous) {
  const QString text = QString::fromUtf8(row.text ? row.text : "");
  switch (row.kind) {
    case ControlKind::Label: {
      auto* label = new QLabel(text, &parent);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::Edit:
      return MakeEdit(parent, row.flags);
    case ControlKind::Button:
    case ControlKind::DefaultButton:
    case ControlKind::BitmapButton: {
      auto* button = new QPushButton(text, &parent);
      if (row.kind == ControlKind::DefaultButton) button->setDefault(true);
      return button;
    }
    case ControlKind::CheckBox:
      return new QCheckBox(text, &parent);
    case ControlKind::ReportList: {
      auto* list = new QTreeWidget(&parent);
      list->setRootIsDecorated(false);
      list->setItemsExpandable(false);
      list->setUniformRowHeights(true);
      list->setAllColumnsShowFocus(true);
      list->setSelectionMode(QAbstractItemView::ExtendedSelection);
      list->header()->setSectionsClickable(true);
      list->header()->setSectionsMovable(false);
      return list;
    }
    case ControlKind::ListBox:
      return new QListWidget(&parent);
    case ControlKind::DropDownList:
      return new QComboBox(&parent);
    case ControlKind::UpDown:
      return new UpDown(qobject_cast<QLineEdit*>(previous), &parent);
    case ControlKind::VerticalSlider: {
      auto* slider = new QSlider(Qt::Vertical, &parent);
      slider->setTickPosition(QSlider::NoTicks);
      return slider;
    }
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(&parent);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::EtchedLine: {
      auto* line = new QFrame(&parent);
      line->setFrameShape(QFrame::HLine);
      line->setFrameShadow(QFrame::Sunken);
      return line;
    }
    case ControlKind::GroupBox:
      return new QGroupBox(text, &parent);
    case ControlKind::Icon:
      return new QLabel(&parent);
  }
  return new QWidget(&parent);
}

bool HasOwnText(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
    case ControlKind::Button:
    case ControlKind::DefaultButton:
    case ControlKind::CheckBox:
    case ControlKind::GroupBox:
      return true;
    default:
      return false;
  }
}

}  // namespace

QString DialogBuilder::WithoutMnemonic(const QString& text) {
  QString plain;
  plain.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;  // "&x" -> "x", "&&" -> "&"
    plain += text[i];
  }
  return plain;
}

void DialogBuilder::Build(QWidget& dialog, std::span<const ControlRow> controls, int width,
                          int height) {
  const DialogUnits units(dialog.font());
  std::vector<QWidget*> focusable;
  QWidget* previous = nullptr;
  const ControlRow* previousRow = nullptr;
  for (const ControlRow& row : controls) {
    QWidget* widget = MakeControl(dialog, row, previous);
    widget->setObjectName(row.id == kNoId ? QString() : NameOf(row.id));
    QRect rect = units.ToPixels(row.x, row.y, row.width, row.height);
    // A drop-down list's template height includes its open list; closed it
    // is one line high.
    if (row.kind == ControlKind::DropDownList) rect.setHeight(widget->sizeHint().height());
    if (row.kind == ControlKind::EtchedLine && rect.height() < 2) rect.setHeight(2);
    widget->setGeometry(rect);
    if (row.kind == ControlKind::GroupBox) widget->lower();

    const QString text = QString::fromUtf8(row.text ? row.text : "");
    if (HasOwnText(row.kind) && !text.isEmpty()) {
      widget->setAccessibleName(WithoutMnemonic(text));
    } else if (previousRow && previousRow->kind == ControlKind::Label && previousRow->text &&
               *previousRow->text) {
      widget->setAccessibleName(WithoutMnemonic(QString::fromUtf8(previousRow->text)));
    }
    if (previousRow && previousRow->kind == ControlKind::Label && row.kind != ControlKind::Label)
      static_cast<QLabel*>(previous)->setBuddy(widget);

    if (row.flags & kDisabled) widget->setEnabled(false);
    if (row.flags & kHidden) widget->setVisible(false);
    if (widget->focusPolicy() != Qt::NoFocus) focusable.push_back(widget);
    previous = widget;
    previousRow = &row;
  }
  for (size_t i = 1; i < focusable.size(); ++i)
    QWidget::setTabOrder(focusable[i - 1], focusable[i]);
  const QRect client = units.ToPixels(0, 0, width, height);
  dialog.setFixedSize(client.size());
}

}  // namespace q9::gui
