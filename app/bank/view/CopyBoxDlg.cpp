#include "CopyBoxDlg.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "AppConfig.h"
#include "BankDialogs.h"
#include "CopyBox.h"
#include "Patch.h"
#include "SynthMemoryFactory.h"
#include "tonalith/ui/PatchText.h"

namespace {
constexpr const char* kPlacementName = "COPYBOX";

std::vector<CCopyBox::PatchType> FactoryTypes() {
    std::vector<CCopyBox::PatchType> types;
    for (const CPatch* p : CSynthMemoryFactory::Get().GetPatchTemplates())
        types.push_back({p->GetTypeName(), p->GetPatchType()});
    return types;
}
}  // namespace

CCopyBoxDlg::CCopyBoxDlg(CCopyBox& box, QWidget* parent)
    : QDialog(parent), m_box(box), m_types(new QComboBox(this)), m_list(new QTreeWidget(this)) {
    setWindowTitle("Copybox");
    setMinimumSize(400, 300);
    KeepTitleVisible(*this);
    if (m_box.GetTypeList().empty()) m_box.SetTypeList(FactoryTypes());

    m_types->addItem("<All Patch Types>");
    for (const auto& t : m_box.GetTypeList()) m_types->addItem(QString::fromStdString(t.name));
    if (const auto& filter = m_box.GetFilter()) {
        const auto& list = m_box.GetTypeList();
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].type == *filter) m_types->setCurrentIndex(static_cast<int>(i) + 1);
        m_types->setEnabled(false);
    }
    connect(m_types, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index <= 0) m_box.SetFilter(std::nullopt);
        else m_box.SetFilter(m_box.GetTypeList()[static_cast<std::size_t>(index - 1)].type);
        Fill();
    });

    m_list->setColumnCount(2);
    m_list->setHeaderLabels({"Name", "Patch Type"});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->header()->setSectionsClickable(true);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_sortColumn = column;
        Fill();
    });

    auto* close = new QPushButton("&Close", this);
    auto* paste = new QPushButton("&Paste", this);
    auto* remove = new QPushButton("&Remove", this);
    auto* selectAll = new QPushButton("&Select All", this);
    paste->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(paste, &QPushButton::clicked, this, &CCopyBoxDlg::Paste);
    connect(remove, &QPushButton::clicked, this, &CCopyBoxDlg::RemoveSelected);
    connect(selectAll, &QPushButton::clicked, this, &CCopyBoxDlg::SelectAll);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Patch Type:", this));
    top->addWidget(m_types, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(selectAll);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    buttons->addWidget(paste);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    const CWindowPlacement placement = CAppConfig::Get().ReadWindowPlacement(0, kPlacementName);
    if (placement.valid && placement.right > placement.left && placement.bottom > placement.top)
        setGeometry(placement.left, placement.top, placement.right - placement.left, placement.bottom - placement.top);
    else resize(480, 360);
    Fill();
}

CCopyBoxDlg::~CCopyBoxDlg() {
    CWindowPlacement placement;
    placement.valid = true;
    const QRect g = geometry();
    placement.left = g.left();
    placement.top = g.top();
    placement.right = g.left() + g.width();
    placement.bottom = g.top() + g.height();
    CAppConfig::Get().WriteWindowPlacement(placement, 0, kPlacementName);
}

void CCopyBoxDlg::Fill() {
    m_list->clear();
    for (const CCopyBox::Row& row : m_box.GetRows(m_sortColumn)) {
        auto* item =
            new QTreeWidgetItem(m_list, {tonalith::ui::FromPatchText(row.name), QString::fromStdString(row.typeName)});
        item->setData(0, Qt::UserRole, row.index);
        item->setSelected(m_box.IsFromLatestCopy(row.index));
    }
    // Paste right after Copy pastes what was copied; else the first row is offered.
    if (m_list->selectedItems().isEmpty() && m_list->topLevelItemCount() > 0)
        m_list->topLevelItem(0)->setSelected(true);
    if (!m_list->selectedItems().isEmpty())
        m_list->setCurrentItem(m_list->selectedItems().front(), 0, QItemSelectionModel::NoUpdate);
    m_list->setFocus();
    FitColumns();
}

void CCopyBoxDlg::RemoveSelected() {
    std::vector<int> indexes;
    for (QTreeWidgetItem* item : m_list->selectedItems()) indexes.push_back(item->data(0, Qt::UserRole).toInt());
    m_box.Remove(indexes);
    Fill();
}

void CCopyBoxDlg::SelectAll() { m_list->selectAll(); }

void CCopyBoxDlg::Paste() {
    m_selection.clear();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->isSelected()) m_selection.push_back(item->data(0, Qt::UserRole).toInt());
    }
    accept();
}

void CCopyBoxDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        RemoveSelected();
        return;
    }
    if (event->key() == Qt::Key_A && (event->modifiers() & Qt::ControlModifier)) {
        SelectAll();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CCopyBoxDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FitColumns();
}

// Half the width each, but a name is never cut: its column grows to the widest
// name and the list scrolls sideways if it must.
void CCopyBoxDlg::FitColumns() {
    const int half = m_list->viewport()->width() / 2;
    m_list->resizeColumnToContents(0);
    const int names = std::max(half, m_list->columnWidth(0));
    m_list->setColumnWidth(0, names);
    m_list->setColumnWidth(1, std::max(half, m_list->viewport()->width() - names));
}
