#pragma once

// The two widgets inside the form window: the canvas that hosts the controls and
// takes the mouse in the design modes, and the overlay drawn above the controls.

#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QWidget>

#include <array>

#include "ControllerView.h"
#include "DesignSurface.h"

inline QRect ToQRect(const CRect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }

// The form's surface: hosts the controls and takes the mouse in the design modes.
class CFormCanvas final : public QWidget {
public:
    explicit CFormCanvas(CControllerView& view) : QWidget(), m_view(view) {
        setFixedSize(CDesignSurface::kFormWidth, CDesignSurface::kFormHeight);
        setFocusPolicy(Qt::StrongFocus);
        setAcceptDrops(true);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override { m_view.CanvasPress(*event); }
    void mouseMoveEvent(QMouseEvent* event) override { m_view.CanvasMove(*event); }
    void mouseReleaseEvent(QMouseEvent* event) override { m_view.CanvasRelease(*event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { m_view.CanvasDoubleClick(*event); }
    void keyPressEvent(QKeyEvent* event) override {
        if (!m_view.CanvasKey(*event)) QWidget::keyPressEvent(event);
    }
    // In the design modes the keyboard moves items; Tab does not wander into the controls.
    bool focusNextPrevChild(bool next) override {
        return m_view.GetMode() == CControllerView::RunMode && QWidget::focusNextPrevChild(next);
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (m_view.GetMode() == CControllerView::DesignMode) m_view.m_contextMenu->popup(event->globalPos());
    }
    void dragEnterEvent(QDragEnterEvent* event) override { Accept(*event); }
    void dragMoveEvent(QDragMoveEvent* event) override { Accept(*event); }
    void dropEvent(QDropEvent* event) override {
        if (!Acceptable(*event->mimeData())) {
            event->ignore();
            return;
        }
        event->setDropAction(m_view.IsOwnDrag(*event->mimeData()) ? Qt::MoveAction : Qt::CopyAction);
        event->accept();
        m_view.Drop(*event->mimeData(), event->position().toPoint());
    }

private:
    bool Acceptable(const QMimeData& mime) const {
        return m_view.GetMode() == CControllerView::DesignMode && mime.hasFormat(CControllerView::kMimeType);
    }
    void Accept(QDragMoveEvent& event) {
        if (!Acceptable(*event.mimeData())) {
            event.ignore();
            return;
        }
        event.setDropAction(m_view.IsOwnDrag(*event.mimeData()) ? Qt::MoveAction : Qt::CopyAction);
        event.accept();
    }

    CControllerView& m_view;
};

// Drawn over the controls: selection handles, the rubber band and the tab numbers.
class CFormOverlay final : public QWidget {
public:
    static constexpr int kHandle = 6;

    CFormOverlay(CControllerView& view, QWidget* parent) : QWidget(parent), m_view(view) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setGeometry(0, 0, CDesignSurface::kFormWidth, CDesignSurface::kFormHeight);
    }
    // The eight handles of a rectangle: corners and edge middles, clockwise from top-left.
    static std::array<QRect, 8> Handles(const QRect& r) {
        const int h = kHandle;
        const int cx = r.center().x() - h / 2;
        const int cy = r.center().y() - h / 2;
        const int l = r.left() - h / 2, t = r.top() - h / 2, rr = r.right() - h / 2 + 1, b = r.bottom() - h / 2 + 1;
        return {QRect(l, t, h, h),  QRect(cx, t, h, h), QRect(rr, t, h, h), QRect(rr, cy, h, h),
                QRect(rr, b, h, h), QRect(cx, b, h, h), QRect(l, b, h, h),  QRect(l, cy, h, h)};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const CControllerDocument& doc = m_view.GetDocument();
        if (m_view.GetMode() == CControllerView::TabOrderMode) {
            const auto& order = doc.GetTabOrder();
            QFont bold = font();
            bold.setBold(true);
            painter.setFont(bold);
            for (std::size_t k = 0; k < order.size(); ++k) {
                if (order[k] >= doc.GetItemCount()) continue;
                const QRect item = ToQRect(doc.GetItem(order[k]).GetRect());
                const QString number = QString::number(k + 1);
                QRect label(item.topLeft(),
                            QSize(painter.fontMetrics().horizontalAdvance(number) + 6, painter.fontMetrics().height()));
                painter.fillRect(label, Qt::white);
                painter.setPen(Qt::red);
                painter.drawText(label, Qt::AlignCenter, number);
            }
            return;
        }
        const CDesignSurface& surface = m_view.GetSurface();
        for (int position : surface.GetSelection()) {
            if (position >= doc.GetItemCount()) continue;
            const QRect r = m_view.ShownRect(position);
            painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(r.adjusted(-1, -1, 0, 0));
            const bool focused = position == surface.GetFocused();
            painter.setPen(Qt::black);
            painter.setBrush(focused ? QBrush(Qt::black) : QBrush(Qt::white));
            for (const QRect& handle : Handles(r)) painter.drawRect(handle.adjusted(0, 0, -1, -1));
        }
        if (m_view.m_tracking == CControllerView::Tracking::Band ||
            m_view.m_tracking == CControllerView::Tracking::Insert) {
            painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRect(m_view.m_press, m_view.m_current).normalized());
        }
    }

private:
    CControllerView& m_view;
};
