#pragma once

#include <memory>
#include <string>

class CSynthMemory;
class CCmdManager;
class CLibrary;

// Where a tool runs: the view's command manager (may be null), the view as the
// parent of its dialogs (a QWidget* in the program, null headless), and the
// library when a library view runs it.
struct CToolContext {
    CCmdManager* commands = nullptr;
    void* parentWindow = nullptr;
    CLibrary* library = nullptr;
};

// A menu command a plug-in contributes.
class CBasicSynthTool {
public:
    virtual ~CBasicSynthTool() = default;
    virtual void Execute(const CToolContext& context) = 0;
    virtual std::string GetMenuText() const = 0;
    virtual bool UseForBank() const { return false; }
};

class CSynthTool : public CBasicSynthTool {
public:
    explicit CSynthTool(CSynthMemory& memory) : m_memory(memory) {}
    bool UseForBank() const override { return true; }

protected:
    CSynthMemory& m_memory;
};
