#include "gui/testing/scripted_prompts.h"

namespace q9::gui {

MessageAnswer ScriptedPrompts::Message(QWidget*, const QString& text, const QString& caption,
                                       MessageButtons buttons, MessageIcon icon) {
  messages.push_back({text, caption, buttons, icon});
  if (buttons == MessageButtons::Ok) {
    if (!answers.empty() && answers.front() == MessageAnswer::Ok) answers.pop_front();
    return MessageAnswer::Ok;
  }
  if (answers.empty()) {
    unanswered << QStringLiteral("message: ") + text;
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
  }
  const MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

int ScriptedPrompts::RunModal(QDialog& dialog) {
  dialogTitles.push_back(dialog.windowTitle());
  if (dialogScripts.empty()) {
    unanswered << QStringLiteral("dialog: ") + dialog.windowTitle();
    return QDialog::Rejected;
  }
  auto script = std::move(dialogScripts.front());
  dialogScripts.pop_front();
  dialog.setResult(-1);
  dialog.show();
  script(dialog);
  if (dialog.result() == -1) {
    unanswered << QStringLiteral("dialog not ended: ") + dialog.windowTitle();
    dialog.reject();
  }
  dialog.hide();
  return dialog.result();
}

std::optional<QString> ScriptedPrompts::OpenFile(QWidget*, const OpenFileRequest& request) {
  fileRequests.push_back(request);
  if (files.empty()) {
    unanswered << QStringLiteral("open file: ") + request.title;
    return std::nullopt;
  }
  // Swapped out rather than copied: GCC's -O2 flow analysis takes a copied
  // optional<QString> for uninitialised.
  std::optional<QString> answer;
  answer.swap(files.front());
  files.pop_front();
  return answer;
}

std::optional<QString> ScriptedPrompts::PickFolder(QWidget*, const QString& title, const QString&) {
  folderTitles.push_back(title);
  if (folders.empty()) {
    unanswered << QStringLiteral("folder: ") + title;
    return std::nullopt;
  }
  // Swapped out rather than copied: GCC's -O2 flow analysis takes a copied
  // optional<QString> for uninitialised.
  std::optional<QString> answer;
  answer.swap(folders.front());
  folders.pop_front();
  return answer;
}

QStringList ScriptedPrompts::MessageTexts() const {
  QStringList texts;
  for (const Shown& shown : messages) texts << shown.text;
  return texts;
}

}  // namespace q9::gui
