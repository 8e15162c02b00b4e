#include "qt/file_chooser.h"

#include <QFile>
#include <QFileInfo>
#include <vector>

namespace corvane {
namespace {

QString FromView(std::string_view text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(const FileChooserRequest& request, bool save,
                                            QWidget* owner) {
  auto dialog = std::make_unique<QFileDialog>(owner, FromView(request.title));
  // The toolkit's own dialog behaves the same on every desktop; a native
  // one may match the filter case-sensitively and miss "*.spb".
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // The open dialog takes any name: a restore of a file that is not there
  // tells the operator when it runs.
  dialog->setFileMode(QFileDialog::AnyFile);
  const std::vector<FileFilter> filters = FiltersFor(request.kind);
  QStringList texts;
  for (const FileFilter& filter : filters) texts << FromView(filter.text);
  dialog->setNameFilters(texts);
  dialog->setDefaultSuffix(FromView(filters.front().suffix));
  // A name typed without an extension gets the one of the filter chosen
  // (a clip's format); the PNG frames' filter adds none, for a folder.
  QFileDialog* shown = dialog.get();
  QObject::connect(shown, &QFileDialog::filterSelected, shown,
                   [shown, filters](const QString& text) {
                     for (const FileFilter& filter : filters) {
                       if (FromView(filter.text) == text)
                         shown->setDefaultSuffix(FromView(filter.suffix));
                     }
                   });
  // Overwrite confirmation is on by default and only ever asked on save.
  dialog->selectFile(FromView(request.default_name));
  return dialog;
}

FileChoice ChoiceFromPath(const QString& path) {
  return {QFile::encodeName(path).toStdString(),
          QFile::encodeName(QFileInfo(path).fileName()).toStdString()};
}

std::optional<FileChoice> QtFileChooser::ChooseSaveFile(const FileChooserRequest& request) {
  return Choose(request, /*save=*/true);
}

std::optional<FileChoice> QtFileChooser::ChooseOpenFile(const FileChooserRequest& request) {
  return Choose(request, /*save=*/false);
}

std::optional<FileChoice> QtFileChooser::Choose(const FileChooserRequest& request, bool save) {
  const std::unique_ptr<QFileDialog> dialog = MakeFileDialog(request, save, owner_);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog->selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
  return ChoiceFromPath(chosen.first());
}

}  // namespace corvane
