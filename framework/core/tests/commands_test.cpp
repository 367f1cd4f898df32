#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Document.h"
#include "Layer.h"
#include "Patch.h"
#include "TestSupport.h"

namespace {

// Adds its amount to a shared total.
class AddCommand : public CBasicCommand {
public:
    AddCommand(int& total, int amount) : m_total(total), m_amount(amount) {}
    void Execute() override { m_total += m_amount; }
    void Undo() override { m_total -= m_amount; }
    std::string GetText() const override { return "Add " + std::to_string(m_amount); }

private:
    int& m_total;
    int m_amount;
};

class RecordingView : public CView {
public:
    void OnUpdate(CView*, long hint, const void* object) override {
        hints.push_back(hint);
        if (hint == HINT_PATCH_CHANGED) last = *static_cast<const CPatchHint*>(object);
    }
    std::vector<long> hints;
    CPatchHint last{-1, -1};
};

const GUID kType{0x1234};

class NamePatch : public CPatch {
public:
    NamePatch() : CPatch("Name", 8, 8, 0) {}
    const GUID& GetPatchType() const override { return kType; }
    void Init() override { SetName("Init    "); }
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<NamePatch>(*this); }
    std::vector<std::uint8_t> GetSysExData(bool) const override { return {}; }
};

// The smallest layer: stores clones of what it is given.
class SlotLayer : public CLayer {
public:
    SlotLayer() : CLayer("Slots", 2) {
        for (auto& p : m_slots) p = std::make_unique<NamePatch>();
    }
    const GUID& GetLayerGuid() const override { return kType; }
    bool MatchesHeader(const CHeader&) const override { return false; }
    void UpdatePatchNumbers() override {}
    void Save(CFile&) override {}
    void Load(CFile&) override {}
    void SwitchMode(const CSynth&, bool) override {}
    std::string GetPatchLabel(int i) const override { return std::to_string(i); }
    void SetPatch(int i, const CPatch& patch) override { m_slots.at(static_cast<std::size_t>(i)) = patch.Clone(); }
    CPatch* GetPatch(int i) const override { return m_slots.at(static_cast<std::size_t>(i)).get(); }

private:
    std::array<std::unique_ptr<CPatch>, 2> m_slots;
};

}  // namespace

TEST(CmdManager, DepthDropsTheOldestAndRedoIsClearedByNewCommands) {
    CDocument doc;
    std::vector<bool> flags;
    doc.SetModifiedListener([&](bool m) { flags.push_back(m); });
    int total = 0;
    CCmdManager manager(&doc);
    EXPECT_EQ(manager.GetUndoMenuText(), "Undo\tCtrl+Z");
    EXPECT_EQ(manager.GetRedoMenuText(), "Redo\tCtrl+Y");
    for (int i = 1; i <= 105; ++i) manager.Execute(std::make_unique<AddCommand>(total, i));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(flags, std::vector<bool>{true});  // the listener hears changes only
    EXPECT_EQ(manager.GetUndoCount(), 100u);
    EXPECT_EQ(manager.GetUndoMenuText(), "Undo: Add 105\tCtrl+Z");
    while (manager.CanUndo()) manager.Undo();
    EXPECT_EQ(total, 1 + 2 + 3 + 4 + 5);  // the five oldest could no longer be undone
    EXPECT_EQ(manager.GetRedoMenuText(), "Redo: Add 6\tCtrl+Y");
    manager.Redo();
    EXPECT_EQ(total, 21);
    EXPECT_EQ(manager.GetUndoText(), "Add 6");
    manager.Execute(std::make_unique<AddCommand>(total, 1000));
    EXPECT_FALSE(manager.CanRedo());
    manager.Execute(nullptr);  // ignored
    EXPECT_EQ(manager.GetUndoCount(), 2u);
}

TEST(CmdManager, FailingCommandIsNotKept) {
    struct Failing : CBasicCommand {
        void Execute() override { throw std::runtime_error("boom"); }
        void Undo() override {}
        std::string GetText() const override { return "Fail"; }
    };
    CDocument doc;
    CCmdManager manager(&doc);
    EXPECT_THROW(manager.Execute(std::make_unique<Failing>()), std::runtime_error);
    EXPECT_FALSE(manager.CanUndo());
    EXPECT_FALSE(doc.IsModified());
}

TEST(EditCommand, PutsPatchesKeepsItsOwnCopiesAndNotifiesViews) {
    SlotLayer layer;
    CDocument doc;
    doc.SetPathName("/home/u/banks/Mine.syx");
    EXPECT_EQ(doc.GetTitle(), "Mine.syx");
    RecordingView direct, other;
    doc.AddView(&direct);
    doc.AddView(&other);

    auto oldPatch = std::make_unique<NamePatch>();
    oldPatch->SetName("Old     ");
    auto newPatch = std::make_unique<NamePatch>();
    newPatch->SetName("Strings ");
    auto command = std::make_unique<CEditCommand>();
    EXPECT_EQ(command->GetIndex(), -1);
    command->SetValues(layer, 1, *oldPatch, *newPatch, &direct, &doc, 3);
    oldPatch.reset();  // the caller keeps ownership of what it passed
    newPatch.reset();
    EXPECT_EQ(command->GetText(), "Edit \"Strings\"");

    CCmdManager manager(&doc);
    manager.Execute(std::move(command));
    EXPECT_EQ(layer.GetPatch(1)->GetName(), "Strings ");
    EXPECT_EQ(direct.hints.size(), 1u);  // told once, not again through the document
    EXPECT_EQ(other.hints, std::vector<long>{HINT_PATCH_CHANGED});
    EXPECT_EQ(other.last.layer, 3);
    EXPECT_EQ(other.last.index, 1);
    manager.Undo();
    EXPECT_EQ(layer.GetPatch(1)->GetName(), "Old     ");
    EXPECT_EQ(manager.GetRedoMenuText(), "Redo: Edit \"Strings\"\tCtrl+Y");
}
