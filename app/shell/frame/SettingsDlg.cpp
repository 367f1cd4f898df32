#include "SettingsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "AppConfig.h"
#include "Functions.h"
#include "Midi.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "tonalith/ui/KeyNames.h"
#include "tonalith/ui/QtUi.h"

namespace {
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kNameColumn = 0, kRequestColumn = 1, kSizeColumn = 2, kInputColumn = 3, kOutputColumn = 4;
// Far above any dump an instrument sends; 0 means the size is unknown.
constexpr int kMaxExpectedSize = 16 * 1024 * 1024;

// "(none)" and then the ports (device index i is row i + 1); the stored port is
// found by name, then by index. A named port that is not there now stays offered
// as "(absent)", holding its index as item data, so storing the page keeps it.
QComboBox* DeviceCombo(const std::vector<std::string>& names, int device, const std::string& name, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->addItem("(none)");
    for (const std::string& n : names) combo->addItem(QString::fromStdString(n));
    int row = name.empty() ? -1 : combo->findText(QString::fromStdString(name));
    if (row < 0 && device >= 0 && device + 1 < combo->count()) row = device + 1;
    if (row < 0 && !name.empty()) {
        combo->addItem(QString::fromStdString(name) + " (absent)", device);
        row = combo->count() - 1;
    }
    combo->setCurrentIndex(std::max(0, row));
    return combo;
}

// What a device combo holds: index and name, or the stored ones for an absent port.
void ChosenDevice(const QComboBox& combo, int& device, std::string& name) {
    if (combo.currentIndex() <= 0) {
        device = -1;
        name.clear();
    } else if (const QVariant absent = combo.currentData(); absent.isValid()) {
        device = absent.toInt();  // the name stays
    } else {
        device = combo.currentIndex() - 1;
        name = combo.currentText().toStdString();
    }
}

QLabel* Lines(std::initializer_list<const char*> lines, QWidget* parent) {
    QStringList text;
    for (const char* l : lines) text << l;
    return new QLabel(text.join("\n"), parent);
}
}  // namespace

QString InstalledFontFamily(const QString& family) {
    if (!family.isEmpty() && QFontDatabase::hasFamily(family)) return family;
    // The family Qt resolves the system font to, not an alias like "Sans Serif".
    return QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
}

CAppSettingsPage::CAppSettingsPage(CAppConfig& config, QWidget* parent)
    : CSettingsPage(parent), m_config(config), m_remoteInputs(new QListWidget(this)), m_controller(new QComboBox(this)),
      m_route(new QCheckBox("Route Midi Controller to Synth", this)), m_font(new QComboBox(this)),
      m_size(new QComboBox(this)), m_patches(new QComboBox(this)), m_memories(new QListWidget(this)),
      m_deactivated(new QCheckBox("Deactivated", this)) {
    auto* midiBox = new QGroupBox("Midi", this);
    auto* midiLayout = new QGridLayout(midiBox);
    midiLayout->addWidget(new QLabel("Remote Midi Input:", midiBox), 0, 0);
    midiLayout->addWidget(m_remoteInputs, 1, 0);
    midiLayout->addWidget(
        Lines({"Select those inputs where you have", "connected a masterkeyboard or a", "faderbox."}, midiBox), 1, 1);
    midiLayout->addWidget(new QLabel("Basic Midi Controller:", midiBox), 2, 0);
    midiLayout->addWidget(m_controller, 3, 0);
    midiLayout->addWidget(m_route, 4, 0, 1, 2);
    m_remoteInputs->setSelectionMode(QAbstractItemView::MultiSelection);

    auto* layoutBox = new QGroupBox("Layout", this);
    auto* form = new QFormLayout(layoutBox);
    form->addRow("Font:", m_font);
    form->addRow("Size:", m_size);
    form->addRow("Patches in Column:", m_patches);

    auto* memBox = new QGroupBox("Synth Memories", this);
    auto* memLayout = new QGridLayout(memBox);
    memLayout->addWidget(m_memories, 0, 0, 2, 1);
    memLayout->addWidget(m_deactivated, 0, 1);
    memLayout->addWidget(Lines({"Deactivate the synth", "memories you do not", "need for faster start up."}, memBox), 1,
                         1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(midiBox, 0, 0, 2, 1);
    layout->addWidget(layoutBox, 0, 1);
    layout->addWidget(memBox, 1, 1);

    // Filling.
    const QStringList families = QFontDatabase::families();
    m_font->addItems(families);
    const QString family = InstalledFontFamily(QString::fromStdString(config.m_fontType));
    const int fontIndex = m_font->findText(family);
    if (fontIndex >= 0) m_font->setCurrentIndex(fontIndex);
    else {
        m_font->insertItem(0, family);
        m_font->setCurrentIndex(0);
    }
    for (int s = 6; s <= 22; ++s) m_size->addItem(QString::number(s));
    m_size->setCurrentText(QString::number(config.m_viewFontSize));
    for (int p = 1; p <= 128; ++p) m_patches->addItem(QString::number(p));
    m_patches->setCurrentText(QString::number(config.m_patchesInCol));

    const std::vector<std::string> inputs = CMidi::Get().GetInputNames();
    for (const std::string& name : inputs) m_remoteInputs->addItem(QString::fromStdString(name));
    for (int index : config.m_remoteIn)
        if (index >= 0 && index < m_remoteInputs->count()) m_remoteInputs->item(index)->setSelected(true);

    for (int c = 0; c < 128; ++c) m_controller->addItem(QString::fromStdString(tonalith::ui::ControllerName(c)));
    m_controller->setCurrentIndex(std::clamp(config.m_remote, 0, 127));
    m_route->setChecked(config.m_routeMidiController);

    for (std::size_t i = 0; i < config.m_disabledMem.size(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(config.m_disabledMem[i] + "\tDISABLED"), m_memories);
        item->setData(kPathRole,
                      QString::fromStdString(i < config.m_disabledMemPath.size() ? config.m_disabledMemPath[i] : ""));
    }
    const CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    for (int i = 0; i < factory.GetCount(); ++i) {
        const std::string name = factory.GetMemory(i).GetName();
        if (name == "Generic" || factory.GetMemory(i).IsGeneric()) continue;
        const QString prefix = QString::fromStdString(name + "\t");
        bool listed = false;
        for (int r = 0; r < m_memories->count(); ++r) listed = listed || m_memories->item(r)->text().startsWith(prefix);
        if (listed) continue;
        auto* item = new QListWidgetItem(prefix, m_memories);
        item->setData(kPathRole, QString::fromStdString(factory.GetDLLPathFromName(name)));
    }
    connect(m_memories, &QListWidget::currentRowChanged, this, [this](int row) {
        const QSignalBlocker block(m_deactivated);
        m_deactivated->setChecked(row >= 0 && m_memories->item(row)->text().contains("DISABLED"));
    });
    connect(m_deactivated, &QCheckBox::clicked, this, &CAppSettingsPage::SetDeactivated);
    if (m_memories->count() > 0) m_memories->setCurrentRow(0);
}

void CAppSettingsPage::SetDeactivated(bool on) {
    QListWidgetItem* item = m_memories->currentItem();
    if (!item) return;
    const QString name = item->text().section('\t', 0, 0);
    item->setText(name + "\t" + (on ? "DISABLED" : ""));
    const QSignalBlocker block(m_deactivated);
    m_deactivated->setChecked(on);
}

void CAppSettingsPage::Store() {
    m_config.m_fontType = m_font->currentText().toStdString();
    m_config.m_viewFontSize = m_size->currentText().toInt();
    m_config.m_patchesInCol = std::clamp(m_patches->currentText().toInt(), 1, 128);
    m_config.m_remote = m_controller->currentIndex();
    CMidi::Get().SetRemoteController(m_config.m_remote);
    m_config.m_remoteIn.clear();
    for (int i = 0; i < m_remoteInputs->count(); ++i)
        if (m_remoteInputs->item(i)->isSelected()) m_config.m_remoteIn.push_back(i);
    m_config.m_disabledMem.clear();
    m_config.m_disabledMemPath.clear();
    for (int i = 0; i < m_memories->count(); ++i) {
        const QListWidgetItem* item = m_memories->item(i);
        if (!item->text().contains("DISABLED")) continue;
        m_config.m_disabledMem.push_back(item->text().section('\t', 0, 0).toStdString());
        m_config.m_disabledMemPath.push_back(item->data(kPathRole).toString().toStdString());
    }
    m_config.m_routeMidiController = m_route->isChecked();
}

CSynthSettingsPage::CSynthSettingsPage(CSynth& synth, QWidget* parent) : CSettingsTemplateDlg(synth, parent) {
    const std::vector<CSettingField> fields = synth.GetSettingFields();
    if (fields.empty()) return;
    auto* form = new QFormLayout;
    PageLayout().addLayout(form);
    for (const CSettingField& field : fields) {
        const QString label = QString::fromStdString(field.label);
        QWidget* widget = nullptr;
        switch (field.kind) {
        case CSettingField::Kind::Integer: {
            auto* spin = new QSpinBox(this);
            spin->setRange(field.minimum, field.maximum);
            widget = spin;
            break;
        }
        case CSettingField::Kind::Boolean: widget = new QCheckBox(this); break;
        case CSettingField::Kind::Choice: {
            auto* combo = new QComboBox(this);
            for (const std::string& c : field.choices) combo->addItem(QString::fromStdString(c));
            widget = combo;
            break;
        }
        case CSettingField::Kind::Text: widget = new QLineEdit(this); break;
        case CSettingField::Kind::File: {
            auto* row = new QWidget(this);
            auto* h = new QHBoxLayout(row);
            h->setContentsMargins(0, 0, 0, 0);
            auto* edit = new QLineEdit(row);
            auto* browse = new QPushButton("...", row);
            h->addWidget(edit, 1);
            h->addWidget(browse);
            connect(browse, &QPushButton::clicked, this, [edit, label] {
                const auto path = CUi::Get().ChooseOpenFile(label.toStdString(), "All Files (*.*)|*.*||");
                if (path) edit->setText(QString::fromStdString(*path));
            });
            widget = row;
            break;
        }
        }
        // Plug-ins' captions may end in a colon already ("Board 1:").
        form->addRow(label.endsWith(':') ? label : label + ":", widget);
        m_fields.emplace_back(field, widget);
    }
}

void CSynthSettingsPage::LoadSettings(CSynth& synth) {
    const CBasicConfig& config = synth.GetConfig();
    for (const auto& [field, widget] : m_fields) {
        const int number = std::atoi(field.defaultValue.c_str());
        switch (field.kind) {
        case CSettingField::Kind::Integer:
            static_cast<QSpinBox*>(widget)->setValue(config.GetInt(field.key, number));
            break;
        case CSettingField::Kind::Boolean:
            static_cast<QCheckBox*>(widget)->setChecked(
                config.GetBoolean(field.key, field.defaultValue == "1" || field.defaultValue == "true"));
            break;
        case CSettingField::Kind::Choice: {
            auto* combo = static_cast<QComboBox*>(widget);
            combo->setCurrentIndex(std::clamp(config.GetInt(field.key, number), 0, std::max(0, combo->count() - 1)));
            break;
        }
        case CSettingField::Kind::Text:
            static_cast<QLineEdit*>(widget)->setText(
                QString::fromStdString(config.GetString(field.key, field.defaultValue)));
            break;
        case CSettingField::Kind::File:
            widget->findChild<QLineEdit*>()->setText(
                QString::fromStdString(config.GetString(field.key, field.defaultValue)));
            break;
        }
    }
}

void CSynthSettingsPage::StoreSettings(CSynth& synth) {
    CBasicConfig& config = synth.GetConfig();
    for (const auto& [field, widget] : m_fields) {
        switch (field.kind) {
        case CSettingField::Kind::Integer: config.PutInt(field.key, static_cast<QSpinBox*>(widget)->value()); break;
        case CSettingField::Kind::Boolean:
            config.PutBoolean(field.key, static_cast<QCheckBox*>(widget)->isChecked());
            break;
        case CSettingField::Kind::Choice:
            config.PutInt(field.key, static_cast<QComboBox*>(widget)->currentIndex());
            break;
        case CSettingField::Kind::Text:
            config.PutString(field.key, static_cast<QLineEdit*>(widget)->text().toStdString());
            break;
        case CSettingField::Kind::File:
            config.PutString(field.key, widget->findChild<QLineEdit*>()->text().toStdString());
            break;
        }
    }
}

CGenericSettingsPage::CGenericSettingsPage(CSynth& synth, QWidget* parent)
    : CSettingsPage(parent), m_synth(synth), m_table(new QTableWidget(0, 5, this)) {
    auto* about =
        new QLabel("SysEx that no plug-in reads opens in the generic memory. Its dump commands ask any instrument "
                   "for a dump: Receive offers each by its name, sends the request (hex bytes; none when the dump "
                   "is started on the instrument) on the MIDI output and waits on the MIDI input for the given "
                   "number of bytes (0 when the size is unknown).",
                   this);
    about->setWordWrap(true);
    m_table->setHorizontalHeaderLabels({"Name", "Request", "Size", "MIDI Input", "MIDI Output"});
    m_table->horizontalHeader()->setSectionResizeMode(kRequestColumn, QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* add = new QPushButton("&Add", this);
    auto* remove = new QPushButton("&Remove", this);
    connect(add, &QPushButton::clicked, this, [this] {
        CDumpCommand command;
        command.m_name = "New Dump";
        AddCommand(command);
    });
    connect(remove, &QPushButton::clicked, this, &CGenericSettingsPage::RemoveCurrentCommand);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    auto* box = new QGroupBox("Dump Commands", this);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->addWidget(about);
    boxLayout->addWidget(m_table, 1);
    boxLayout->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    for (int i = 0; i < synth.GetDumpCommandsCount(); ++i) AddCommand(synth.GetDumpCommand(i));
}

void CGenericSettingsPage::AddCommand(const CDumpCommand& command) {
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_commands.push_back(command);
    m_table->setItem(row, kNameColumn, new QTableWidgetItem(QString::fromStdString(command.m_name)));
    m_table->setItem(row, kRequestColumn, new QTableWidgetItem(QString::fromStdString(command.m_request)));
    auto* size = new QSpinBox(m_table);
    size->setRange(0, kMaxExpectedSize);
    size->setValue(static_cast<int>(std::clamp<long>(command.m_expectedSize, 0, kMaxExpectedSize)));
    m_table->setCellWidget(row, kSizeColumn, size);
    m_table->setCellWidget(
        row, kInputColumn,
        DeviceCombo(CMidi::Get().GetInputNames(), command.m_inputDevice, command.m_inputName, m_table));
    m_table->setCellWidget(
        row, kOutputColumn,
        DeviceCombo(CMidi::Get().GetOutputNames(), command.m_outputDevice, command.m_outputName, m_table));
    m_table->setCurrentCell(row, kNameColumn);
}

void CGenericSettingsPage::RemoveCurrentCommand() {
    const int row = m_table->currentRow();
    if (row < 0) return;
    m_table->removeRow(row);
    m_commands.erase(m_commands.begin() + row);
}

void CGenericSettingsPage::Store() {
    while (m_synth.GetDumpCommandsCount() > 0) m_synth.RemoveDumpCommand(m_synth.GetDumpCommandsCount() - 1);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        CDumpCommand command = m_commands[static_cast<std::size_t>(row)];
        command.m_name = m_table->item(row, kNameColumn)->text().trimmed().toStdString();
        // A command without a name cannot be chosen in Receive.
        if (command.m_name.empty()) continue;
        const std::string request = m_table->item(row, kRequestColumn)->text().trimmed().toStdString();
        try {
            (void)CFunctions::StringToHex(request);
            command.m_request = request;
        } catch (const CHexFormatError& e) {
            // Said now rather than at the first Receive; the request it had stays.
            CUi::Get().MessageBox("The request of \"" + command.m_name + "\" is not hex text (" + e.what() +
                                  "); it keeps \"" + command.m_request + "\".");
        }
        command.m_expectedSize = static_cast<QSpinBox*>(m_table->cellWidget(row, kSizeColumn))->value();
        ChosenDevice(*static_cast<QComboBox*>(m_table->cellWidget(row, kInputColumn)), command.m_inputDevice,
                     command.m_inputName);
        ChosenDevice(*static_cast<QComboBox*>(m_table->cellWidget(row, kOutputColumn)), command.m_outputDevice,
                     command.m_outputName);
        m_synth.AddDumpCommand(std::move(command));
    }
}

CSettingsDlg::CSettingsDlg(CAppConfig& config, QWidget* parent)
    : QDialog(parent), m_config(config), m_tabs(new QTabBar(this)), m_pageArea(new QScrollArea(this)) {
    setWindowTitle("Settings");
    // Pages differ in size: the dialog keeps the size it opened with and a
    // larger page scrolls inside it.
    m_pageArea->setWidgetResizable(true);
    m_pageArea->setFrameShape(QFrame::NoFrame);
    tonalith::ui::CWaitCursor wait;
    m_tabs->addTab("Global");
    const CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    for (int i = 0; i < factory.GetCount(); ++i) m_tabs->addTab(QString::fromStdString(factory.GetMemory(i).GetName()));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_pageArea, 1);
    layout->addWidget(buttons);
    ShowPage(0);
    m_pageArea->setMinimumSize(m_page->sizeHint());
    connect(m_tabs, &QTabBar::currentChanged, this, &CSettingsDlg::ShowPage);
}

void CSettingsDlg::ShowPage(int tab) {
    if (m_page) {
        // Leaving a page stores it; Cancel later does not undo that.
        m_page->Store();
        delete m_pageArea->takeWidget();
        m_page = nullptr;
    }
    if (tab == 0) {
        m_page = new CAppSettingsPage(m_config, this);
    } else {
        const CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
        if (tab - 1 >= factory.GetCount()) return;
        const CSynthMemory& memory = factory.GetMemory(tab - 1);
        CSynth* synth = memory.GetSynth();
        if (!synth) return;
        if (memory.IsGeneric()) {
            m_page = new CGenericSettingsPage(*synth, this);
        } else {
            CSettingsTemplateDlg* page = tonalith::ui::CreateSettingsPage(memory.GetName(), *synth, this);
            if (!page) page = new CSynthSettingsPage(*synth, this);
            page->Load();
            m_page = page;
        }
    }
    m_pageArea->setWidget(m_page);
}

void CSettingsDlg::accept() {
    if (m_page) m_page->Store();
    QDialog::accept();
}
