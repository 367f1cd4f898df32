#pragma once

#include <QAbstractScrollArea>
#include <QFont>

#include <functional>
#include <memory>
#include <vector>

#include "BankGrid.h"
#include "Document.h"
#include "Guid.h"
#include "LayerSelection.h"

class CCmdManager;
class CLayer;
class CPatch;
class CTonalithDoc;
class QMenu;
class QMimeData;
class QPainter;
class QPrinter;

// One layer of a bank at a time as a grid of patch cells, column by column.
// Every change goes through an undoable command on the view's command manager.
class CTonalithView final : public QAbstractScrollArea, public CView, public IBankView {
    Q_OBJECT

public:
    static constexpr int kMaxTools = 10;

    // Takes the document (one view per bank).
    explicit CTonalithView(std::unique_ptr<CTonalithDoc> document, QWidget* parent = nullptr);
    ~CTonalithView() override;

    CTonalithDoc& GetDocument() const { return *m_document; }
    CCmdManager& GetCommands() const { return *m_commands; }
    int GetCurrentLayerIndex() const override { return m_layerIndex; }
    CLayer& GetCurrentLayer() const { return *m_layer; }
    CLayerSelection& GetLayerSelection(int layer) override { return *m_selections.at(static_cast<std::size_t>(layer)); }
    CLayerSelection& Selection() const { return *m_selections.at(static_cast<std::size_t>(m_layerIndex)); }
    const CBankGrid& Grid() const { return m_grids.at(static_cast<std::size_t>(m_layerIndex)); }
    void RepaintCell(int index) override;
    void AuditionPatch(int index) override;
    bool IsPatchUsed(int index);

    // Tests and benchmarks route auditions here instead of the MIDI output.
    static void SetAuditionSink(std::function<void(const CPatch&)> sink);

    // Fonts and layout again after the settings changed.
    void RefreshSettings();
    void SelectLayer(int index);
    // The bank's tools for the Tools menu, in command order.
    std::vector<std::string> GetToolMenuTexts() const;

    // The drag payload of the current selection, marked as coming from this view.
    std::unique_ptr<QMimeData> CreateDragData() const;
    // Drag over at a viewport point: the effect, with the target cells highlighted.
    Qt::DropAction DragOver(const QMimeData& mime, QPoint viewportPoint);
    void DragLeave();
    // Drops the data onto the highlighted cells; true when something changed.
    bool Drop(const QMimeData& mime, Qt::DropAction action);

    // Draws the current layer's grid, cells meeting clip (logical); with marks, the
    // selection, drop highlight and focus as on screen.
    void PaintGrid(QPainter& painter, const QRect& clip, bool marks = true);
    // The printed page's header: the document's file name and the layer's name.
    QString PrintHeader() const;
    // One printed page into page (device pixels): the header, then the grid scaled to fit.
    void PaintPage(QPainter& painter, const QRect& page);
    void Print(QPrinter& printer);

    // File commands of the frame.
    bool Save();
    bool SaveAs();

    void OnUpdate(CView* sender, long hint, const void* hintObject) override;

public slots:
    void OnEdit();
    void OnCopy();
    void OnPaste();
    void OnInit();
    void OnWrite();
    void OnCopyToClipboard();
    void OnCopyNamesToClipboard();
    void OnLayerDependencies();
    void OnSaveLayers();
    void OnUndo();
    void OnRedo();
    void OnRunTool(int k);
    void OnPrint();
    void OnPrintPreview();
    void Rename();

signals:
    // Selection, layer, undo stack or modified flag changed: menus and toolbar follow.
    void StateChanged();
    // A Write is about to go to the synth, or the document closes: a MIDI file
    // playing to the synth must stop first.
    void SynthNeeded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildFonts();
    void BuildLayout();
    void UpdateScrollBars();
    // Scrolls the least whole rows and columns that bring cell index into sight,
    // so the bar's value is always where the first row shown starts.
    void ScrollToCell(int index);
    void UpdateTitle();
    QPoint ToLogical(QPoint viewportPoint) const;
    QRect CellRectOnViewport(int index) const;
    void ComputeUsedFlags();
    void Execute(std::unique_ptr<class CBasicCommand> command);
    void StartDrag();
    bool IsOwnDrag(const QMimeData& mime) const;

    std::unique_ptr<CTonalithDoc> m_document;
    std::unique_ptr<CCmdManager> m_commands;
    std::vector<std::unique_ptr<CLayerSelection>> m_selections;
    std::vector<CBankGrid> m_grids;
    int m_layerIndex = 0;
    CLayer* m_layer = nullptr;
    GUID m_patchType;
    QFont m_normalFont;
    QFont m_boldFont;
    std::vector<std::uint8_t> m_used;
    bool m_usedValid = false;
    int m_pending = -1;
    QPoint m_pressPoint;
    int m_tipCell = -1;
    bool m_ownDrag = false;
    QMenu* m_contextMenu = nullptr;
};
