#pragma once

#include <QDialog>

#include <map>
#include <string>
#include <vector>

class CLayer;
class CSynthMemory;
class QComboBox;
class QLabel;
class QListWidget;
class QRadioButton;

// "Layer Dependencies": for the chosen layer, which patches of a child layer each
// of its patches uses, or which of its patches a parent layer uses, how often and
// by whom. It only reads the memory.
class CLayerDependenciesDlg final : public QDialog {
    Q_OBJECT
public:
    CLayerDependenciesDlg(const CSynthMemory& memory, int layerIndex, QWidget* parent = nullptr);

    QComboBox& LayerCombo() const { return *m_layer; }
    QRadioButton& ReferencedFromButton() const { return *m_referencedFrom; }
    QRadioButton& ReferenceButton() const { return *m_reference; }
    QLabel& LayerText() const { return *m_layerText; }
    QComboBox& OtherLayerCombo() const { return *m_other; }
    QListWidget& PatchList() const { return *m_patches; }
    QListWidget& DetailList() const { return *m_details; }

private:
    const CLayer* ChosenLayer() const;
    void OnLayerChanged();
    void OnDirectionChanged();
    void Fill();
    void ShowDetails();

    const CSynthMemory& m_memory;
    QComboBox* m_layer;
    QRadioButton* m_referencedFrom;
    QRadioButton* m_reference;
    QLabel* m_layerText;
    QComboBox* m_other;
    QListWidget* m_patches;
    QListWidget* m_details;
    // A left-list label and the labels the right list shows for it.
    std::map<std::string, std::vector<std::string>> m_detailsOf;
};
