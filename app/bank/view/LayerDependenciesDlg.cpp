#include "LayerDependenciesDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "Layer.h"
#include "LayerDependencies.h"
#include "SynthMemory.h"
#include "tonalith/ui/PatchText.h"

using tonalith::ui::FromModelText;
using tonalith::ui::FromPatchText;

namespace {
// The line keeps its label's own bytes: the display text need not convert back.
void AddLine(QListWidget& list, const QString& text, const std::string& label) {
    auto* item = new QListWidgetItem(text, &list);
    item->setData(Qt::UserRole, QByteArray::fromStdString(label));
}
}  // namespace

CLayerDependenciesDlg::CLayerDependenciesDlg(const CSynthMemory& memory, int layerIndex, QWidget* parent)
    : QDialog(parent), m_memory(memory), m_layer(new QComboBox(this)),
      m_referencedFrom(new QRadioButton("are referenced from", this)), m_reference(new QRadioButton("reference", this)),
      m_layerText(new QLabel("the PROGRAM layer:", this)), m_other(new QComboBox(this)),
      m_patches(new QListWidget(this)), m_details(new QListWidget(this)) {
    setWindowTitle("Layer Dependencies");
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Dependencies for layer:", this));
    top->addWidget(m_layer, 1);
    layout->addLayout(top);

    auto* direction = new QGridLayout;
    direction->addWidget(new QLabel("Layers which", this), 0, 0, 2, 1);
    direction->addWidget(m_referencedFrom, 0, 1);
    direction->addWidget(m_reference, 1, 1);
    direction->addWidget(m_layerText, 0, 2, 2, 1);
    direction->addWidget(m_other, 0, 3, 2, 1);
    direction->setColumnStretch(3, 1);
    layout->addLayout(direction);

    auto* lists = new QHBoxLayout;
    lists->addWidget(m_patches, 3);
    lists->addWidget(m_details, 2);
    layout->addLayout(lists, 1);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("&Close", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 420);

    m_referencedFrom->setChecked(true);
    for (int i = 0; i < memory.GetLayerCount(); ++i) m_layer->addItem(FromModelText(memory.GetLayer(i).GetName()));
    if (layerIndex >= 0 && layerIndex < m_layer->count()) m_layer->setCurrentIndex(layerIndex);

    connect(m_layer, &QComboBox::currentIndexChanged, this, &CLayerDependenciesDlg::OnLayerChanged);
    // Either button: the other one's toggled(false) comes first, so react to the checked one only.
    for (QRadioButton* button : {m_referencedFrom, m_reference})
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on) OnDirectionChanged();
        });
    connect(m_other, &QComboBox::currentIndexChanged, this, &CLayerDependenciesDlg::Fill);
    connect(m_patches, &QListWidget::currentRowChanged, this, &CLayerDependenciesDlg::ShowDetails);
    OnLayerChanged();
}

const CLayer* CLayerDependenciesDlg::ChosenLayer() const {
    const int index = m_layer->currentIndex();
    return index >= 0 && index < m_memory.GetLayerCount() ? &m_memory.GetLayer(index) : nullptr;
}

void CLayerDependenciesDlg::OnLayerChanged() {
    if (const CLayer* layer = ChosenLayer()) m_layerText->setText("the " + FromModelText(layer->GetName()) + " layer:");
    OnDirectionChanged();
}

void CLayerDependenciesDlg::OnDirectionChanged() {
    const QSignalBlocker refilling(m_other);
    m_other->clear();
    if (const CLayer* layer = ChosenLayer()) {
        const bool children = m_referencedFrom->isChecked();
        const int count = children ? layer->GetChildLayerCount() : layer->GetParentLayerCount();
        for (int i = 0; i < count; ++i)
            m_other->addItem(FromModelText((children ? layer->GetChildLayer(i) : layer->GetParentLayer(i))->GetName()));
    }
    if (m_other->count() > 0) m_other->setCurrentIndex(0);
    Fill();
}

void CLayerDependenciesDlg::Fill() {
    m_patches->clear();
    m_details->clear();
    m_detailsOf.clear();
    const CLayer* layer = ChosenLayer();
    const int other = m_other->currentIndex();
    const bool enabled = layer && other >= 0;
    for (QWidget* w : std::initializer_list<QWidget*>{m_other, m_patches, m_details}) w->setEnabled(enabled);
    if (!enabled) return;

    if (m_referencedFrom->isChecked()) {
        for (auto& entry : LayerDependencies::ReferencedFrom(*layer, *layer->GetChildLayer(other))) {
            AddLine(*m_patches, FromPatchText(entry.label), entry.label);
            m_detailsOf[entry.label] = std::move(entry.labels);
        }
    } else {
        for (auto& entry : LayerDependencies::UsedBy(*layer, *layer->GetParentLayer(other))) {
            AddLine(*m_patches, FromPatchText(LayerDependencies::UsageLine(entry)), entry.label);
            m_detailsOf[entry.label] = std::move(entry.labels);
        }
    }
    if (m_patches->count() > 0) m_patches->setCurrentRow(0);
}

void CLayerDependenciesDlg::ShowDetails() {
    m_details->clear();
    const QListWidgetItem* item = m_patches->currentItem();
    if (!item) return;
    const QByteArray key = item->data(Qt::UserRole).toByteArray();
    const auto found = m_detailsOf.find(key.toStdString());
    if (found == m_detailsOf.end()) return;
    for (const std::string& label : found->second) m_details->addItem(FromPatchText(label));
}
