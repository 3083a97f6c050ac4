#pragma once
// Every message box, modal dialog and file or folder picker of the window
// goes through this interface, so that the desktop shows the real thing and
// a test answers it (and reads what was asked) without a nested event loop.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

#include "convert/conversion_host.h"

namespace q9::gui {

using convert::MessageAnswer;
using convert::MessageButtons;
using convert::MessageIcon;

// The open-file dialog: filters are (label, patterns) pairs; patterns are
// separated by ";" as in "*.seq;*.avi" and match without regard to letter
// case.
struct OpenFileRequest {
  QString title;
  QString initialFile;    // path or name the dialog starts with
  QString defaultSuffix;  // without the dot
  std::vector<std::pair<QString, QString>> filters;
};

class Prompts {
 public:
  virtual ~Prompts() = default;

  virtual MessageAnswer Message(QWidget* parent, const QString& text, const QString& caption,
                                MessageButtons buttons, MessageIcon icon) = 0;
  // Runs a dialog modally and returns its result (QDialog::Accepted or
  // QDialog::Rejected, or what the dialog passed to done()).
  virtual int RunModal(QDialog& dialog) = 0;
  // The chosen existing file, or nothing when the user cancelled.
  virtual std::optional<QString> OpenFile(QWidget* parent, const OpenFileRequest& request) = 0;
  // The chosen folder, or nothing when the user cancelled.
  virtual std::optional<QString> PickFolder(QWidget* parent, const QString& title,
                                            const QString& startFolder) = 0;
};

}  // namespace q9::gui
