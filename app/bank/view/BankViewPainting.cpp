// The bank view's fonts, grid layout, scrolling, painting and printing.
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>

#include "AppConfig.h"
#include "BankView.h"
#include "Layer.h"
#include "Patch.h"
#include "SynthMemory.h"
#include "TonalithDoc.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/PatchText.h"

void CTonalithView::BuildFonts() {
    const CAppConfig& config = CAppConfig::Get();
    m_normalFont = QFont(QString::fromStdString(config.m_fontType));
    m_normalFont.setPixelSize(std::max(1, config.m_viewFontSize));
    m_normalFont.setWeight(QFont::Normal);
    m_boldFont = m_normalFont;
    m_boldFont.setWeight(QFont::Bold);
}

void CTonalithView::BuildLayout() {
    const QFontMetrics metrics(m_normalFont);
    const int patchesInColumn = CAppConfig::Get().m_patchesInCol;
    CSynthMemory& memory = *m_document->GetMemory();
    for (int i = 0; i < memory.GetLayerCount(); ++i) {
        const CLayer& layer = memory.GetLayer(i);
        const int nameLength = layer.GetPatchCount() > 0 ? layer.GetPatch(0)->GetNameLength() : 1;
        const QString sample(std::max(1, nameLength), QLatin1Char('W'));
        m_grids[static_cast<std::size_t>(i)] =
            MakeGrid(metrics.horizontalAdvance(sample), metrics.height(), patchesInColumn, layer.GetPatchCount());
    }
}

void CTonalithView::RefreshSettings() {
    BuildFonts();
    BuildLayout();
    UpdateScrollBars();
    viewport()->update();
}

void CTonalithView::UpdateScrollBars() {
    const CBankGrid& grid = Grid();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, grid.TotalWidth() - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, grid.TotalHeight() - view.height()));
    // A step moves half a cell across and one cell down.
    horizontalScrollBar()->setSingleStep(std::max(1, grid.cellWidth / 2));
    verticalScrollBar()->setSingleStep(grid.cellHeight);
    horizontalScrollBar()->setPageStep(std::max(1, view.width()));
    verticalScrollBar()->setPageStep(std::max(1, view.height()));
}

namespace {
// The bar value that shows the cell starting at start and size long within a
// view of length span, moving by whole cells.
int ScrollValueFor(const QScrollBar& bar, int start, int size, int span) {
    if (start < bar.value()) return start;
    if (start + size <= bar.value() + span) return bar.value();
    const int beyond = start + size - span;
    return std::min(bar.maximum(), (beyond + size - 1) / size * size);
}
}  // namespace

void CTonalithView::ScrollToCell(int index) {
    const CBankGrid& grid = Grid();
    if (index < 0 || index >= grid.patchCount) return;
    const int p = std::max(1, grid.patchesInColumn);
    const QSize view = viewport()->size();
    QScrollBar& across = *horizontalScrollBar();
    QScrollBar& down = *verticalScrollBar();
    across.setValue(ScrollValueFor(across, index / p * grid.cellWidth, grid.cellWidth, view.width()));
    down.setValue(ScrollValueFor(down, index % p * grid.cellHeight, grid.cellHeight, view.height()));
}

void CTonalithView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CTonalithView::scrollContentsBy(int, int) { viewport()->update(); }

QPoint CTonalithView::ToLogical(QPoint p) const {
    return p + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QRect CTonalithView::CellRectOnViewport(int index) const {
    const CBankGrid::Rect r = Grid().CellRect(index);
    return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom))
        .translated(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
}

void CTonalithView::RepaintCell(int index) {
    if (index < 0 || index >= Grid().patchCount) return;
    viewport()->update(CellRectOnViewport(index).adjusted(-1, -1, 1, 1));
}

void CTonalithView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    painter.translate(-offset);
    PaintGrid(painter, event->rect().translated(offset));
}

void CTonalithView::PaintGrid(QPainter& painter, const QRect& clip, bool marks) {
    const CBankGrid& grid = Grid();
    const CLayerSelection& selection = Selection();
    const QPalette& pal = palette();
    const QFontMetrics normalMetrics(m_normalFont);
    const int p = std::max(1, grid.patchesInColumn);
    // Only the columns and rows the clip touches.
    const int firstColumn = std::max(0, (clip.left() - 1) / grid.cellWidth);
    const int lastColumn = std::min(grid.Columns() - 1, (clip.right() + 1) / grid.cellWidth);
    const int firstRow = std::max(0, (clip.top() - 1) / grid.cellHeight);
    const int lastRow = std::min(p - 1, (clip.bottom() + 1) / grid.cellHeight);
    for (int c = firstColumn; c <= lastColumn; ++c) {
        for (int r = firstRow; r <= lastRow; ++r) {
            const int i = c * p + r;
            if (i >= grid.patchCount) break;
            const CBankGrid::Rect cr = grid.CellRect(i);
            const QRect rect(QPoint(cr.left, cr.top), QPoint(cr.right, cr.bottom));
            QColor background = pal.color(QPalette::Base);
            QColor text = pal.color(QPalette::Text);
            if (!marks) {
                // Paper shows the patches, not what happened to be selected on screen.
                background = Qt::white;
                text = Qt::black;
            } else if (selection.IsHighlighted(i)) {
                background = QColor(192, 192, 192);
            } else if (selection.IsSelected(i)) {
                background = pal.color(QPalette::Highlight);
                text = pal.color(QPalette::HighlightedText);
            }
            painter.fillRect(rect, background);
            painter.setFont(IsPatchUsed(i) ? m_boldFont : m_normalFont);
            painter.setPen(text);
            painter.drawText(c * grid.cellWidth + 3, r * grid.cellHeight + 3 + normalMetrics.ascent(),
                             tonalith::ui::FromPatchText(m_layer->GetPatchLabel(i)));
            if (marks && selection.IsFocused(i)) {
                painter.setPen(QColor(200, 0, 0));
                painter.drawRect(rect.adjusted(1, 1, -2, -2));
            } else {
                painter.setPen(Qt::black);
                painter.drawRect(rect.adjusted(0, 0, -1, -1));
            }
        }
    }
}

QString CTonalithView::PrintHeader() const {
    return QString::fromStdString(m_document->GetTitle()) + QStringLiteral(" \u2014 ") +
           QString::fromStdString(m_layer->GetName());
}

void CTonalithView::PaintPage(QPainter& painter, const QRect& page) {
    painter.save();
    // The header's size follows the page, whatever the printer's resolution.
    QFont headerFont = m_boldFont;
    headerFont.setPixelSize(std::max(1, page.height() / 60));
    painter.setFont(headerFont);
    painter.setPen(Qt::black);
    const int headerHeight = QFontMetrics(headerFont).height();
    painter.drawText(QRect(page.left(), page.top(), page.width(), headerHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     PrintHeader());
    const int gap = headerHeight / 2;
    painter.drawLine(page.left(), page.top() + headerHeight + gap / 2, page.right(),
                     page.top() + headerHeight + gap / 2);
    const QRect body = page.adjusted(0, headerHeight + gap, 0, 0);
    // The grid fills the rest of the page, scaled the same in both directions.
    const CBankGrid& grid = Grid();
    const double sx = static_cast<double>(body.width()) / std::max(1, grid.TotalWidth() + 1);
    const double sy = static_cast<double>(body.height()) / std::max(1, grid.TotalHeight() + 1);
    painter.translate(body.topLeft());
    painter.scale(std::min(sx, sy), std::min(sx, sy));
    PaintGrid(painter, QRect(0, 0, grid.TotalWidth() + 1, grid.TotalHeight() + 1), false);
    painter.restore();
}

void CTonalithView::Print(QPrinter& printer) {
    QPainter painter(&printer);
    if (!painter.isActive()) return;
    PaintPage(painter, painter.viewport());
}

void CTonalithView::OnPrint() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (tonalith::ui::RunDialog(dialog) == QDialog::Accepted) Print(printer);
}

void CTonalithView::OnPrintPreview() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { Print(*p); });
    tonalith::ui::RunDialog(dialog);
}
