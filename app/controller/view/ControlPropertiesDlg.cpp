#include "ControlPropertiesDlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

#include "ControllerMessage.h"
#include "FormWidgets.h"
#include "ItemData.h"
#include "Ui.h"
#include "tonalith/ui/ChooseCtrl.h"
#include "tonalith/ui/KeyNames.h"

using tonalith::ui::FromFormLines;
using tonalith::ui::FromPatchText;
using tonalith::ui::ToFormLines;
using tonalith::ui::ToPatchText;

namespace {

constexpr int kValueLimit = 127;  // Value, Offset, Minimum, Maximum, On and Off lie in -127..127

// The page's three groups and the fields each shows, in the order shown.
struct FieldGroup {
    const char* title;
    std::vector<const char*> fields;
};
const std::array<FieldGroup, 3>& Groups() {
    static const std::array<FieldGroup, 3> groups{{
        {"Midi Message", {"Type", "Controller", "Message", "Encoding"}},
        {"Midi Output", {"Port", "Channel", "Remote"}},
        {"Appearence",
         {"Text", "Border", "Show Group Frame", "Caption", "Is Pushbutton", "Texts", "Values", "Minimum", "Maximum",
          "Off", "On", "Value", "Offset", "Vertical", "Tooltip"}},
    }};
    return groups;
}

bool IsFlag(std::string_view field) {
    return field == "Show Group Frame" || field == "Is Pushbutton" || field == "Vertical";
}
bool IsLines(std::string_view field) { return field == "Texts" || field == "Values"; }

// The entries of a field's combo: text and the value it stores.
std::vector<std::pair<QString, int>> Choices(std::string_view field, const CControllerOutput& output) {
    std::vector<std::pair<QString, int>> choices;
    if (field == "Type") {
        for (int t = 0; t < CMidiItemData::kTypeCount; ++t)
            choices.emplace_back(CMidiItemData::GetMessageTypeName(t), t);
    } else if (field == "Controller" || field == "Remote") {
        if (field == "Remote") choices.emplace_back("None", -1);
        for (int c = 0; c < 128; ++c) choices.emplace_back(QString::fromStdString(tonalith::ui::ControllerName(c)), c);
    } else if (field == "Port") {
        for (int p = 0; p < output.GetDeviceCount(); ++p)
            choices.emplace_back(QString::fromStdString(output.GetDeviceName(p)), p);
    } else if (field == "Channel") {
        for (int c = 0; c < 16; ++c) choices.emplace_back(QString::number(c + 1), c);
    } else if (field == "Encoding") {
        choices = {{"None", 0}, {"Roland Checksum", 1}};
    } else if (field == "Border") {
        choices = {{"None", CGroupItemData::None},
                   {"Vertical", CGroupItemData::Vertical},
                   {"Horizontal", CGroupItemData::Horizontal},
                   {"Both", CGroupItemData::Both}};
    } else {
        for (int v = -kValueLimit; v <= kValueLimit; ++v) choices.emplace_back(QString::number(v), v);
    }
    return choices;
}

// Offset is added to the sent value of knobs and sliders only.
bool Shows(const CItemData& data, std::string_view field) {
    if (field != "Offset") return true;
    return dynamic_cast<const CKnobItemData*>(&data) || dynamic_cast<const CSliderItemData*>(&data);
}

}  // namespace

// ---- CItemPage ----------------------------------------------------------------

CItemPage::CItemPage(std::unique_ptr<CItemData> itemData, const CControllerOutput& output, QWidget* parent)
    : QWidget(parent), m_data(std::move(itemData)), m_output(output) {
    const std::vector<CItemField> fields = m_data->Fields();
    auto* layout = new QVBoxLayout(this);
    for (const FieldGroup& group : Groups()) {
        QGroupBox* box = nullptr;
        QFormLayout* form = nullptr;
        for (const char* field : group.fields) {
            const auto it = std::find_if(fields.begin(), fields.end(),
                                         [field](const CItemField& f) { return std::string_view(f.name) == field; });
            if (it == fields.end() || !Shows(*m_data, field)) continue;
            if (!box) {
                box = new QGroupBox(group.title, this);
                form = new QFormLayout(box);
                layout->addWidget(box);
            }
            QWidget* widget = MakeWidget(field, it->kind, box);
            if (IsFlag(field)) form->addRow(widget);
            else form->addRow(QString(field) + ":", widget);
        }
    }
    layout->addStretch();
    Refresh();
}

QWidget* CItemPage::MakeWidget(const std::string& field, CItemField::Kind kind, QWidget* parent) {
    QWidget* widget = nullptr;
    if (IsFlag(field)) {
        auto* check = new QCheckBox(QString::fromStdString(field), parent);
        connect(check, &QCheckBox::toggled, this, [this, field](bool on) { Store(field, on ? "1" : "0"); });
        widget = check;
    } else if (IsLines(field)) {
        auto* lines = new QPlainTextEdit(parent);
        lines->setTabChangesFocus(true);
        lines->setFixedHeight(lines->fontMetrics().height() * 5);
        connect(lines, &QPlainTextEdit::textChanged, this,
                [this, field, lines] { Store(field, ToFormLines(lines->toPlainText())); });
        widget = lines;
    } else if (kind == CItemField::Text) {
        auto* edit = new QLineEdit(parent);
        connect(edit, &QLineEdit::textEdited, this,
                [this, field](const QString& text) { Store(field, ToPatchText(text)); });
        widget = edit;
    } else {
        auto* combo = new CChooseCtrl(parent);
        combo->setMaxVisibleItems(16);
        for (const auto& [text, value] : Choices(field, m_output)) combo->AddItem(text, value);
        connect(combo, &CChooseCtrl::selectionChanged, this, [this, field](int, int value) {
            // A picked Type also puts its template into Message.
            if (auto* midi = dynamic_cast<CMidiItemData*>(m_data.get()); midi && field == "Type") {
                midi->SetType(value);
                Refresh();
                return;
            }
            Store(field, std::to_string(value));
        });
        widget = combo;
    }
    widget->setObjectName(QString::fromStdString(field));
    m_bindings.push_back({field, widget});
    return widget;
}

void CItemPage::Store(const std::string& field, const std::string& value) {
    // A value outside the field's range is refused by the data; the refresh then
    // shows what the field still holds.
    m_data->SetField(field, value);
    Refresh();
}

void CItemPage::Refresh() {
    for (const Binding& binding : m_bindings) {
        const std::string value = m_data->GetField(binding.field).value_or(std::string());
        if (auto* combo = qobject_cast<CChooseCtrl*>(binding.widget)) {
            // A value no entry stands for (a file's Controller -1, a Port of a device
            // not present) shows as no selection and stays as it is.
            if (!combo->SelectByValue(std::atoi(value.c_str()))) combo->setCurrentIndex(-1);
        } else if (auto* check = qobject_cast<QCheckBox*>(binding.widget)) {
            const QSignalBlocker block(check);
            check->setChecked(value != "0");
        } else if (auto* edit = qobject_cast<QLineEdit*>(binding.widget)) {
            const QString text = FromPatchText(value);
            if (edit->text() != text) edit->setText(text);
        } else if (auto* lines = qobject_cast<QPlainTextEdit*>(binding.widget)) {
            const QString text = FromFormLines(value);
            if (lines->toPlainText() == text) continue;
            const QSignalBlocker block(lines);
            lines->setPlainText(text);
            lines->moveCursor(QTextCursor::End);
        }
    }
    // The controller number belongs to Control Change, the encoding to System Exclusive.
    if (const auto* midi = dynamic_cast<const CMidiItemData*>(m_data.get())) {
        if (QWidget* controller = Find("Controller"))
            controller->setEnabled(midi->m_nType == CMidiItemData::ControlChange);
        if (QWidget* encoding = Find("Encoding")) encoding->setEnabled(midi->m_nType == CMidiItemData::SystemExclusive);
    }
}

QWidget* CItemPage::Find(std::string_view field) const {
    for (const Binding& binding : m_bindings)
        if (binding.field == field) return binding.widget;
    return nullptr;
}

CChooseCtrl* CItemPage::Combo(std::string_view field) const { return qobject_cast<CChooseCtrl*>(Find(field)); }
QLineEdit* CItemPage::Edit(std::string_view field) const { return qobject_cast<QLineEdit*>(Find(field)); }
QPlainTextEdit* CItemPage::Lines(std::string_view field) const { return qobject_cast<QPlainTextEdit*>(Find(field)); }
QCheckBox* CItemPage::Check(std::string_view field) const { return qobject_cast<QCheckBox*>(Find(field)); }

bool CItemPage::Validate() {
    auto* radio = dynamic_cast<CRadioItemData*>(m_data.get());
    if (!radio) return true;
    const std::string error = radio->NormalizeLists();
    Refresh();
    if (error.empty()) return true;
    CUi::Get().MessageBox(error, CUi::Icon::Warning);
    if (QPlainTextEdit* texts = Lines("Texts")) texts->setFocus();
    return false;
}

// ---- CControlPropertiesDlg ----------------------------------------------------

CControlPropertiesDlg::CControlPropertiesDlg(const CItemData& itemData, const CControllerOutput& output,
                                             QWidget* parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)) {
    m_tabs->addTab(new CItemPage(itemData.Clone(), output), FromPatchText(itemData.GetTypeName()));
    m_tabs->tabBar()->setEnabled(false);
    Build();
}

CControlPropertiesDlg::CControlPropertiesDlg(const CControllerOutput& output, QWidget* parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)) {
    const CItemTypeRegistry& registry = CItemTypeRegistry::Get();
    for (int i = 0; i < registry.GetCount(); ++i) {
        const CItemData& prototype = registry.GetPrototype(i);
        m_tabs->addTab(new CItemPage(prototype.Clone(), output), FromPatchText(prototype.GetTypeName()));
    }
    m_tabs->setCurrentIndex(0);
    Build();
}

void CControlPropertiesDlg::Build() {
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(tonalith::ui::OkCancelButtons(*this));
}

CItemPage& CControlPropertiesDlg::Page(int index) const { return *static_cast<CItemPage*>(m_tabs->widget(index)); }

CItemPage& CControlPropertiesDlg::CurrentPage() const { return Page(m_tabs->currentIndex()); }

void CControlPropertiesDlg::accept() {
    // The radio lists must agree before the dialog closes.
    if (Validate()) QDialog::accept();
}
