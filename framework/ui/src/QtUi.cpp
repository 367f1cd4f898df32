#include "tonalith/ui/QtUi.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "tonalith/ui/BytemapDialog.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/FileFilter.h"
#include "tonalith/ui/ParameterEditorDlg.h"
#include "tonalith/ui/PatchText.h"

namespace tonalith::ui {

QWidget* CQtUi::Parent() const {
    if (QWidget* active = QApplication::activeWindow()) return active;
    return m_mainWindow;
}

void CQtUi::MessageBox(std::string_view text, Icon icon) {
    QMessageBox::Icon qicon = QMessageBox::Warning;
    switch (icon) {
    case Icon::Information: qicon = QMessageBox::Information; break;
    case Icon::Warning: qicon = QMessageBox::Warning; break;
    case Icon::Error: qicon = QMessageBox::Critical; break;
    case Icon::Question: qicon = QMessageBox::Question; break;
    }
    QMessageBox box(qicon, QApplication::applicationDisplayName(), FromModelText(text), QMessageBox::Ok, Parent());
    RunDialog(box);
}

bool CQtUi::AskYesNo(std::string_view text) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), FromModelText(text),
                    QMessageBox::Yes | QMessageBox::No, Parent());
    box.setDefaultButton(QMessageBox::Yes);
    return RunDialog(box) == QMessageBox::Yes;
}

std::optional<std::string> CQtUi::ChooseFile(bool save, std::string_view title, std::string_view defaultExtension,
                                             std::string_view filter) {
    QFileDialog dialog(Parent(), QString::fromStdString(std::string(title)));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(ToQtFilter(filter)));
    if (!defaultExtension.empty()) dialog.setDefaultSuffix(QString::fromStdString(std::string(defaultExtension)));
    if (m_folders.get) {
        const std::string folder = m_folders.get();
        if (!folder.empty() && QFileInfo(QString::fromStdString(folder)).isDir())
            dialog.setDirectory(QString::fromStdString(folder));
    }
    if (RunDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = dialog.selectedFiles().front();
    if (m_folders.set) m_folders.set(QFileInfo(path).absolutePath().toStdString() + "/");
    return path.toStdString();
}

std::optional<std::string> CQtUi::ChooseOpenFile(std::string_view title, std::string_view filter) {
    return ChooseFile(false, title, {}, filter);
}

std::optional<std::string> CQtUi::ChooseSaveFile(std::string_view title, std::string_view defaultExtension,
                                                 std::string_view filter) {
    return ChooseFile(true, title, defaultExtension, filter);
}

void CQtUi::ShowHex(std::span<const std::uint8_t> data, std::string_view title) {
    CBytemapDialog dialog(data, QString::fromStdString(std::string(title)), Parent());
    RunDialog(dialog);
}

bool CQtUi::EditParameters(CPatch& patch, const CParameterTable& table) {
    CParameterEditorDlg dialog(patch, table, Parent());
    return RunDialog(dialog) == QDialog::Accepted;
}

void CQtUi::SetWaitCursor(bool on) {
    if (!qApp) return;
    if (on) {
        if (m_waitDepth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_waitDepth > 0 && --m_waitDepth == 0) {
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace tonalith::ui
