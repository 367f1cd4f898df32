#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Document.h"
#include "LibraryEngine.h"

class CLibraryDocument;
class CLibraryTableModel;
class CLibraryPatch;
class CPatch;
class QLabel;
class QMimeData;
class QTableView;

// Library texts the window shows.
namespace LibraryViewTexts {
inline constexpr const char* kReferencesRefused =
    "Patches with references to other layers cannot be stored in the library.";
}

// The library window: the entry table, the two status panes and the edit
// commands, each undoable through the window's own command manager.
class CLibraryView : public QWidget, public CView {
    Q_OBJECT
public:
    CLibraryView(CLibraryDocument& document, LibraryEngine::MemoryNameLookup memoryName, QWidget* parent = nullptr);
    ~CLibraryView() override;

    void OnUpdate(CView* sender, long hint, const void* hintObject) override;

    CLibraryDocument& GetDocument() { return m_document; }
    CCmdManager& GetCommands() { return m_commands; }
    CLibraryTableModel& GetModel() { return *m_model; }
    QTableView& GetTable() { return *m_table; }

    // Library indices of the selected rows, top to bottom.
    std::vector<int> SelectedIndices() const;
    void SelectIndices(const std::vector<int>& indices);

    void SetFilter(LibraryEngine::CSearchFilter filter);
    // Sorting through the header is undoable.
    void SortByColumn(int column);

    void DeleteSelection();
    // Renames an entry's patch (its name cut to the type's length), undoable.
    void Rename(int index, const std::string& name);
    void SelectAll();
    // The selected entries as a drag/clipboard payload; empty when nothing is selected.
    std::unique_ptr<QMimeData> CopySelection() const;
    // Adds the payload's patches as one undoable paste; a payload with a patch
    // that refers to other layers is refused whole with a message. False when nothing was added.
    bool PasteMimeData(const QMimeData& data);

    // Copy puts the selected patches into the copybox; Paste files every patch
    // of the copybox as one undoable command (refusing patches with references).
    void CopyToCopyBox() const;
    bool PasteFromCopyBox();

    // Called with the patch of the row that became current (audition).
    void SetAuditionHandler(std::function<void(const CPatch&)> handler) { m_audition = std::move(handler); }

    QString FilterPaneText() const;
    QString CountPaneText() const;

    // Column widths and sort column for the layout.
    QByteArray SaveLayout() const;
    void RestoreLayout(const QByteArray& state);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool PasteEntries(std::vector<std::unique_ptr<CLibraryPatch>> entries);
    void UpdatePanes();
    void OnCurrentChanged(const QModelIndex& current);

    CLibraryDocument& m_document;
    CCmdManager m_commands;
    CLibraryTableModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_filterPane = nullptr;
    QLabel* m_countPane = nullptr;
    std::function<void(const CPatch&)> m_audition;
};
