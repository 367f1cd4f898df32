// Mouse, keyboard, context menu, tool tips and rename of the bank view.
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

#include "BankDialogs.h"
#include "BankView.h"

#include "Cp1252.h"
#include "Commands.h"
#include "Layer.h"
#include "Patch.h"
#include "SynthMemory.h"
#include "TonalithDoc.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/PatchText.h"

void CTonalithView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint logical = ToLogical(event->position().toPoint());
    m_pending = Grid().HitTest(logical.x(), logical.y());
    if (m_pending == -1) return;
    m_pressPoint = logical;
    const Qt::KeyboardModifiers mods = event->modifiers();
    BankRules::LeftDown(Selection(), m_pending, mods & Qt::ControlModifier, mods & Qt::ShiftModifier);
    emit StateChanged();
}

void CTonalithView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_pending == -1) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int pending = m_pending;
    m_pending = -1;
    if (BankRules::LeftUp(Selection(), pending, mods & Qt::ControlModifier, mods & Qt::ShiftModifier))
        AuditionPatch(pending);
    emit StateChanged();
}

void CTonalithView::mouseMoveEvent(QMouseEvent* event) {
    if (m_pending == -1 || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint logical = ToLogical(event->position().toPoint());
    const QPoint d = logical - m_pressPoint;
    if (!BankRules::IsDragDistance(d.x(), d.y())) return;
    if ((event->modifiers() & Qt::ControlModifier) && m_pending != Selection().GetFocus())
        BankRules::DragWithCtrl(Selection(), m_pending);
    m_pending = -1;
    StartDrag();
}

void CTonalithView::keyPressEvent(QKeyEvent* event) {
    const int a = Selection().GetFocus();
    const int count = m_layer->GetPatchCount();
    const int p = Grid().patchesInColumn;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    int target = -1;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: AuditionPatch(a); return;
    case Qt::Key_Left: target = NavigationTarget(NavKey::Left, a, count, p); break;
    case Qt::Key_PageUp: target = NavigationTarget(NavKey::PageUp, a, count, p); break;
    case Qt::Key_Right: target = NavigationTarget(NavKey::Right, a, count, p); break;
    case Qt::Key_PageDown: target = NavigationTarget(NavKey::PageDown, a, count, p); break;
    case Qt::Key_Home: target = NavigationTarget(NavKey::Home, a, count, p); break;
    case Qt::Key_End: target = NavigationTarget(NavKey::End, a, count, p); break;
    case Qt::Key_Up: target = NavigationTarget(NavKey::Up, a, count, p); break;
    case Qt::Key_Down: target = NavigationTarget(NavKey::Down, a, count, p); break;
    case Qt::Key_A:
        if (event->modifiers() & Qt::ControlModifier) {
            Selection().SelectAll();
            emit StateChanged();
        }
        return;
    case Qt::Key_F2:
        Rename();
        target = a;
        break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    if (a < 0 && target < 0) return;
    BankRules::Navigate(Selection(), target, shift);
    ScrollToCell(Selection().GetFocus());
    emit StateChanged();
}

void CTonalithView::contextMenuEvent(QContextMenuEvent* event) {
    const QSize size = m_contextMenu->sizeHint();
    m_contextMenu->popup(event->globalPos() - QPoint(size.width() / 2, 0));
}

bool CTonalithView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QPoint logical = ToLogical(help->pos());
        const int i = Grid().HitTest(logical.x(), logical.y());
        const std::string text = i >= 0 ? m_layer->GetInfoForPatch(i) : std::string();
        if (text.empty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tonalith::ui::FromModelText(text), viewport(), CellRectOnViewport(i));
        }
        m_tipCell = i;
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CTonalithView::Rename() {
    const int a = Selection().GetFocus();
    if (a < 0) return;
    const std::unique_ptr<CPatch> changed = m_layer->GetPatch(a)->Clone();
    const std::unique_ptr<CPatch> original = m_layer->GetPatch(a)->Clone();
    CChangeNameDlg dialog(*changed, m_normalFont, this);
    const QRect cell = CellRectOnViewport(a);
    dialog.move(viewport()->mapToGlobal(cell.topLeft()));
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
    std::string lost;  // what the code page cannot hold, as typed
    const std::string name = dialog.GetName(&lost);
    const auto trimmed = [](std::string text) {
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    };
    if (name == trimmed(changed->GetName())) return;  // names are padded with blanks; the dialog shows them trimmed
    changed->SetName(name);
    // The synth may hold fewer characters still: say which ones did not survive.
    const std::string stored = trimmed(changed->GetName());
    for (std::size_t i = 0; i < std::min(name.size(), stored.size()); ++i) {
        const std::string typed = cp1252::ToUtf8(name.substr(i, 1));
        if (name[i] != stored[i] && name[i] != '?' && lost.find(typed) == std::string::npos) lost += typed;
    }
    if (!lost.empty())
        CUi::Get().MessageBox("A patch name cannot hold these characters, so they became \"?\": " + lost +
                                  "\nThe name is now \"" + cp1252::ToUtf8(stored) + "\".",
                              CUi::Icon::Warning);
    auto command = std::make_unique<CEditCommand>();
    command->SetValues(*m_layer, a, *original, *changed, this, m_document.get(), m_layerIndex);
    Execute(std::move(command));
}
