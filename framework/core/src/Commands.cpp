#include "Commands.h"

#include "Document.h"
#include "Layer.h"
#include "Patch.h"

CCmdManager::CCmdManager(CDocument* document, std::size_t depth) : m_document(document), m_depth(depth) {}

CCmdManager::~CCmdManager() = default;

void CCmdManager::Execute(std::unique_ptr<CBasicCommand> command) {
    if (!command) return;
    command->Execute();  // a command that throws is not kept
    m_redo.clear();
    m_undo.push_back(std::move(command));
    while (m_undo.size() > m_depth) m_undo.pop_front();  // the oldest step goes first
    if (m_document) m_document->SetModifiedFlag(true);
}

void CCmdManager::Undo() {
    if (m_undo.empty()) return;
    std::unique_ptr<CBasicCommand> command = std::move(m_undo.back());
    m_undo.pop_back();
    try {
        command->Undo();
    } catch (...) {
        m_undo.push_back(std::move(command));  // still undoable once the cause is fixed
        throw;
    }
    m_redo.push_back(std::move(command));
    if (m_document) m_document->SetModifiedFlag(true);
}

void CCmdManager::Redo() {
    if (m_redo.empty()) return;
    std::unique_ptr<CBasicCommand> command = std::move(m_redo.back());
    m_redo.pop_back();
    try {
        command->Execute();
    } catch (...) {
        m_redo.push_back(std::move(command));
        throw;
    }
    m_undo.push_back(std::move(command));
    while (m_undo.size() > m_depth) m_undo.pop_front();
    if (m_document) m_document->SetModifiedFlag(true);
}

std::string CCmdManager::GetUndoText() const { return m_undo.empty() ? std::string() : m_undo.back()->GetText(); }

std::string CCmdManager::GetRedoText() const { return m_redo.empty() ? std::string() : m_redo.back()->GetText(); }

std::string CCmdManager::GetUndoMenuText() const {
    const std::string text = GetUndoText();
    return text.empty() ? "Undo\tCtrl+Z" : "Undo: " + text + "\tCtrl+Z";
}

std::string CCmdManager::GetRedoMenuText() const {
    const std::string text = GetRedoText();
    return text.empty() ? "Redo\tCtrl+Y" : "Redo: " + text + "\tCtrl+Y";
}

void CCmdManager::Clear() {
    m_undo.clear();
    m_redo.clear();
}

CEditCommand::~CEditCommand() = default;

void CEditCommand::SetValues(CLayer& layer, int index, const CPatch& oldPatch, const CPatch& newPatch, CView* view,
                             CDocument* document, int layerIndex) {
    // Clone both first, so a failing clone leaves the command as it was.
    std::unique_ptr<CPatch> oldCopy = oldPatch.Clone();
    std::unique_ptr<CPatch> newCopy = newPatch.Clone();
    m_layer = &layer;
    m_index = index;
    m_layerIndex = layerIndex;
    m_old = std::move(oldCopy);
    m_new = std::move(newCopy);
    m_view = view;
    m_document = document;
}

void CEditCommand::Execute() {
    if (m_new) Put(*m_new);
}

void CEditCommand::Undo() {
    if (m_old) Put(*m_old);
}

std::string CEditCommand::GetText() const { return "Edit \"" + TrimmedNewName() + "\""; }

std::string CEditCommand::TrimmedNewName() const {
    if (!m_new) return {};
    std::string name = m_new->GetName();
    const auto last = name.find_last_not_of(std::string_view(" \t\r\n\0", 5));
    name.erase(last == std::string::npos ? 0 : last + 1);
    return name;
}

void CEditCommand::Put(const CPatch& patch) {
    if (!m_layer) return;
    m_layer->SetPatch(m_index, patch);  // the layer stores its own clone
    const CPatchHint hint{m_layerIndex, m_index};
    if (m_view) m_view->OnUpdate(nullptr, HINT_PATCH_CHANGED, &hint);
    // The view that was told directly is the sender, so it is not told twice.
    if (m_document) m_document->UpdateAllViews(m_view, HINT_PATCH_CHANGED, &hint);
}
