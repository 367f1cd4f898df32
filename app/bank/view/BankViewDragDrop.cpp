// Dragging patches out of a bank view and dropping them into one, as the
// "Tonalith Bank Item" payload (a count, then library patch records).
#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

#include "BankCommands.h"
#include "BankView.h"
#include "Layer.h"
#include "Library.h"
#include "LibraryFile.h"
#include "MoveOrder.h"
#include "Patch.h"
#include "StringTable.h"
#include "SynthMemory.h"
#include "TonalithDoc.h"
#include "Ui.h"

namespace {
// Which view a drag started in; never leaves the process's meaning.
constexpr const char* kSourceMime = "application/x-tonalith-bank-view";

QByteArray SourceTag(const void* view) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ":" +
           QByteArray::number(reinterpret_cast<quintptr>(view));
}

// Patches of the bank's own types are made from its layers, so a bank whose
// plug-in the factory does not list (one made by a tool) still takes drops.
LibraryFile::Payload ReadPayload(const QMimeData& data, const CSynthMemory& memory) {
    const QByteArray bytes = data.data(LibraryFile::kBankItemMimeType);
    const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    PatchCreator factory = LibraryFile::FactoryCreator();
    PatchCreator create = [&memory, factory](const GUID& type) -> std::unique_ptr<CPatch> {
        for (int i = 0; i < memory.GetLayerCount(); ++i) {
            const CLayer& layer = memory.GetLayer(i);
            if (layer.GetPatchCount() > 0 && layer.GetPatch(0)->GetPatchType() == type) {
                std::unique_ptr<CPatch> patch = layer.GetPatch(0)->Clone();
                patch->Init();
                return patch;
            }
        }
        return factory(type);
    };
    return LibraryFile::ReadPayload(std::span<const std::uint8_t>(begin, static_cast<std::size_t>(bytes.size())),
                                    create);
}
}  // namespace

std::unique_ptr<QMimeData> CTonalithView::CreateDragData() const {
    std::vector<std::unique_ptr<CLibraryPatch>> entries;
    std::vector<const CLibraryPatch*> pointers;
    for (const auto& patch : Selection().GetSelectedPatches()) {
        entries.push_back(std::make_unique<CLibraryPatch>(*patch));
        pointers.push_back(entries.back().get());
    }
    const std::vector<std::uint8_t> payload = LibraryFile::WritePayload(pointers);
    auto mime = std::make_unique<QMimeData>();
    mime->setData(LibraryFile::kBankItemMimeType,
                  QByteArray(reinterpret_cast<const char*>(payload.data()), static_cast<qsizetype>(payload.size())));
    mime->setData(kSourceMime, SourceTag(this));
    return mime;
}

bool CTonalithView::IsOwnDrag(const QMimeData& mime) const {
    return m_ownDrag || mime.data(kSourceMime) == SourceTag(this);
}

void CTonalithView::StartDrag() {
    auto* drag = new QDrag(this);  // Qt deletes it when the drag ends
    drag->setMimeData(CreateDragData().release());
    m_ownDrag = true;
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    m_ownDrag = false;
    Selection().ClearHighlights();
}

Qt::DropAction CTonalithView::DragOver(const QMimeData& mime, QPoint viewportPoint) {
    if (!mime.hasFormat(LibraryFile::kBankItemMimeType)) return Qt::IgnoreAction;
    const LibraryFile::Payload payload = ReadPayload(mime, *m_document->GetMemory());
    for (const auto& entry : payload.entries)
        if (!entry->GetPatch() || entry->GetPatch()->GetPatchType() != m_patchType) return Qt::IgnoreAction;
    if (!payload.complete || payload.entries.empty()) return Qt::IgnoreAction;
    const QPoint logical = ToLogical(viewportPoint);
    const int hit = Grid().HitTest(logical.x(), logical.y());
    CLayerSelection& selection = Selection();
    if (hit == -1) {
        selection.ClearHighlights();
        return Qt::IgnoreAction;
    }
    const int n = static_cast<int>(payload.entries.size());
    const int count = m_layer->GetPatchCount();
    const int start = DropStart(hit, n, count);
    for (int i = 0; i < count; ++i) selection.SetHighlight(i, i >= start && i < start + n);
    return IsOwnDrag(mime) ? Qt::MoveAction : Qt::CopyAction;
}

void CTonalithView::DragLeave() { Selection().ClearHighlights(); }

bool CTonalithView::Drop(const QMimeData& mime, Qt::DropAction action) {
    if (action != Qt::CopyAction && action != Qt::MoveAction) return false;
    CLayerSelection& selection = Selection();
    const int a = selection.GetFirstHighlighted();
    selection.ClearHighlights();
    if (a < 0) return false;
    if (!IsOwnDrag(mime)) {
        const LibraryFile::Payload payload = ReadPayload(mime, *m_document->GetMemory());
        const int n = static_cast<int>(payload.entries.size());
        if (n > m_layer->GetPatchCount() || a + n > m_layer->GetPatchCount()) {
            CUi::Get().MessageBox(CStringTable::Get(61243), CUi::Icon::Warning);
            return false;
        }
        for (const auto& entry : payload.entries)
            if (!entry->GetPatch() || entry->GetPatch()->GetPatchType() != m_patchType) return false;
        for (int i = 0; i < n; ++i) {
            auto command = std::make_unique<CPasteCommand>();
            command->SetValues(*m_layer, a + i, *m_layer->GetPatch(a + i),
                               *payload.entries[static_cast<std::size_t>(i)]->GetPatch(), this, m_document.get(),
                               m_layerIndex);
            Execute(std::move(command));
        }
        return n > 0;
    }
    if (a == selection.GetFocus()) return false;
    const std::vector<int> selected = selection.GetSelectedIndexes();
    if (selected.empty()) return false;
    std::vector<std::uint32_t> order = MoveOrder::Build(m_layer->GetPatchCount(), selected, a);
    Execute(std::make_unique<CMovePatchesCommand>(this, *m_document->GetMemory(), m_layerIndex, std::move(order), a,
                                                  static_cast<int>(selected.size())));
    return true;
}

void CTonalithView::dragEnterEvent(QDragEnterEvent* event) {
    const Qt::DropAction action = DragOver(*event->mimeData(), event->position().toPoint());
    if (action == Qt::IgnoreAction && !event->mimeData()->hasFormat(LibraryFile::kBankItemMimeType)) {
        event->ignore();
        return;
    }
    // Accept the enter so moves follow; the effect is decided per position.
    event->setDropAction(action == Qt::IgnoreAction ? Qt::CopyAction : action);
    event->accept();
}

void CTonalithView::dragMoveEvent(QDragMoveEvent* event) {
    const Qt::DropAction action = DragOver(*event->mimeData(), event->position().toPoint());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void CTonalithView::dragLeaveEvent(QDragLeaveEvent*) { DragLeave(); }

void CTonalithView::dropEvent(QDropEvent* event) {
    // Recompute the target: a synthetic drop may arrive without a move before it.
    const Qt::DropAction action = DragOver(*event->mimeData(), event->position().toPoint());
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    Drop(*event->mimeData(), action);
    event->accept();
}
