#pragma once

#include <QDialog>
#include <QWidget>

#include <memory>
#include <vector>

#include "Synth.h"
#include "tonalith/ui/SettingsTemplateDlg.h"

class CAppConfig;
class CSynthMemory;
class QCheckBox;
class QComboBox;
class QListWidget;
class QScrollArea;
class QTabBar;
class QTableWidget;
class QVBoxLayout;

// The font family to draw patch names in: family when this machine has it, else
// the system's general font (a stored face from another machine draws in some
// fallback the user never chose, and the font list would offer a face that is not there).
QString InstalledFontFamily(const QString& family);

// The "Global" page.
class CAppSettingsPage final : public CSettingsPage {
    Q_OBJECT
public:
    explicit CAppSettingsPage(CAppConfig& config, QWidget* parent = nullptr);
    void Store() override;

    QListWidget& RemoteInputs() const { return *m_remoteInputs; }
    QComboBox& Controller() const { return *m_controller; }
    QCheckBox& Route() const { return *m_route; }
    QComboBox& FontCombo() const { return *m_font; }
    QComboBox& SizeCombo() const { return *m_size; }
    QComboBox& PatchesCombo() const { return *m_patches; }
    QListWidget& Memories() const { return *m_memories; }
    QCheckBox& Deactivated() const { return *m_deactivated; }
    // Marks or unmarks the selected synth memory entry as deactivated.
    void SetDeactivated(bool on);

private:
    CAppConfig& m_config;
    QListWidget* m_remoteInputs;
    QComboBox* m_controller;
    QCheckBox* m_route;
    QComboBox* m_font;
    QComboBox* m_size;
    QComboBox* m_patches;
    QListWidget* m_memories;
    QCheckBox* m_deactivated;
};

// A synth's page built from the plug-in's setting fields, below the device block.
class CSynthSettingsPage final : public CSettingsTemplateDlg {
    Q_OBJECT
public:
    CSynthSettingsPage(CSynth& synth, QWidget* parent = nullptr);

protected:
    void LoadSettings(CSynth& synth) override;
    void StoreSettings(CSynth& synth) override;

private:
    std::vector<std::pair<CSettingField, QWidget*>> m_fields;
};

// The generic memory's page: the dump commands that ask any instrument for a
// dump (name, request, answer size, MIDI ports), offered by Receive.
class CGenericSettingsPage final : public CSettingsPage {
    Q_OBJECT
public:
    explicit CGenericSettingsPage(CSynth& synth, QWidget* parent = nullptr);
    void Store() override;

    QTableWidget& Table() const { return *m_table; }
    void AddCommand(const CDumpCommand& command);
    void RemoveCurrentCommand();

private:
    CSynth& m_synth;
    QTableWidget* m_table;
    // What the table does not show (block sizes, output setting) stays as it was.
    std::vector<CDumpCommand> m_commands;
};

// "Settings": the Global page and one page per synth memory; only the current
// page exists. A synth's page is the one its plug-in registered
// (tonalith::ui::CSettingsPageRegistration), else the one built from its fields.
class CSettingsDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CSettingsDlg(CAppConfig& config, QWidget* parent = nullptr);
    QTabBar& Tabs() const { return *m_tabs; }
    CSettingsPage* CurrentPage() const { return m_page; }
    void accept() override;

private:
    void ShowPage(int tab);

    CAppConfig& m_config;
    QTabBar* m_tabs;
    QScrollArea* m_pageArea;
    CSettingsPage* m_page = nullptr;
};
