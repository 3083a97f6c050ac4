#pragma once
// The prompts a user sees: QMessageBox with the system's texts, buttons and
// icons, QDialog::exec, and QFileDialog for files and folders.

#include "gui/prompts.h"

namespace q9::gui {

class DesktopPrompts : public Prompts {
 public:
  MessageAnswer Message(QWidget* parent, const QString& text, const QString& caption,
                        MessageButtons buttons, MessageIcon icon) override;
  int RunModal(QDialog& dialog) override;
  std::optional<QString> OpenFile(QWidget* parent, const OpenFileRequest& request) override;
  std::optional<QString> PickFolder(QWidget* parent, const QString& title,
                                    const QString& startFolder) override;

  // "*.seq;*msg" -> "*.[sS][eE][qQ] *[mM][sS][gG]": file dialogs match
  // patterns with letter case on Linux, the extensions are case-blind.
  static QString CaseBlindPatterns(const QString& patterns);
};

}  // namespace q9::gui
