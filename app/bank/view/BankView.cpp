#include "BankView.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QScrollBar>

#include "AppConfig.h"
#include "BankCommands.h"
#include "BankDialogs.h"
#include "CopyBox.h"
#include "CopyBoxDlg.h"
#include "File.h"
#include "FileX.h"
#include "LayerDependenciesDlg.h"
#include "Functions.h"
#include "Layer.h"
#include "Patch.h"
#include "StringTable.h"
#include "Synth.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TonalithDoc.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/QtUi.h"
#include "tonalith/ui/PatchText.h"

namespace {
std::function<void(const CPatch&)>& AuditionSink() {
    static std::function<void(const CPatch&)> sink;
    return sink;
}
}  // namespace

void CTonalithView::SetAuditionSink(std::function<void(const CPatch&)> sink) { AuditionSink() = std::move(sink); }

CTonalithView::CTonalithView(std::unique_ptr<CTonalithDoc> document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(std::move(document)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    CSynthMemory& memory = *m_document->GetMemory();
    for (int i = 0; i < memory.GetLayerCount(); ++i)
        m_selections.push_back(std::make_unique<CLayerSelection>(i, memory.GetLayer(i), this));
    m_commands = std::make_unique<CCmdManager>(m_document.get());
    m_document->AddView(this);
    m_document->SetModifiedListener([this](bool) {
        UpdateTitle();
        emit StateChanged();
    });
    m_grids.resize(static_cast<std::size_t>(memory.GetLayerCount()));

    m_contextMenu = new QMenu(this);
    m_contextMenu->addAction("&Copy", this, &CTonalithView::OnCopy);
    m_contextMenu->addAction("P&aste...", this, &CTonalithView::OnPaste);
    m_contextMenu->addAction("&Edit...", this, &CTonalithView::OnEdit);
    m_contextMenu->addAction("&Init", this, &CTonalithView::OnInit);
    m_contextMenu->addAction("&Write", this, &CTonalithView::OnWrite);

    BuildFonts();
    BuildLayout();
    // A bank opens on the first layer its file filled, not on blanks it never held.
    int first = 0;
    for (int l = 0; l < memory.GetLayerCount(); ++l)
        if (memory.GetLayer(l).IsInFile()) {
            first = l;
            break;
        }
    SelectLayer(first);
    UpdateTitle();
}

CTonalithView::~CTonalithView() {
    // Commands hold patches of the plug-in; they go before the memory.
    m_commands.reset();
    m_document->RemoveView(this);
    m_document->SetModifiedListener({});
}

void CTonalithView::UpdateTitle() {
    setWindowTitle(QString::fromStdString(m_document->GetTitle()) + "[*]");
    setWindowModified(m_document->IsModified());
    if (parentWidget()) {
        parentWidget()->setWindowTitle(windowTitle());
        parentWidget()->setWindowModified(m_document->IsModified());
    }
}

void CTonalithView::SelectLayer(int index) {
    CSynthMemory& memory = *m_document->GetMemory();
    if (index < 0 || index >= memory.GetLayerCount()) return;
    m_layerIndex = index;
    m_layer = &memory.GetLayer(index);
    m_patchType = m_layer->GetPatchCount() > 0 ? m_layer->GetPatch(0)->GetPatchType() : GUID{};
    if (const CSynth* synth = memory.GetSynth()) m_layer->SwitchMode(*synth, false);
    m_usedValid = false;
    UpdateScrollBars();
    // The other layer's scroll position means nothing here: show this one's focus.
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    ScrollToCell(Selection().GetFocus());
    viewport()->update();
    AuditionPatch(Selection().GetFocus());
    emit StateChanged();
}

void CTonalithView::AuditionPatch(int index) {
    if (index < 0 || index >= m_layer->GetPatchCount()) return;
    const CPatch* patch = m_layer->GetPatch(index);
    if (!patch) return;
    if (AuditionSink()) {
        AuditionSink()(*patch);
        return;
    }
    if (const CSynth* synth = m_document->GetMemory()->GetSynth()) patch->Send(*synth, true);
}

bool CTonalithView::IsPatchUsed(int index) {
    if (!m_usedValid) ComputeUsedFlags();
    return index >= 0 && index < static_cast<int>(m_used.size()) && m_used[static_cast<std::size_t>(index)];
}

void CTonalithView::ComputeUsedFlags() {
    m_used.assign(static_cast<std::size_t>(m_layer->GetPatchCount()), 0);
    for (int j = 0; j < m_layer->GetParentLayerCount(); ++j) {
        const CLayer* parent = m_layer->GetParentLayer(j);
        if (!parent) continue;
        for (int k = 0; k < parent->GetPatchCount(); ++k) {
            std::vector<std::uint16_t> refs;
            parent->GetReferencedPatches(*m_layer, k, refs);
            for (std::uint16_t i : refs)
                if (i < m_used.size()) m_used[i] = 1;
        }
    }
    m_usedValid = true;
}

std::vector<std::string> CTonalithView::GetToolMenuTexts() const {
    std::vector<std::string> texts;
    const CSynthMemory& memory = *m_document->GetMemory();
    for (int j = 0; j < memory.GetAdditionalToolsCount(); ++j)
        if (memory.GetAdditionalTool(j).UseForBank()) texts.push_back(memory.GetAdditionalTool(j).GetMenuText());
    return texts;
}

void CTonalithView::OnRunTool(int k) {
    CSynthMemory& memory = *m_document->GetMemory();
    int seen = 0;
    for (int j = 0; j < memory.GetAdditionalToolsCount(); ++j) {
        CBasicSynthTool& tool = memory.GetAdditionalTool(j);
        if (!tool.UseForBank()) continue;
        if (seen++ != k) continue;
        tool.Execute(CToolContext{m_commands.get(), static_cast<QWidget*>(this), nullptr});
        m_usedValid = false;
        viewport()->update();
        emit StateChanged();
        return;
    }
}

void CTonalithView::OnUpdate(CView*, long hint, const void* hintObject) {
    m_usedValid = false;
    if (hint == HINT_PATCH_CHANGED && hintObject) {
        const auto* h = static_cast<const CPatchHint*>(hintObject);
        // Names and references may have changed, so the bold marks may too.
        if (h->layer == m_layerIndex || h->layer < 0) RepaintCell(h->index);
        viewport()->update();
    } else {
        viewport()->update();
    }
}

void CTonalithView::Execute(std::unique_ptr<CBasicCommand> command) {
    m_commands->Execute(std::move(command));
    m_usedValid = false;
    viewport()->update();
    emit StateChanged();
}

void CTonalithView::OnUndo() {
    if (!m_commands->CanUndo()) return;
    m_commands->Undo();
    m_usedValid = false;
    viewport()->update();
    emit StateChanged();
}

void CTonalithView::OnRedo() {
    if (!m_commands->CanRedo()) return;
    m_commands->Redo();
    m_usedValid = false;
    viewport()->update();
    emit StateChanged();
}

void CTonalithView::OnEdit() {
    const int a = Selection().GetFocus();
    if (a < 0) return;
    AuditionPatch(a);
    const std::unique_ptr<CPatch> oldPatch = m_layer->GetPatch(a)->Clone();
    const std::unique_ptr<CPatch> newPatch = oldPatch->Clone();
    const CSynth* synth = m_document->GetMemory()->GetSynth();
    if (synth) m_layer->SwitchMode(*synth, true);
    if (newPatch->Edit()) {
        auto command = std::make_unique<CEditCommand>();
        command->SetValues(*m_layer, a, *oldPatch, *newPatch, this, m_document.get(), m_layerIndex);
        Execute(std::move(command));
    }
    if (synth) m_layer->SwitchMode(*synth, false);
}

void CTonalithView::OnCopy() {
    CCopyBox::Get().StartCopy();
    for (const auto& patch : Selection().GetSelectedPatches()) CCopyBox::Get().AddPatch(*patch);
    emit StateChanged();
}

void CTonalithView::OnPaste() {
    CCopyBox& box = CCopyBox::Get();
    box.SetFilter(m_patchType);
    CCopyBoxDlg dialog(box, this);
    const bool pasted = tonalith::ui::RunDialog(dialog) == QDialog::Accepted;
    box.SetFilter(std::nullopt);
    if (!pasted) return;
    const std::vector<int> chosen = dialog.GetSelection();
    const int a = Selection().GetFocus();
    const int n = static_cast<int>(chosen.size());
    // All or nothing: patches that would land beyond the last one refuse the whole paste.
    if (n == 0 || a < 0) return;
    if (n > m_layer->GetPatchCount() || a + n > m_layer->GetPatchCount()) {
        CUi::Get().MessageBox(CStringTable::Get(61243), CUi::Icon::Warning);
        return;
    }
    for (int k = 0; k < n; ++k) {
        const CPatch& source = box.GetPatch(chosen[static_cast<std::size_t>(k)]);
        if (source.GetPatchType() != m_patchType) continue;
        auto command = std::make_unique<CPasteCommand>();
        command->SetValues(*m_layer, a + k, *m_layer->GetPatch(a + k), source, this, m_document.get(), m_layerIndex);
        Execute(std::move(command));
    }
}

void CTonalithView::OnInit() {
    for (int i : Selection().GetSelectedIndexes()) {
        const std::unique_ptr<CPatch> copy = m_layer->GetPatch(i)->Clone();
        copy->Init();
        auto command = std::make_unique<CInitCommand>();
        command->SetValues(*m_layer, i, *m_layer->GetPatch(i), *copy, this, m_document.get(), m_layerIndex);
        Execute(std::move(command));
    }
}

void CTonalithView::OnWrite() {
    const int a = Selection().GetFocus();
    if (a < 0) return;
    const CPatch* patch = m_layer->GetPatch(a);
    const std::string question = CFunctions::FormatMessage(CStringTable::Get(61238), {patch->GetTypeName()});
    if (!CUi::Get().AskYesNo(question)) return;
    emit SynthNeeded();
    m_layer->UpdatePatchNumbers();
    if (const CSynth* synth = m_document->GetMemory()->GetSynth()) m_layer->GetPatch(a)->Send(*synth, false);
}

void CTonalithView::OnCopyToClipboard() {
    if (m_document->GetPathName().empty() && !SaveAs()) return;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = CFileX::Read(m_document->GetPathName());
    } catch (const CFileException&) {
        return;  // the file cannot be read: nothing is copied
    }
    const std::string text = BuildHexText(bytes);
    QApplication::clipboard()->setText(tonalith::ui::FromModelText(text));
}

void CTonalithView::OnCopyNamesToClipboard() {
    std::string text;
    for (int i = 0; i < m_layer->GetPatchCount(); ++i) text += m_layer->GetPatch(i)->GetName() + "\r\n";
    QApplication::clipboard()->setText(tonalith::ui::FromModelText(text));
}

void CTonalithView::OnLayerDependencies() {
    CLayerDependenciesDlg dialog(*m_document->GetMemory(), GetCurrentLayerIndex(), this);
    tonalith::ui::RunDialog(dialog);
}

void CTonalithView::OnSaveLayers() {
    std::vector<std::string> names;
    CSynthMemory& memory = *m_document->GetMemory();
    for (int i = 0; i < memory.GetLayerCount(); ++i) names.push_back(memory.GetLayer(i).GetName());
    CSelectLayersDlg dialog(names, this);
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
    const std::vector<int> chosen = dialog.GetSelection();
    if (chosen.empty()) return;
    m_document->SaveLayers(chosen, {});
}

bool CTonalithView::Save() {
    if (m_document->GetPathName().empty()) return SaveAs();
    const bool ok = m_document->OnSaveDocument(m_document->GetPathName());
    UpdateTitle();
    emit StateChanged();
    return ok;
}

bool CTonalithView::SaveAs() {
    const auto path = CUi::Get().ChooseSaveFile("Save As", "syx", CTonalithDoc::kSaveFilter);
    if (!path) return false;
    const bool ok = m_document->OnSaveDocument(*path);
    UpdateTitle();
    emit StateChanged();
    return ok;
}

void CTonalithView::closeEvent(QCloseEvent* event) {
    if (m_document->IsModified() &&
        !tonalith::ui::AskToSaveChanges(this, m_document->GetTitle(), [this] { return Save(); })) {
        event->ignore();
        return;
    }
    emit SynthNeeded();
    m_document->OnCloseDocument();
    event->accept();
}
