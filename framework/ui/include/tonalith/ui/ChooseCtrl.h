#pragma once

#include <QComboBox>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

// A selector over a list of texts, each with the value it stands for (the
// value a record stores, which need not be its position: a list may skip
// values or start anywhere). The wheel and the arrow keys step the selection.
//
// selectionChanged is emitted only for the user's changes (popup, keys,
// wheel); AddItem, SetItems, SetSelection, SelectByValue and Reset never
// emit. Use these instead of QComboBox::setCurrentIndex, which counts as a
// user change.
class CChooseCtrl : public QComboBox {
    Q_OBJECT

public:
    explicit CChooseCtrl(QWidget* parent = nullptr);

    void AddItem(const QString& text, int itemValue);
    // Replaces the items: texts[i] stands for firstValue + i. Selects the
    // default value when it is among them, else the first item.
    void SetItems(const QStringList& texts, int firstValue = 0);
    void SetItems(const std::vector<std::string>& texts, int firstValue = 0);

    int GetSelection() const { return currentIndex(); }  // -1 when empty
    void SetSelection(int index);  // an index outside the list is ignored
    // The value of item index; nullopt outside the list.
    std::optional<int> GetItemValue(int index) const;
    // The value of the selected item; the default when nothing is selected.
    int GetValue() const;
    // Selects the first item with that value; false (selection unchanged) when none has it.
    bool SelectByValue(int itemValue);

    void SetDefault(int itemValue) { m_default = itemValue; }
    int GetDefault() const { return m_default; }
    // Selects the default value, or the first item when no item has it.
    void Reset();

signals:
    void selectionChanged(int index, int itemValue);

private:
    int m_default = 0;
    bool m_quiet = false;  // set while the program changes the selection
};
