// The bank window driven as a user would: clicks, keys, synthetic drops, the
// copybox and the Edit menu commands.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPainter>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include "AppConfig.h"
#include "BankView.h"
#include "Commands.h"
#include "CopyBox.h"
#include "CopyBoxDlg.h"
#include "GridMemory.h"
#include "LibraryFile.h"
#include "StringTable.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"
#include "TonalithDoc.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/PatchText.h"

using gridtest::CGridMemory;

namespace {

class BankViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "bank_view_tests";
        static char* argv[] = {name};
        if (!qApp) new QApplication(argc, argv);  // lives for the process
        CSynthMemoryFactory::SetSearchPath({TEST_PLUGIN_DIR});
        CAppConfig::Get().m_patchesInCol = 25;
    }

    void SetUp() override {
        CTonalithView::SetAuditionSink([this](const CPatch& p) {
            std::string name = p.GetName();
            while (!name.empty() && name.back() == ' ') name.pop_back();
            auditioned.push_back(name);
        });
    }
    void TearDown() override {
        view.reset();
        CTonalithView::SetAuditionSink({});
        CCopyBox::Get().RemoveAll();
    }

    CTonalithView& Open(int patches) {
        auto doc = std::make_unique<CTonalithDoc>();
        doc->SetMemory(std::make_unique<CGridMemory>(patches));
        view = std::make_unique<CTonalithView>(std::move(doc));
        view->resize(800, 600);
        view->show();
        return *view;
    }

    QPoint CellCenter(int i) const {
        const CBankGrid& g = view->Grid();
        return QPoint((i / g.patchesInColumn) * g.cellWidth + g.cellWidth / 2,
                      (i % g.patchesInColumn) * g.cellHeight + g.cellHeight / 2);
    }

    std::string Name(int i) const {
        std::string name = view->GetCurrentLayer().GetPatch(i)->GetName();
        while (!name.empty() && name.back() == ' ') name.pop_back();
        return name;
    }

    // Qt 6.4 does not deliver drag events sent without a running drag, so the
    // test calls what the view's drag-move and drop handlers call.
    void DeliverDrop(const QMimeData& data, int cell) {
        const Qt::DropAction action = view->DragOver(data, CellCenter(cell));
        if (action != Qt::IgnoreAction) view->Drop(data, action);
    }

    std::unique_ptr<CTonalithView> view;
    std::vector<std::string> auditioned;
};

}  // namespace

TEST_F(BankViewTest, ClicksAndKeysFollowTheSelectionRules) {
    CTonalithView& v = Open(64);
    EXPECT_EQ(v.Grid().Columns(), 3);
    EXPECT_EQ(v.Grid().patchesInColumn, 25);
    QWidget* vp = v.viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, CellCenter(5));
    EXPECT_EQ(v.Selection().GetSelectedIndexes(), std::vector<int>{5});
    ASSERT_FALSE(auditioned.empty());
    EXPECT_EQ(auditioned.back(), "P005");
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, CellCenter(8));
    EXPECT_EQ(v.Selection().GetSelectedIndexes(), (std::vector<int>{5, 6, 7, 8}));
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, CellCenter(8));
    EXPECT_EQ(v.Selection().GetSelectedIndexes(), (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(v.Selection().GetFocus(), 5);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, CellCenter(6));
    EXPECT_EQ(v.Selection().GetSelectedIndexes(), std::vector<int>{6});

    QTest::keyClick(&v, Qt::Key_Right);
    EXPECT_EQ(v.Selection().GetFocus(), 31);
    QTest::keyClick(&v, Qt::Key_Right);
    EXPECT_EQ(v.Selection().GetFocus(), 56);
    QTest::keyClick(&v, Qt::Key_Right);  // 81 does not exist: stays
    EXPECT_EQ(v.Selection().GetFocus(), 56);
    QTest::keyClick(&v, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(v.Selection().GetSelectedIndexes(), (std::vector<int>{56, 57}));
    QTest::keyClick(&v, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(v.Selection().GetSelectedCount(), 64);
    EXPECT_EQ(v.Selection().GetFocus(), 57);
    QTest::keyClick(&v, Qt::Key_Home);
    EXPECT_EQ(v.Selection().GetSelectedIndexes(), std::vector<int>{0});
}

TEST_F(BankViewTest, DropFromAnotherViewFillsTheLastCells) {
    // Three patches from another bank dropped on the last cell of ten land in 7, 8, 9.
    auto sourceDoc = std::make_unique<CTonalithDoc>();
    sourceDoc->SetMemory(std::make_unique<CGridMemory>(20));
    CTonalithView source(std::move(sourceDoc));
    for (int i = 0; i < 3; ++i) source.GetCurrentLayer().GetPatch(10 + i)->SetName("S" + std::to_string(i));
    source.Selection().ClearAll();
    source.Selection().SelectRange(10, 12);
    const std::unique_ptr<QMimeData> data = source.CreateDragData();

    CTonalithView& v = Open(10);
    EXPECT_EQ(v.DragOver(*data, CellCenter(9)), Qt::CopyAction);
    EXPECT_EQ(v.Selection().GetFirstHighlighted(), 7);
    EXPECT_TRUE(v.Selection().IsHighlighted(9));
    EXPECT_FALSE(v.Selection().IsHighlighted(6));
    DeliverDrop(*data, 9);
    EXPECT_EQ(Name(7), "S0");
    EXPECT_EQ(Name(8), "S1");
    EXPECT_EQ(Name(9), "S2");
    EXPECT_EQ(Name(6), "P006");
    EXPECT_EQ(v.Selection().GetFirstHighlighted(), -1);
    EXPECT_EQ(v.GetCommands().GetUndoText(), "Paste \"S2\"");
    EXPECT_TRUE(v.GetDocument().IsModified());

    // A payload of another patch type is refused while dragging.
    QMimeData other;
    const std::vector<std::uint8_t> wrong = {1, 0, 0, 0, 0x55, 0x55};
    other.setData(LibraryFile::kBankItemMimeType, QByteArray(reinterpret_cast<const char*>(wrong.data()), 6));
    EXPECT_EQ(v.DragOver(other, CellCenter(2)), Qt::IgnoreAction);
    EXPECT_EQ(v.Selection().GetFirstHighlighted(), -1);
}

TEST_F(BankViewTest, DropInsideTheViewMovesOrChangesNothing) {
    CTonalithView& v = Open(10);
    v.Selection().ClearAll();
    v.Selection().SelectRange(1, 2);
    v.Selection().SetFocus(1);
    const std::unique_ptr<QMimeData> data = v.CreateDragData();
    EXPECT_EQ(v.DragOver(*data, CellCenter(4)), Qt::MoveAction);
    // Onto the focused patch: nothing.
    DeliverDrop(*data, 1);
    EXPECT_FALSE(v.GetCommands().CanUndo());
    EXPECT_EQ(Name(1), "P001");
    EXPECT_FALSE(v.GetDocument().IsModified());
    // Onto cell 5: a move with one undo step.
    DeliverDrop(*data, 5);
    EXPECT_EQ(v.GetCommands().GetUndoText(), "Move Patches");
    EXPECT_EQ(Name(5), "P001");
    EXPECT_EQ(Name(6), "P002");
    EXPECT_EQ(Name(1), "P003");
    EXPECT_EQ(v.Selection().GetSelectedIndexes(), (std::vector<int>{5, 6}));
    v.OnUndo();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Name(i), "P00" + std::to_string(i));
    EXPECT_EQ(v.Selection().GetFocus(), 1);
}

TEST_F(BankViewTest, InitNeedsOneUndoPerPatch) {
    CTonalithView& v = Open(10);
    v.Selection().SelectRange(0, 2);
    v.OnInit();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Name(i), "Init");
    EXPECT_EQ(v.GetCommands().GetUndoCount(), 3u);
    EXPECT_EQ(v.GetCommands().GetUndoMenuText(), "Undo: Init \"Init\"\tCtrl+Z");
    v.OnUndo();
    EXPECT_EQ(Name(2), "P002");
    EXPECT_EQ(Name(1), "Init");
    v.OnUndo();
    v.OnUndo();
    EXPECT_EQ(Name(0), "P000");
    EXPECT_FALSE(v.GetCommands().CanUndo());
    EXPECT_EQ(v.GetCommands().GetUndoMenuText(), "Undo\tCtrl+Z");
    EXPECT_EQ(v.GetCommands().GetRedoText(), "Init \"Init\"");
}

TEST_F(BankViewTest, PasteThatDoesNotFitChangesNothing) {
    CScopedScriptedUi ui;
    CTonalithView& v = Open(10);
    v.Selection().SelectRange(0, 3);
    v.OnCopy();
    ASSERT_EQ(CCopyBox::Get().GetCount(), 4);
    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        auto& box = dynamic_cast<CCopyBoxDlg&>(d);
        box.SelectAll();
        box.Paste();
        return int(QDialog::Accepted);
    });
    v.Selection().ClearAll();
    v.Selection().SetFocus(8);  // four patches from 8 would run past 9
    v.OnPaste();
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0], CStringTable::Get(61243));
    EXPECT_FALSE(v.GetCommands().CanUndo());
    EXPECT_EQ(Name(8), "P008");
    v.Selection().ClearAll();
    v.Selection().SetFocus(6);
    v.OnPaste();
    EXPECT_EQ(Name(6), "P000");
    EXPECT_EQ(Name(9), "P003");
    EXPECT_EQ(v.GetCommands().GetUndoText(), "Paste \"P003\"");
}

TEST_F(BankViewTest, ClipboardTexts) {
    CTonalithView& v = Open(3);
    v.GetCurrentLayer().GetPatch(1)->SetName("50%");
    v.OnCopyNamesToClipboard();
    // Names go as they are, blanks and "%" included.
    EXPECT_EQ(QApplication::clipboard()->text(), "P000    \r\n50%     \r\nP002    \r\n");
    // The hex text shows the file on disk.
    const auto file = tonalith::test::TempDir() / "seventeen.syx";
    tonalith::test::WriteFile(file, std::vector<std::uint8_t>(17, 0xAB));
    v.GetDocument().SetPathName(file.string());
    v.OnCopyToClipboard();
    const QString text = QApplication::clipboard()->text();
    EXPECT_TRUE(text.startsWith("AB AB "));
    EXPECT_TRUE(text.endsWith("AB \r\nAB "));
    EXPECT_EQ(text.size(), 17 * 3 + 2);
}

TEST_F(BankViewTest, RenameInPlaceIsUndoable) {
    CTonalithView& v = Open(5);
    v.Selection().ClearAll();
    v.Selection().SetFocus(2);
    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        auto* edit = d.findChild<QLineEdit*>();
        edit->setText("Lead");
        return int(QDialog::Accepted);
    });
    QTest::keyClick(&v, Qt::Key_F2);
    EXPECT_EQ(Name(2), "Lead");
    EXPECT_EQ(v.GetCommands().GetUndoText(), "Edit \"Lead\"");
}

TEST_F(BankViewTest, ANameShowsTheSameInTheGridTheUndoMenuAndMessages) {
    CTonalithView& v = Open(5);
    v.Selection().ClearAll();
    v.Selection().SetFocus(2);
    CScopedScriptedUi ui;
    QString shown;
    tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        auto* edit = d.findChild<QLineEdit*>();
        shown = edit->text();
        edit->setText("Café € ✓");
        return int(QDialog::Accepted);
    });
    QTest::keyClick(&v, Qt::Key_F2);
    EXPECT_EQ(Name(2), "Caf\xE9 \x80 ?");  // stored as the files hold it
    EXPECT_EQ(tonalith::ui::FromModelText(v.GetCommands().GetUndoText()), QString("Edit \"Café € ?\""));
    ASSERT_EQ(ui->messages.size(), 1u);  // the character that could not be kept is named
    EXPECT_NE(ui->messages[0].find("✓"), std::string::npos);
    // Opening the dialog again shows the stored name, not its bytes read as Latin-1.
    QTest::keyClick(&v, Qt::Key_F2);
    EXPECT_EQ(shown, QString("Café € ?"));
}

TEST_F(BankViewTest, PasteRightAfterCopyPastesWhatWasCopied) {
    CScopedScriptedUi ui;
    CCopyBox::Get().RemoveAll();
    CTonalithView& v = Open(10);
    v.Selection().ClearAll();
    v.Selection().SetFocus(0);
    v.OnCopy();  // an older copy
    v.Selection().ClearAll();
    v.Selection().SelectRange(4, 5);
    v.OnCopy();
    ASSERT_EQ(CCopyBox::Get().GetCount(), 3);
    // The user only presses Paste, the dialog's default button.
    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        dynamic_cast<CCopyBoxDlg&>(d).Paste();
        return int(QDialog::Accepted);
    });
    v.Selection().ClearAll();
    v.Selection().SetFocus(8);
    v.OnPaste();
    EXPECT_EQ(Name(8), "P004");
    EXPECT_EQ(Name(9), "P005");
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(BankViewTest, ABankOpensOnTheFirstLayerItsFileFilled) {
    auto memory = std::make_unique<CGridMemory>(4);
    memory->AddLayer(std::make_unique<gridtest::CGridLayer>(6));
    memory->GetLayer(1).SetInFile(true);  // as a file holding only the second layer leaves it
    auto doc = std::make_unique<CTonalithDoc>();
    doc->SetMemory(std::move(memory));
    view = std::make_unique<CTonalithView>(std::move(doc));
    EXPECT_EQ(view->GetCurrentLayerIndex(), 1);
    EXPECT_EQ(Open(4).GetCurrentLayerIndex(), 0);  // a new bank: the first layer
}

TEST_F(BankViewTest, TheScrollBarFollowsTheViewsFirstRow) {
    auto memory = std::make_unique<CGridMemory>(64);
    memory->AddLayer(std::make_unique<gridtest::CGridLayer>(64));
    auto doc = std::make_unique<CTonalithDoc>();
    doc->SetMemory(std::move(memory));
    view = std::make_unique<CTonalithView>(std::move(doc));
    view->resize(400, 150);
    view->show();
    CTonalithView& v = *view;
    const QScrollBar& bar = *v.verticalScrollBar();
    const int cell = v.Grid().cellHeight;
    // The focused row is in sight and the bar's value is where a whole row starts
    // (or the bar is at its end).
    const auto expectInSight = [&](const char* after) {
        const int top = v.Selection().GetFocus() % v.Grid().patchesInColumn * cell;
        EXPECT_GE(top, bar.value()) << after;
        EXPECT_LE(top + cell, bar.value() + v.viewport()->height()) << after;
        EXPECT_TRUE(bar.value() % cell == 0 || bar.value() == bar.maximum()) << after << " value " << bar.value();
    };
    EXPECT_EQ(bar.value(), 0);
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(&v, Qt::Key_Down);
        expectInSight("Down");
    }
    EXPECT_GT(bar.value(), 0);
    QTest::keyClick(&v, Qt::Key_End);
    expectInSight("End");
    QTest::keyClick(&v, Qt::Key_Home);
    EXPECT_EQ(bar.value(), 0);
    QTest::keyClick(&v, Qt::Key_End);
    // Another layer does not open at this layer's scroll position.
    v.SelectLayer(1);
    EXPECT_EQ(v.Selection().GetFocus(), 0);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_EQ(v.horizontalScrollBar()->value(), 0);
}

TEST_F(BankViewTest, TheCopyboxShowsWholeLongNames) {
    // A patch type whose names are longer than half the copybox.
    class CLongNamePatch final : public CPatch {
    public:
        CLongNamePatch() : CPatch("Long Name Patch", 48, 48, 48) { Init(); }
        CLongNamePatch(const CLongNamePatch&) = default;
        const GUID& GetPatchType() const override { return gridtest::kGridPatch; }
        void Init() override { SetName(std::string(48, 'W')); }
        void Save(CFile&) const override {}
        void Load(CFile&) override {}
        std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CLongNamePatch>(*this); }
        std::vector<std::uint8_t> GetSysExData(bool) const override { return {}; }
    };
    CCopyBox::Get().AddPatch(CLongNamePatch());
    CCopyBoxDlg dialog(CCopyBox::Get());
    dialog.resize(dialog.minimumSize());
    dialog.show();
    QTreeWidget& list = dialog.List();
    ASSERT_EQ(list.topLevelItemCount(), 1);
    const QString name = list.topLevelItem(0)->text(0);
    EXPECT_EQ(name, QString(48, 'W'));
    EXPECT_GE(list.columnWidth(0), list.fontMetrics().horizontalAdvance(name));
    EXPECT_GE(dialog.minimumWidth(), dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()));
}

TEST_F(BankViewTest, PrintedPagesNameFileAndLayerAndShowNoSelection) {
    CTonalithView& v = Open(64);
    v.GetDocument().SetPathName("/somewhere/My Bank.syx");
    EXPECT_EQ(v.PrintHeader(), QString::fromUtf8("My Bank.syx \u2014 Grid"));
    auto render = [&](auto&& paint, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        paint(painter, image.rect());
        return image;
    };
    auto paintPage = [&](QPainter& painter, const QRect& r) { v.PaintPage(painter, r); };
    auto paintScreen = [&](QPainter& painter, const QRect& r) { v.PaintGrid(painter, r); };
    const QSize paper(850, 1100), screen(v.Grid().TotalWidth() + 1, v.Grid().TotalHeight() + 1);
    const QImage unmarkedPage = render(paintPage, paper);
    const QImage unmarkedScreen = render(paintScreen, screen);

    v.Selection().SelectRange(3, 9);
    v.Selection().SetFocus(3);
    v.Selection().SetHighlight(20, true);
    const int selected = v.Selection().GetSelectedCount();
    // On screen the marks show; on paper the page is the same as without them.
    EXPECT_NE(render(paintScreen, screen), unmarkedScreen);
    const QImage page = render(paintPage, paper);
    EXPECT_EQ(page, unmarkedPage);
    const QColor highlight = v.palette().color(QPalette::Highlight);
    int highlighted = 0, headerInk = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            highlighted += QColor(page.pixel(x, y)) == highlight;
            headerInk += y < paper.height() / 60 && qGray(page.pixel(x, y)) < 128;
        }
    }
    EXPECT_EQ(highlighted, 0);
    EXPECT_GT(headerInk, 20);  // the header's text above the grid
    EXPECT_EQ(v.Selection().GetSelectedCount(), selected);
}
