#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class CDocument;
class CLayer;
class CPatch;
class CView;

// An undoable change. Redo runs Execute again.
class CBasicCommand {
public:
    virtual ~CBasicCommand() = default;
    virtual void Execute() = 0;
    virtual void Undo() = 0;
    virtual std::string GetText() const = 0;
};

// The undo and redo stacks of one document window.
class CCmdManager {
public:
    static constexpr std::size_t kDefaultDepth = 100;

    explicit CCmdManager(CDocument* document, std::size_t depth = kDefaultDepth);
    ~CCmdManager();

    // Runs the command, takes ownership, marks the document modified and clears the redo stack.
    void Execute(std::unique_ptr<CBasicCommand> command);
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    void Undo();
    void Redo();
    std::string GetUndoText() const;
    std::string GetRedoText() const;
    // The Edit menu texts: "Undo: <text>\tCtrl+Z" or "Undo\tCtrl+Z".
    std::string GetUndoMenuText() const;
    std::string GetRedoMenuText() const;
    void Clear();
    std::size_t GetUndoCount() const { return m_undo.size(); }
    // The document whose changes this manager keeps; may be null.
    CDocument* GetDocument() const { return m_document; }

private:
    CDocument* m_document;
    std::size_t m_depth;
    std::deque<std::unique_ptr<CBasicCommand>> m_undo;
    std::vector<std::unique_ptr<CBasicCommand>> m_redo;
};

// Replaces one patch of one layer; keeps its own copies of the old and new patch.
class CEditCommand : public CBasicCommand {
public:
    CEditCommand() = default;
    ~CEditCommand() override;

    // view may be null; document (may be null) gets UpdateAllViews with HINT_PATCH_CHANGED.
    void SetValues(CLayer& layer, int index, const CPatch& oldPatch, const CPatch& newPatch, CView* view,
                   CDocument* document = nullptr, int layerIndex = -1);
    void Execute() override;
    void Undo() override;
    // "Edit \"<name>\"" with the new patch's name, trailing blanks removed.
    std::string GetText() const override;

    int GetIndex() const { return m_index; }
    const CPatch* GetNewPatch() const { return m_new.get(); }
    const CPatch* GetOldPatch() const { return m_old.get(); }

protected:
    std::string TrimmedNewName() const;

private:
    void Put(const CPatch& patch);

    CLayer* m_layer = nullptr;
    int m_index = -1;
    int m_layerIndex = -1;
    std::unique_ptr<CPatch> m_old;
    std::unique_ptr<CPatch> m_new;
    CView* m_view = nullptr;
    CDocument* m_document = nullptr;
};
