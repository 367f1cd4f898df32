#pragma once

#include <functional>
#include <string>
#include <vector>

class CDocument;

// A view of a document; the program's windows implement it.
class CView {
public:
    virtual ~CView() = default;
    // hint and hintObject say what changed (0: everything).
    virtual void OnUpdate(CView* sender, long hint, const void* hintObject) = 0;
};

// Hints views receive with UpdateAllViews.
enum : long { HINT_ALL = 0, HINT_PATCH_CHANGED = 1, HINT_LAYER_CHANGED = 2 };

// Which patch changed (HINT_PATCH_CHANGED).
struct CPatchHint {
    int layer;
    int index;
};

// A document: its path, modified flag and views.
class CDocument {
public:
    virtual ~CDocument() = default;

    const std::string& GetPathName() const { return m_pathName; }
    void SetPathName(const std::string& path) { m_pathName = path; }
    // The title of a document without a file (else the file's name).
    void SetTitle(std::string title) { m_title = std::move(title); }
    std::string GetTitle() const;
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);
    // Called when the modified flag changes (the window title shows it).
    void SetModifiedListener(std::function<void(bool)> listener) { m_modifiedListener = std::move(listener); }

    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_views; }
    void UpdateAllViews(CView* sender, long hint = HINT_ALL, const void* hintObject = nullptr);

private:
    std::string m_pathName;
    std::string m_title;
    bool m_modified = false;
    std::vector<CView*> m_views;
    std::function<void(bool)> m_modifiedListener;
};
