#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Document.h"

class CBasicCommand;
class CCmdManager;
class CLibraryDocument;
class CLibraryModel;
class CLibraryTable;
class CPatch;
class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QTableView;

// The library window: one row per entry that passes the search filter, sorted by
// a column. Every change is an undoable command on the view's command manager.
class CLibraryView final : public QWidget, public CView {
    Q_OBJECT

public:
    static constexpr const char* kReferencesMessage =
        "The selected patches contain references to patches in other layers.\n"
        "The Tonalith! library does not support this type of patch at the moment.\n"
        "The patches are not added to the library.";

    explicit CLibraryView(std::unique_ptr<CLibraryDocument> document, QWidget* parent = nullptr);
    ~CLibraryView() override;

    CLibraryDocument& GetDocument() const { return *m_document; }
    CCmdManager& GetCommands() const { return *m_commands; }
    CLibraryModel& Model() const { return *m_model; }
    QTableView& Table() const;
    QMenu& LibraryMenu() const { return *m_menu; }
    QString FilterPaneText() const;
    QString CountPaneText() const;

    // The library indices of the selected rows, top to bottom.
    std::vector<int> SelectedIndices() const;
    void SelectIndices(const std::vector<int>& indices);
    bool HasSelection() const;
    // The patch of the focused selected row (else of the first selected row); null without a selection.
    const CPatch* FocusedPatch() const;

    // Tests route auditions here instead of the MIDI output.
    static void SetAuditionSink(std::function<void(const CPatch&)> sink);

    // Adds patches as new entries (one command); refuses patches with references.
    bool AddPatches(const std::vector<const CPatch*>& patches);
    // The drag payload of the selected rows.
    std::unique_ptr<QMimeData> CreateDragData() const;
    // Adds the patches of a "Tonalith Bank Item" payload; false when nothing was added.
    bool Drop(const QMimeData& mime);
    bool IsOwnDrag(const QMimeData& mime) const;

    bool Save();
    bool SaveAs();
    void SortByColumn(int column);  // the undoable header click
    void RefreshSettings();
    // Sizes the columns to their titles and the texts of the first rows.
    void FitColumns();
    static constexpr int kMaxTools = 9;
    // The plug-ins' library tools, in plug-in and tool order, for the Tools menu.
    std::vector<std::string> GetToolMenuTexts() const;
    void OnRunTool(int k);
    // Column widths and sort column for the window layout: "w0,...,w11;sort".
    std::string ColumnLayout() const;
    void ApplyColumnLayout(const std::string& layout);

    void OnUpdate(CView* sender, long hint, const void* hintObject) override;

public slots:
    void OnCopy();
    void OnPaste();
    void OnDelete();
    void OnEdit();
    void OnRename();
    void OnSelectAll();
    void OnProperties();
    void OnKeys();
    void OnFind();
    void OnFindDoubles();
    void OnImportFiles();
    void OnUndo();
    void OnRedo();

signals:
    // Selection, undo stack or modified flag changed: menus and toolbar follow.
    void StateChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    static constexpr int kTextColumnWidth = 100;
    static constexpr int kFitRows = 100;  // rows measured by FitColumns
    friend class CLibraryTable;
    void Execute(std::unique_ptr<CBasicCommand> command);
    void UpdatePanes();
    void UpdateTitle();
    void Audition(int row);
    void StartDrag();
    int FocusedIndex() const;

    std::unique_ptr<CLibraryDocument> m_document;
    std::unique_ptr<CCmdManager> m_commands;
    CLibraryModel* m_model;
    CLibraryTable* m_table;
    QLabel* m_filterPane;
    QLabel* m_countPane;
    QMenu* m_menu;
    QMenu* m_contextMenu;
    bool m_ownDrag = false;
};
