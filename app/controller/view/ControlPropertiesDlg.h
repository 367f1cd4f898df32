#pragma once

// "Edit Control Properties": one page per item type. A page edits its own copy of
// an item data; every widget stands for one field and writes it through the
// data's SetField, so a page accepts exactly what the field's range accepts and
// the knob and slider keep Minimum <= Value <= Maximum as the model orders them.

#include <QDialog>
#include <QWidget>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ItemData.h"

class CChooseCtrl;
class CControllerOutput;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;

class CItemPage final : public QWidget {
    Q_OBJECT

public:
    // output names the ports the Port combo offers.
    CItemPage(std::unique_ptr<CItemData> itemData, const CControllerOutput& output, QWidget* parent = nullptr);

    CItemData& Data() { return *m_data; }
    const CItemData& Data() const { return *m_data; }
    // The widget of a field, by the field's name ("Minimum", "Texts" ...), or null
    // when this page does not show it.
    CChooseCtrl* Combo(std::string_view field) const;
    QLineEdit* Edit(std::string_view field) const;
    QPlainTextEdit* Lines(std::string_view field) const;
    QCheckBox* Check(std::string_view field) const;

    // What OK checks: a radio group's Texts and Values end with a line break and
    // have as many lines. On failure says so, focuses Texts and returns false.
    bool Validate();

private:
    struct Binding {
        std::string field;
        QWidget* widget;
    };
    QWidget* Find(std::string_view field) const;
    QWidget* MakeWidget(const std::string& field, CItemField::Kind kind, QWidget* parent);
    void Store(const std::string& field, const std::string& value);
    // Shows the data in every widget without reporting the changes as the user's.
    void Refresh();

    std::unique_ptr<CItemData> m_data;
    const CControllerOutput& m_output;
    std::vector<Binding> m_bindings;
};

class CControlPropertiesDlg final : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Edit Control Properties";

    // Properties of one item: only its type's page, on a copy of data; the tabs
    // cannot be changed.
    CControlPropertiesDlg(const CItemData& itemData, const CControllerOutput& output, QWidget* parent = nullptr);
    // A new item: one page per item type in registry order, the first shown.
    explicit CControlPropertiesDlg(const CControllerOutput& output, QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return m_tabs; }
    CItemPage& Page(int index) const;
    CItemPage& CurrentPage() const;
    bool Validate() { return CurrentPage().Validate(); }
    void accept() override;

private:
    void Build();
    QTabWidget* m_tabs;
};
