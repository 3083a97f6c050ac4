#include "gui/desktop_prompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace q9::gui {
namespace {

QMessageBox::Icon IconOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Stop:
      return QMessageBox::Critical;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

MessageAnswer DesktopPrompts::Message(QWidget* parent, const QString& text, const QString& caption,
                                      MessageButtons buttons, MessageIcon icon) {
  QMessageBox box(IconOf(icon), caption, text, QMessageBox::NoButton, parent);
  switch (buttons) {
    case MessageButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Ok);
      break;
    case MessageButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    case QMessageBox::Ok:
      return MessageAnswer::Ok;
    default:
      // Escape or the close box: the box's way of saying no.
      return buttons == MessageButtons::YesNo ? MessageAnswer::No
             : buttons == MessageButtons::Ok  ? MessageAnswer::Ok
                                              : MessageAnswer::Cancel;
  }
}

int DesktopPrompts::RunModal(QDialog& dialog) {
  return dialog.exec();
}

QString DesktopPrompts::CaseBlindPatterns(const QString& patterns) {
  QStringList out;
  for (const QString& pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
    QString blind;
    for (const QChar c : pattern) {
      if (c.isLetter() && c.toLower() != c.toUpper()) {
        blind += u'[';
        blind += c.toLower();
        blind += c.toUpper();
        blind += u']';
      } else {
        blind += c;
      }
    }
    out << blind;
  }
  return out.join(u' ');
}

std::optional<QString> DesktopPrompts::OpenFile(QWidget* parent, const OpenFileRequest& request) {
  QFileDialog dialog(parent, request.title);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setOption(QFileDialog::ReadOnly, false);
  QStringList filters;
  for (const auto& [label, patterns] : request.filters)
    filters << label + QStringLiteral(" (") + CaseBlindPatterns(patterns) + u')';
  dialog.setNameFilters(filters);
  if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
  if (!request.initialFile.isEmpty()) dialog.selectFile(request.initialFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> DesktopPrompts::PickFolder(QWidget* parent, const QString& title,
                                                  const QString& startFolder) {
  const QString folder =
      QFileDialog::getExistingDirectory(parent, title, startFolder, QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

}  // namespace q9::gui
