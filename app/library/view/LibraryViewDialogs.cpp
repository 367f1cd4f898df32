// The library window's dialogs: properties, keys, search, double patches and the
// import of dump files.
#include <QApplication>
#include <QFileDialog>
#include <QProgressDialog>

#include <optional>

#include "AppConfig.h"
#include "Commands.h"
#include "Library.h"
#include "LibraryCommands.h"
#include "LibraryDialogs.h"
#include "LibraryDocument.h"
#include "LibraryImport.h"
#include "LibraryModel.h"
#include "LibraryView.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/QtUi.h"

namespace {
constexpr std::size_t kMaxReportLines = 20;
}

void CLibraryView::OnProperties() {
    const std::vector<int> indices = SelectedIndices();
    CLibrary& library = m_document->GetLibrary();
    std::optional<std::pair<std::array<std::uint8_t, 8>, std::string>> forAll;
    for (int index : indices) {
        const CLibraryPatch& current = library.Get(index);
        std::unique_ptr<CLibraryPatch> entry;
        if (forAll) {
            entry = CPropertiesCommand::MakeEntry(current, std::nullopt, forAll->first, forAll->second);
        } else {
            CPropertiesDlg dialog(m_document->GetKeyNames(), current, this);
            if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) continue;  // skips this row only
            entry = CPropertiesCommand::MakeEntry(current, dialog.GetName(), dialog.GetKeys(), dialog.GetComment());
            if (dialog.ApplyToAll()) forAll.emplace(dialog.GetKeys(), dialog.GetComment());
        }
        Execute(std::make_unique<CPropertiesCommand>(library, m_document.get(), index, current, *entry));
    }
    SelectIndices(indices);
}

void CLibraryView::OnKeys() {
    CKeysDlg dialog(m_document->GetKeyNames(), this);
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
    m_document->GetKeyNames() = dialog.GetNames();
    // Written at once: libraries opened later read their key names from the file.
    m_document->GetKeyNames().Store(CAppConfig::Get());
    CAppConfig::Get().Save();
    const std::vector<int> selected = SelectedIndices();
    m_document->UpdateAllViews(nullptr);
    SelectIndices(selected);
}

void CLibraryView::OnFind() {
    CSearchDlg dialog(m_document->GetKeyNames(), m_model->Filter(), this);
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
    m_model->SetFilter(dialog.GetFilter());
    UpdatePanes();
    emit StateChanged();
}

void CLibraryView::OnFindDoubles() {
    CDuplicatesDlg dialog(m_document->GetLibrary(), this);
    connect(&dialog, &CDuplicatesDlg::SelectFound, this, [this](const std::vector<int>& indices) {
        m_model->Rebuild();
        SelectIndices(indices);
        UpdatePanes();
        emit StateChanged();
    });
    tonalith::ui::RunDialog(dialog);
}

void CLibraryView::OnImportFiles() {
    QFileDialog chooser(this, "Import Files");
    chooser.setFileMode(QFileDialog::ExistingFiles);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setNameFilters({"System Exclusive (*.syx *.mid)", "All Files (*)"});
    if (tonalith::ui::RunDialog(chooser) != QDialog::Accepted) return;
    std::vector<std::string> paths;
    for (const QString& file : chooser.selectedFiles()) paths.push_back(file.toStdString());
    if (paths.empty()) return;

    std::vector<std::string> problems;
    const std::vector<std::string> files = LibraryImport::CollectFiles(paths, false, problems);
    QProgressDialog progress("Importing files...", "Cancel", 0, static_cast<int>(files.size()), this);
    progress.setWindowTitle("Import Files");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    LibraryImport::Result result;
    {
        tonalith::ui::CWaitCursor wait;
        result = LibraryImport::Import(m_document->GetLibrary(), files, {}, LibraryImport::FactoryReader(),
                                       [&progress](std::size_t done, std::size_t, const std::string&) {
                                           progress.setValue(static_cast<int>(done));
                                           QApplication::processEvents();
                                           return !progress.wasCanceled();
                                       });
    }
    progress.reset();
    if (result.cancelled) return;
    // One undo takes the whole import back.
    if (!result.entries.empty())
        Execute(
            std::make_unique<CImportCommand>(m_document->GetLibrary(), m_document.get(), std::move(result.entries)));
    std::string report = LibraryImport::Summary(result);
    problems.insert(problems.end(), result.lines.begin(), result.lines.end());
    for (std::size_t i = 0; i < problems.size() && i < kMaxReportLines; ++i) report += "\n" + problems[i];
    if (problems.size() > kMaxReportLines)
        report += "\n... and " + std::to_string(problems.size() - kMaxReportLines) + " more";
    CUi::Get().MessageBox(report, CUi::Icon::Information);
}
