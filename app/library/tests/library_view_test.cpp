// The library window driven (names sort by their bytes, so capitals first) through its model, header, selection and drops.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QTableView>

#include "CopyBox.h"
#include "LibraryCommands.h"
#include "LibraryDocument.h"
#include "LibraryTableModel.h"
#include "LibraryTestPatch.h"
#include "LibraryView.h"
#include "TestSupport.h"
#include "Ui.h"

using namespace tonalith::test;
using namespace LibraryEngine;

namespace {

// A patch that needs the layers it refers to.
class CReferringPatch : public CTestPatch {
public:
    CReferringPatch() : CTestPatch(kKorgProgramType, "Program", 172) {}
    bool HasReferences() const override { return true; }
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<CReferringPatch>(*this); }
};

std::unique_ptr<CLibraryPatch> Entry(const std::string& name, const std::string& date = "01.01.2000 00:00",
                                     const GUID& type = kTinyType) {
    auto patch = CreateTestPatch(type);
    patch->SetName(name);
    auto entry = std::make_unique<CLibraryPatch>(*patch);
    std::array<std::uint8_t, 8> keys;
    keys.fill(1);
    entry->Set(name, keys.data(), "", date);
    return entry;
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
        auto ui = std::make_unique<CScriptedUi>();
        m_ui = ui.get();
        m_previousUi = CUi::Install(std::move(ui));
        CLibraryKeyNames keys;
        keys.Set(1, CLibraryKeyNames::kNoSelection);
        m_document = std::make_unique<CLibraryDocument>(keys, [](const GUID& type) -> std::unique_ptr<CPatch> {
            if (type == kKorgProgramType) return std::make_unique<CReferringPatch>();
            return CreateTestPatch(type);
        });
        // Dates run against names so a date sort differs from a name sort.
        m_document->GetLibrary().Add(Entry("Delta", "01.01.2001 00:00"));
        m_document->GetLibrary().Add(Entry("alpha", "01.01.2004 00:00"));
        m_document->GetLibrary().Add(Entry("Charlie", "01.01.2002 00:00"));
        m_document->GetLibrary().Add(Entry("Bravo Pad", "01.01.2003 00:00"));
        m_view = std::make_unique<CLibraryView>(*m_document, nullptr);
    }

    void TearDown() override {
        m_view.reset();
        m_document.reset();
        CUi::Install(std::move(m_previousUi));
    }

    std::vector<std::string> ShownNames() const {
        std::vector<std::string> names;
        auto& model = m_view->GetModel();
        for (int row = 0; row < model.rowCount(); ++row)
            names.push_back(model.index(row, COLUMN_NAME).data().toString().toStdString());
        return names;
    }

    std::unique_ptr<QMimeData> Payload(std::vector<std::unique_ptr<CLibraryPatch>> entries) {
        CLibraryDocument source(CLibraryKeyNames{}, m_document->GetPatchCreator());
        for (auto& entry : entries) source.GetLibrary().Add(std::move(entry));
        CLibraryView view(source, nullptr);
        view.SelectAll();
        return view.CopySelection();
    }

    CScriptedUi* m_ui = nullptr;
    std::unique_ptr<CUi> m_previousUi;
    std::unique_ptr<CLibraryDocument> m_document;
    std::unique_ptr<CLibraryView> m_view;
};

TEST_F(LibraryViewTest, ModelStaysConsistentThroughFilterSortPasteDeleteUndo) {
    QAbstractItemModelTester tester(&m_view->GetModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    m_view->GetTable().selectRow(1);
    CSearchFilter filter;
    filter.name = "A";
    m_view->SetFilter(filter);
    m_view->SortByColumn(COLUMN_DATE);
    std::vector<std::unique_ptr<CLibraryPatch>> entries;
    entries.push_back(Entry("Echo Pad"));
    ASSERT_TRUE(m_view->PasteMimeData(*Payload(std::move(entries))));
    m_view->SelectAll();
    m_view->DeleteSelection();
    EXPECT_EQ(m_view->GetModel().rowCount(), 0);
    m_view->SetFilter({});
    EXPECT_TRUE(ShownNames().empty());  // every name held an "a"
    while (m_view->GetCommands().CanUndo()) m_view->GetCommands().Undo();
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Bravo Pad", "Charlie", "Delta", "alpha"}));
}

TEST_F(LibraryViewTest, PanesDescribeTheFilterAndTheCount) {
    EXPECT_EQ(m_view->FilterPaneText().toStdString(), "Applied Search Filter: None");
    EXPECT_EQ(m_view->CountPaneText().toStdString(), " 4/4");
    CSearchFilter filter;
    filter.name = "pad";
    m_view->SetFilter(filter);
    EXPECT_EQ(m_view->FilterPaneText().toStdString(), "Applied Search Filter: \"pad\"");
    EXPECT_EQ(m_view->CountPaneText().toStdString(), " 1/4");
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Bravo Pad"}));
}

TEST_F(LibraryViewTest, RowsStaySortedByNameAfterEveryChange) {
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Bravo Pad", "Charlie", "Delta", "alpha"}));
    std::vector<std::unique_ptr<CLibraryPatch>> entries;
    entries.push_back(Entry("Beta"));
    entries.push_back(Entry("Zulu"));
    ASSERT_TRUE(m_view->PasteMimeData(*Payload(std::move(entries))));
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Beta", "Bravo Pad", "Charlie", "Delta", "Zulu", "alpha"}));
    // The pasted entries come back selected.
    std::vector<int> selected = m_view->SelectedIndices();
    EXPECT_EQ(selected, (std::vector<int>{4, 5}));
    m_view->GetTable().selectRow(0);
    m_view->DeleteSelection();
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Bravo Pad", "Charlie", "Delta", "Zulu", "alpha"}));
    m_view->GetCommands().Undo();
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Beta", "Bravo Pad", "Charlie", "Delta", "Zulu", "alpha"}));
}

TEST_F(LibraryViewTest, FocusingARowAuditionsItsPatch) {
    std::vector<std::string> heard;
    m_view->SetAuditionHandler([&](const CPatch& patch) { heard.push_back(patch.GetName()); });
    m_view->GetTable().setCurrentIndex(m_view->GetModel().index(2, 0));
    m_view->GetTable().setCurrentIndex(m_view->GetModel().index(0, 3));  // another row
    m_view->GetTable().setCurrentIndex(m_view->GetModel().index(0, 5));  // same row: no second send
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].substr(0, 5), "Delta");
    EXPECT_EQ(heard[1].substr(0, 5), "Bravo");
}

TEST_F(LibraryViewTest, DropOfAPatchWithReferencesIsRefusedWhole) {
    std::vector<std::unique_ptr<CLibraryPatch>> entries;
    entries.push_back(Entry("Fine"));
    entries.push_back(Entry("Layered", "01.01.2000 00:00", kKorgProgramType));
    EXPECT_FALSE(m_view->PasteMimeData(*Payload(std::move(entries))));
    ASSERT_EQ(m_ui->messages.size(), 1u);
    EXPECT_EQ(m_ui->messages[0], LibraryViewTexts::kReferencesRefused);
    EXPECT_EQ(m_document->GetLibrary().GetSize(), 4);
    EXPECT_FALSE(m_view->GetCommands().CanUndo());
}

TEST_F(LibraryViewTest, CopyAndPasteThroughTheCopyBox) {
    CCopyBox::Get().RemoveAll();
    m_view->GetTable().selectRow(1);  // Charlie
    m_view->CopyToCopyBox();
    ASSERT_EQ(CCopyBox::Get().GetCount(), 1);
    ASSERT_TRUE(m_view->PasteFromCopyBox());
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Bravo Pad", "Charlie", "Charlie", "Delta", "alpha"}));
    EXPECT_EQ(m_view->SelectedIndices(), (std::vector<int>{4}));
    m_view->GetCommands().Undo();
    EXPECT_EQ(m_document->GetLibrary().GetSize(), 4);
    CCopyBox::Get().RemoveAll();
    EXPECT_FALSE(m_view->PasteFromCopyBox());
}

TEST_F(LibraryViewTest, RenameInPlaceIsCutToTheNameLengthAndUndoable) {
    auto& model = m_view->GetModel();
    ASSERT_TRUE(model.flags(model.index(0, COLUMN_NAME)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, COLUMN_DATE)) & Qt::ItemIsEditable);
    ASSERT_TRUE(model.setData(model.index(0, COLUMN_NAME), QStringLiteral("Zither and more words")));
    tonalith::test::WaitUntil([&] {
        QCoreApplication::processEvents();
        return m_view->GetCommands().CanUndo();
    });
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Charlie", "Delta", "Zither and", "alpha"}));
    m_view->GetCommands().Undo();
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Bravo Pad", "Charlie", "Delta", "alpha"}));
}

TEST_F(LibraryViewTest, UndoOfAHeaderSortRestoresThePreviousOrder) {
    auto* header = m_view->GetTable().horizontalHeader();
    emit header->sectionClicked(COLUMN_DATE);
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Delta", "Charlie", "Bravo Pad", "alpha"}));
    EXPECT_EQ(m_view->GetCommands().GetUndoText(), "Sort patches");
    m_view->GetCommands().Undo();
    EXPECT_EQ(ShownNames(), (std::vector<std::string>{"Bravo Pad", "Charlie", "Delta", "alpha"}));
    EXPECT_EQ(header->sortIndicatorSection(), COLUMN_NAME);
}

TEST_F(LibraryViewTest, LayoutKeepsColumnWidthsAndSortColumn) {
    m_view->GetTable().setColumnWidth(COLUMN_COMMENT, 211);
    m_view->SortByColumn(COLUMN_DATE);
    const QByteArray state = m_view->SaveLayout();
    CLibraryView other(*m_document, nullptr);
    other.RestoreLayout(state);
    EXPECT_EQ(other.GetTable().columnWidth(COLUMN_COMMENT), 211);
    EXPECT_EQ(other.GetModel().GetSortColumn(), COLUMN_DATE);
    other.RestoreLayout(QByteArray("garbage"));  // ignored
    EXPECT_EQ(other.GetModel().GetSortColumn(), COLUMN_DATE);
}

}  // namespace
