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

namespace {

// The next scripted answer, or nothing (and a note) when none is left.
// Swapped out rather than copied: GCC's -O2 flow analysis takes a copied
// optional<QString> for uninitialised.
std::optional<QString> Next(std::deque<std::optional<QString>>& answers, QStringList& unanswered,
                            const QString& asked) {
  std::optional<QString> answer;
  if (answers.empty()) {
    unanswered << asked;
    return answer;
  }
  answer.swap(answers.front());
  answers.pop_front();
  return answer;
}

}  // namespace

std::optional<QString> ScriptedPrompts::OpenFile(QWidget*, const OpenFileRequest& request) {
  fileRequests.push_back(request);
  return Next(files, unanswered, QStringLiteral("open file: ") + request.title);
}

std::optional<QString> ScriptedPrompts::PickFolder(QWidget*, const QString& title, const QString&) {
  folderTitles.push_back(title);
  return Next(folders, unanswered, QStringLiteral("folder: ") + title);
}

QStringList ScriptedPrompts::MessageTexts() const {
  QStringList texts;
  for (const Shown& shown : messages) texts << shown.text;
  return texts;
}

}  // namespace q9::gui
