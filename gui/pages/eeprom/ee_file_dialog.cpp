#include "gui/pages/eeprom/ee_file_dialog.h"

#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>

#include "core/eeprom/eeprom_file.h"

namespace {

const QString kAllFiles = QStringLiteral("All Files (*.*)");
const QString kFileFilter = QStringLiteral("EEPROM Files (*.ee);;") + kAllFiles;

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

}  // namespace

EeFileDialog::EeFileDialog(QWidget* parent, const QString& title, AcceptMode mode,
                           const QString& folder)
    : QFileDialog(parent) {
    // Our own dialog rather than the desktop's, so that tests and every desktop see the same.
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::DontConfirmOverwrite);  // the page asks with Yes/No/Cancel
    setObjectName(QStringLiteral("dlgFile"));
    setWindowTitle(title);
    setAcceptMode(mode);
    // A name that does not exist is accepted here and reported by the command itself.
    setFileMode(QFileDialog::AnyFile);
    connect(this, &QFileDialog::filterSelected, this, &EeFileDialog::showAllFilesFilter);
    setNameFilter(kFileFilter);
    setDefaultSuffix(QStringLiteral("ee"));
    if (!folder.isEmpty()) setDirectory(folder);
    selectFile(qs(eeprom::kInitialName));
}

void EeFileDialog::showAllFilesFilter(const QString& filter) {
    // The pattern "*.*" would hide names without a dot; this entry means every file.
    if (filter != kAllFiles) return;
    if (auto* model = findChild<QFileSystemModel*>()) model->setNameFilters({QStringLiteral("*")});
}

void EeFileDialog::accept() {
    const QString name = selectedFiles().value(0);
    const QString typed = QFileInfo(name).fileName();
    if (typed.contains(QLatin1Char('*')) || typed.contains(QLatin1Char('?'))) {
        if (auto* model = findChild<QFileSystemModel*>()) {
            model->setNameFilters(typed.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        }
        if (QDir(QFileInfo(name).path()) != directory()) setDirectory(QFileInfo(name).path());
        return;
    }
    if (acceptMode() == AcceptSave && !name.trimmed().isEmpty() &&
        !QFileInfo(QFileInfo(name).path()).isDir()) {
        QMessageBox box(QMessageBox::Warning, windowTitle(),
                        QStringLiteral("The folder does not exist:\n%1")
                            .arg(QDir::toNativeSeparators(QFileInfo(name).path())),
                        QMessageBox::Ok, this);
        box.exec();
        return;
    }
    QFileDialog::accept();
}
