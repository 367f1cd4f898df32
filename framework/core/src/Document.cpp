#include "Document.h"

#include <algorithm>
#include <filesystem>

std::string CDocument::GetTitle() const {
    if (m_pathName.empty()) return m_title.empty() ? "Untitled" : m_title;
    const std::string name = std::filesystem::path(m_pathName).filename().string();
    return name.empty() ? m_pathName : name;
}

void CDocument::SetModifiedFlag(bool modified) {
    if (m_modified == modified) return;
    m_modified = modified;
    if (m_modifiedListener) m_modifiedListener(modified);
}

void CDocument::AddView(CView* view) {
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
}

void CDocument::RemoveView(CView* view) { std::erase(m_views, view); }

void CDocument::UpdateAllViews(CView* sender, long hint, const void* hintObject) {
    // A copy: a view may close itself (and leave the list) while it updates.
    const std::vector<CView*> views = m_views;
    for (CView* view : views) {
        if (view == sender) continue;
        if (std::find(m_views.begin(), m_views.end(), view) == m_views.end()) continue;
        view->OnUpdate(sender, hint, hintObject);
    }
}
