// The library window over a library of test patches, offscreen.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <algorithm>

#include "Commands.h"
#include "CopyBox.h"
#include "CopyBoxDlg.h"
#include "Library.h"
#include "LibraryDialogs.h"
#include "LibraryDocument.h"
#include "LibraryFile.h"
#include "LibraryModel.h"
#include "LibraryTestPatch.h"
#include "LibraryView.h"
#include "TestSupport.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"

using tonalith::test::CTestPatch;
using tonalith::test::kNoCompareType;
using tonalith::test::kTinyType;

namespace {

// A patch type whose patches refer to other layers (a performance, say).
constexpr GUID kReferringType{0x77777777, 0x1234, 0x5678, {1, 1, 2, 2, 3, 3, 4, 4}};

class CReferringPatch final : public CTestPatch {
public:
    CReferringPatch() : CTestPatch(kReferringType, "Performance", 12) {}
    bool HasReferences() const override { return true; }
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CReferringPatch>(*this); }
};

std::unique_ptr<CPatch> Create(const GUID& type) {
    if (type == kReferringType) return std::make_unique<CReferringPatch>();
    return tonalith::test::CreateTestPatch(type);
}

std::unique_ptr<CPatch> MakePatch(const std::string& name, std::uint8_t sound, const GUID& type = kTinyType) {
    std::unique_ptr<CPatch> patch = Create(type);
    patch->SetName(name);
    patch->Data()[11] = sound;
    return patch;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

bool WaitForGui(const std::function<bool()>& condition) {
    return tonalith::test::WaitUntil([&] {
        QCoreApplication::processEvents();
        return condition();
    });
}

class LibraryViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "library_view_tests";
        static char* argv[] = {name};
        if (!qApp) new QApplication(argc, argv);  // lives for the process
    }

    void SetUp() override {
        CLibraryView::SetAuditionSink([this](const CPatch& p) { auditioned.push_back(Trimmed(p.GetName())); });
    }
    void TearDown() override {
        view.reset();
        CLibraryView::SetAuditionSink({});
        CCopyBox::Get().RemoveAll();
    }

    // Entries in library order: name, comment, first key byte, sound byte.
    struct Entry {
        std::string name;
        std::string comment;
        std::uint8_t key = 1;
        std::uint8_t sound = 0;
    };
    CLibraryView& Open(const std::vector<Entry>& entries) {
        std::vector<std::string> names(256, "No Entry");
        names[16] = "Strings";
        for (int k = 1; k <= 15; ++k) names[16 + k] = "String key " + std::to_string(k);
        names[17] = "Violin";
        names[32] = "Keys";
        names[33] = "Piano";
        auto document = std::make_unique<CLibraryDocument>(CLibraryKeyNames(names), Create);
        for (const Entry& e : entries) {
            auto entry = std::make_unique<CLibraryPatch>(*MakePatch(e.name, e.sound));
            const std::uint8_t keys[8] = {e.key, 1, 1, 1, 1, 1, 1, 1};
            entry->Set(e.name, keys, e.comment, "01.02.2024 10:00");
            document->GetLibrary().Add(std::move(entry));
        }
        view = std::make_unique<CLibraryView>(std::move(document));
        view->resize(900, 500);
        view->show();
        return *view;
    }

    std::vector<std::string> ShownNames() const {
        std::vector<std::string> names;
        const CLibraryModel& model = view->Model();
        for (int r = 0; r < model.rowCount(); ++r)
            names.push_back(Trimmed(model.data(model.index(r, 0)).toString().toStdString()));
        return names;
    }

    std::unique_ptr<CLibraryView> view;
    std::vector<std::string> auditioned;
};

}  // namespace

TEST_F(LibraryViewTest, ModelStaysConsistentThroughFilterSortPasteDeleteAndUndo) {
    CLibraryView& v = Open({{"Cello", "b"}, {"Alto", "c", 17}, {"Bass", "a"}});
    QAbstractItemModelTester tester(&v.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Alto", "Bass", "Cello"}));
    EXPECT_EQ(v.Model().data(v.Model().index(0, 3)).toString(), "Violin");
    EXPECT_EQ(v.Model().headerData(11, Qt::Horizontal).toString(), "Type");
    EXPECT_EQ(v.Model().data(v.Model().index(0, 0), CLibraryModel::kIndexRole).toInt(), 1);

    v.SortByColumn(2);
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Bass", "Cello", "Alto"}));
    const auto patch = MakePatch("Drum", 4);
    ASSERT_TRUE(v.AddPatches({patch.get(), patch.get()}));  // the same patch twice: two entries
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Alto", "Bass", "Cello", "Drum", "Drum"}));
    EXPECT_EQ(v.SelectedIndices(), (std::vector<int>{3, 4}));
    v.SelectIndices({0, 2});
    v.OnDelete();
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Alto", "Drum", "Drum"}));
    EXPECT_EQ(v.CountPaneText(), " 3/3");
    v.OnUndo();
    v.OnUndo();
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Alto", "Bass", "Cello"}));
    EXPECT_EQ(v.GetDocument().GetLibrary().GetSize(), 3);

    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        auto& search = dynamic_cast<CSearchDlg&>(d);
        search.NameEdit()->setText("L");
        return int(QDialog::Accepted);
    });
    v.OnFind();
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Alto", "Cello"}));
}

TEST_F(LibraryViewTest, FilterDescriptionAndCountsFollowTheSearchDialog) {
    CLibraryView& v = Open({{"Pad one", "", 17}, {"Pad two", "", 33}, {"Lead", "", 17}});
    EXPECT_EQ(v.FilterPaneText(), "Applied Search Filter: None");
    EXPECT_EQ(v.CountPaneText(), " 3/3");
    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        auto& search = dynamic_cast<CSearchDlg&>(d);
        search.NameEdit()->setText("pad");
        // Rows after an END stay disabled until their operator is chosen.
        EXPECT_FALSE(search.OperatorCombo(1)->isEnabled());
        search.OperatorCombo(0)->setCurrentIndex(LibraryEngine::CSearchFilter::AND);
        EXPECT_TRUE(search.OperatorCombo(1)->isEnabled());
        search.KeyChooser(0)->Group()->setCurrentIndex(1);
        search.KeyChooser(0)->Key()->setCurrentIndex(0);
        return int(QDialog::Accepted);
    });
    v.OnFind();
    EXPECT_EQ(v.FilterPaneText(), "Applied Search Filter: \"pad AND Violin\"");
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Pad one"}));
    EXPECT_EQ(v.CountPaneText(), " 1/3");
}

TEST_F(LibraryViewTest, RowsAreSortedByNameAgainAfterEveryChange) {
    CLibraryView& v = Open({{"Bbb", "2"}, {"Ccc", "1"}, {"Aaa", "3"}});
    v.SortByColumn(2);
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Ccc", "Bbb", "Aaa"}));
    EXPECT_EQ(v.Model().SortColumn(), 2);
    // Rename through F2: the editor is limited to the type's name length.
    v.SelectIndices({1});
    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        auto* edit = d.findChild<QLineEdit*>();
        EXPECT_EQ(edit->maxLength(), 10);
        edit->setText("Zzzzzzzzzzzzzz");
        return int(QDialog::Accepted);
    });
    QTest::keyClick(&v.Table(), Qt::Key_F2);
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Aaa", "Bbb", "Zzzzzzzzzz"}));
    EXPECT_EQ(v.Model().SortColumn(), 0);
    EXPECT_EQ(v.GetCommands().GetUndoText(), "Edit \"Ccc\"");
    v.OnUndo();
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Aaa", "Bbb", "Ccc"}));
}

TEST_F(LibraryViewTest, UndoOfAHeaderSortRestoresThePreviousOrder) {
    // Equal dates keep whatever order the rows had: only the remembered order gets it back.
    CLibraryView& v = Open({{"Aaa", "3"}, {"Bbb", "1"}, {"Ccc", "2"}});
    v.SortByColumn(2);
    const std::vector<std::string> byComment{"Bbb", "Ccc", "Aaa"};
    EXPECT_EQ(ShownNames(), byComment);
    v.SortByColumn(1);
    v.SortByColumn(0);
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Aaa", "Bbb", "Ccc"}));
    v.OnUndo();
    EXPECT_EQ(ShownNames(), byComment);
    EXPECT_EQ(v.Model().SortColumn(), 1);
    v.OnUndo();
    v.OnUndo();
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Aaa", "Bbb", "Ccc"}));
    EXPECT_EQ(v.GetCommands().GetRedoText(), "Sort patches");
}

TEST_F(LibraryViewTest, FocusingARowAuditionsItsPatch) {
    CLibraryView& v = Open({{"Aaa", ""}, {"Bbb", ""}, {"Ccc", ""}});
    v.Table().setFocus();
    v.Table().selectRow(0);
    QTest::keyClick(&v.Table(), Qt::Key_Down);
    ASSERT_FALSE(auditioned.empty());
    EXPECT_EQ(auditioned.back(), "Bbb");
    const auto before = auditioned.size();
    v.SelectIndices({2});  // a selection made by the program is no audition
    EXPECT_EQ(auditioned.size(), before);
    QTest::keyClick(&v.Table(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(v.SelectedIndices().size(), 3u);
}

TEST_F(LibraryViewTest, PropertiesForSeveralRowsWithTheBoxTicked) {
    CLibraryView& v = Open({{"Aaa", "old"}, {"Bbb", "old"}, {"Ccc", "old"}, {"Ddd", "old"}});
    v.SelectIndices({0, 1, 2});
    int shown = 0;
    tonalith::ui::ScopedDialogRunner runner([&shown](QDialog& d) {
        ++shown;
        auto& dialog = dynamic_cast<CPropertiesDlg&>(d);
        EXPECT_EQ(dialog.NameEdit()->text(), "Aaa");
        dialog.NameEdit()->setText("First");
        dialog.CommentEdit()->setPlainText("Warm");
        dialog.KeyChooser(0)->Group()->setCurrentIndex(2);
        EXPECT_TRUE(dialog.KeyChooser(0)->Key()->isEnabled());
        dialog.ApplyBox()->setChecked(true);
        return int(QDialog::Accepted);
    });
    v.OnProperties();
    EXPECT_EQ(shown, 1);
    const CLibrary& library = v.GetDocument().GetLibrary();
    EXPECT_EQ(Trimmed(library.Get(0).Name()), "First");
    EXPECT_EQ(Trimmed(library.Get(1).Name()), "Bbb");  // the further rows keep their names
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(library.Get(i).Comment(), "Warm");
        EXPECT_EQ(library.Get(i).Key(0), 33);
        EXPECT_EQ(library.Get(i).Date(), "01.02.2024 10:00");
    }
    EXPECT_EQ(library.Get(3).Comment(), "old");
    EXPECT_EQ(v.Model().data(v.Model().index(0, 3)).toString(), "Piano");
    v.OnUndo();  // each row is its own command
    EXPECT_EQ(library.Get(2).Comment(), "old");
    EXPECT_EQ(library.Get(1).Comment(), "Warm");
}

TEST_F(LibraryViewTest, ADropOfAPatchWithReferencesIsRefusedAndAddsNothing) {
    CScopedScriptedUi ui;
    CLibraryView& v = Open({{"Aaa", ""}});
    const auto plain = MakePatch("Plain", 1);
    const auto referring = MakePatch("Perf", 2, kReferringType);
    CLibraryPatch a(*plain), b(*referring);
    const std::vector<const CLibraryPatch*> entries{&a, &b};
    const std::vector<std::uint8_t> payload = LibraryFile::WritePayload(entries);
    QMimeData data;
    data.setData(LibraryFile::kBankItemMimeType,
                 QByteArray(reinterpret_cast<const char*>(payload.data()), static_cast<qsizetype>(payload.size())));
    EXPECT_FALSE(v.Drop(data));
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0], CLibraryView::kReferencesMessage);
    EXPECT_EQ(v.GetDocument().GetLibrary().GetSize(), 1);
    EXPECT_FALSE(v.GetCommands().CanUndo());

    // Without the referring patch the drop files the patch; its own drag it refuses.
    const std::vector<const CLibraryPatch*> one{&a};
    const std::vector<std::uint8_t> good = LibraryFile::WritePayload(one);
    data.setData(LibraryFile::kBankItemMimeType,
                 QByteArray(reinterpret_cast<const char*>(good.data()), static_cast<qsizetype>(good.size())));
    EXPECT_TRUE(v.Drop(data));
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Aaa", "Plain"}));
    v.SelectIndices({1});
    const std::unique_ptr<QMimeData> own = v.CreateDragData();
    EXPECT_FALSE(v.Drop(*own));
    EXPECT_EQ(v.GetDocument().GetLibrary().GetSize(), 2);
}

TEST_F(LibraryViewTest, CopyAndPasteThroughTheCopybox) {
    CScopedScriptedUi ui;
    CLibraryView& v = Open({{"Aaa", "", 1, 1}, {"Bbb", "", 1, 2}});
    v.SelectIndices({1, 0});
    v.OnCopy();
    ASSERT_EQ(CCopyBox::Get().GetCount(), 2);
    CCopyBox::Get().AddPatch(*MakePatch("Perf", 3, kReferringType));
    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        auto& box = dynamic_cast<CCopyBoxDlg&>(d);
        box.SelectAll();
        box.Paste();
        return int(QDialog::Accepted);
    });
    v.OnPaste();  // the referring patch refuses the whole paste
    EXPECT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(v.GetDocument().GetLibrary().GetSize(), 2);
    CCopyBox::Get().Remove({2});
    v.OnPaste();
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Aaa", "Aaa", "Bbb", "Bbb"}));
    EXPECT_EQ(v.GetCommands().GetUndoText(), "Paste Patches");
}

TEST_F(LibraryViewTest, TheDuplicateDialogSelectsExactlyTheFoundRows) {
    CLibraryView& v =
        Open({{"Aaa", "", 1, 5}, {"Bbb", "", 1, 6}, {"Ccc", "", 1, 5}, {"Ddd", "", 1, 7}, {"Eee", "", 1, 6}});
    int found = 0;
    tonalith::ui::ScopedDialogRunner runner([&found](QDialog& d) {
        auto& dialog = dynamic_cast<CDuplicatesDlg&>(d);
        d.show();
        EXPECT_TRUE(WaitForGui([&] { return dialog.CloseButton()->text() == "&Finished!"; }));
        found = dialog.List()->count();
        EXPECT_EQ(dialog.List()->item(0)->text(), "\"Aaa\" and \"Ccc\" are equal");
        EXPECT_TRUE(dialog.SelectButton()->isEnabled());
        dialog.SelectButton()->click();
        dialog.CloseButton()->click();
        return dialog.result();
    });
    v.SelectIndices({0});
    v.OnFindDoubles();
    EXPECT_EQ(found, 2);
    std::vector<int> selected = v.SelectedIndices();
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, (std::vector<int>{2, 4}));
}

TEST_F(LibraryViewTest, ImportOfFilesNoPlugInReadsAddsNothingAndSaysSo) {
    CScopedScriptedUi ui;
    CLibraryView& v = Open({{"Aaa", ""}});
    const auto dir = tonalith::test::TempDir();
    tonalith::test::WriteFile(dir / "notes.txt", {'h', 'e', 'l', 'l', 'o'});
    tonalith::ui::ScopedDialogRunner runner([&dir](QDialog& d) {
        auto& chooser = dynamic_cast<QFileDialog&>(d);
        chooser.setDirectory(QString::fromStdString(dir.string()));
        chooser.selectFile("notes.txt");
        return int(QDialog::Accepted);
    });
    v.OnImportFiles();
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("notes.txt"), std::string::npos);
    EXPECT_EQ(v.GetDocument().GetLibrary().GetSize(), 1);
    EXPECT_FALSE(v.GetCommands().CanUndo());
}

TEST_F(LibraryViewTest, EditKeysRenamesGroupsAndKeysAndTheCellsFollow) {
    CLibraryView& v = Open({{"Aaa", "", 17}});
    tonalith::ui::ScopedDialogRunner runner([](QDialog& d) {
        auto& keys = dynamic_cast<CKeysDlg&>(d);
        EXPECT_EQ(keys.Groups()->currentRow(), 0);  // group 1 first
        EXPECT_EQ(keys.Groups()->count(), 15);
        keys.GroupEdit()->setText("Bowed");
        emit keys.GroupEdit()->textEdited("Bowed");
        keys.Keys()->setCurrentRow(0);
        emit keys.KeyEdit()->textEdited("Viola");
        EXPECT_EQ(keys.Groups()->item(0)->text(), "Bowed");
        EXPECT_EQ(keys.Keys()->item(0)->text(), "Viola");
        return int(QDialog::Accepted);
    });
    v.OnKeys();
    EXPECT_EQ(v.GetDocument().GetKeyNames().Get(16), "Bowed");
    EXPECT_EQ(v.GetDocument().GetKeyNames().Get(17), "Viola");
    EXPECT_EQ(v.Model().data(v.Model().index(0, 3)).toString(), "Viola");

    tonalith::ui::ScopedDialogRunner cancel([](QDialog& d) {
        emit dynamic_cast<CKeysDlg&>(d).GroupEdit()->textEdited("Gone");
        return int(QDialog::Rejected);
    });
    v.OnKeys();
    EXPECT_EQ(v.GetDocument().GetKeyNames().Get(16), "Bowed");
}

// A new window shows its texts whole: each column is as wide as its title and its rows' texts,
// and a short column leaves room for the others.
TEST_F(LibraryViewTest, ColumnsStartWideEnoughForTheirTexts) {
    const std::string comment = "a comment far longer than the column would be by default";
    CLibraryView& v = Open({{"Alto", comment, 17}, {"Bass", "a"}});
    const QHeaderView& header = *v.Table().horizontalHeader();
    const QFontMetrics metrics(v.Table().font());
    for (int c = 0; c < LibraryEngine::COLUMN_COUNT; ++c) {
        EXPECT_GE(header.sectionSize(c), header.sectionSizeHint(c)) << "title of column " << c;
        for (int r = 0; r < v.Model().rowCount(); ++r)
            EXPECT_GT(header.sectionSize(c),
                      metrics.horizontalAdvance(v.Model().data(v.Model().index(r, c)).toString()))
                << "row " << r << " column " << c;
    }
    EXPECT_LT(header.sectionSize(LibraryEngine::COLUMN_KEY1 + 1), 100);  // "No Entry" needs less than a name
    EXPECT_GE(header.sectionSize(LibraryEngine::COLUMN_NAME), 100);  // names of later rows may be longer

    // A stored layout still wins over the fitted widths.
    v.ApplyColumnLayout("150,90,80,70,70,70,70,70,70,70,70,200;0");
    EXPECT_EQ(header.sectionSize(LibraryEngine::COLUMN_COMMENT), 80);
}
