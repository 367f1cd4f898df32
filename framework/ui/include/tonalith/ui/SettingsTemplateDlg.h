#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

class CSynth;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QSpinBox;
class QVBoxLayout;

// A page of the settings dialog: it stores its values when it is left or on OK.
class CSettingsPage : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;
    virtual void Store() = 0;
};

// A synth's settings page: the block every synth has (MIDI input and output,
// device ID, real-time update) and below it the page's own settings. The
// settings dialog builds a page from the synth's setting fields; a plug-in
// that needs more derives from this class, adds its widgets to PageLayout and
// fills and stores them in LoadSettings / StoreSettings (see
// tonalith::ui::CSettingsPageRegistration for how it replaces the built page).
class CSettingsTemplateDlg : public CSettingsPage {
    Q_OBJECT

public:
    explicit CSettingsTemplateDlg(CSynth& synth, QWidget* parent = nullptr);

    CSynth& GetSynth() const { return m_synth; }
    // Fills every widget from the synth: the device block, then LoadSettings.
    // Whoever makes the page calls it once, after construction.
    void Load();
    // Writes every widget into the synth: the device block, then StoreSettings;
    // then rebuilds the synth's dump commands, whose requests carry settings.
    void Store() final;

    // The device IDs the instrument takes and what its panel shows for ID 0
    // (17 on Roland instruments); the default is 0..127 shown as is.
    void SetDeviceIdRange(int minimum, int maximum, int displayOffset = 0);

    QComboBox& InputCombo() const { return *m_input; }
    QComboBox& OutputCombo() const { return *m_output; }
    QSpinBox& DeviceIdSpin() const { return *m_deviceId; }
    QCheckBox& RealtimeCheck() const { return *m_realtime; }

protected:
    virtual void LoadSettings(CSynth& synth) {}
    virtual void StoreSettings(CSynth& synth) {}
    // Below the device block: where a derived page puts its widgets.
    QVBoxLayout& PageLayout() const { return *m_pageLayout; }
    QGroupBox& DeviceBox() const { return *m_deviceBox; }

private:
    CSynth& m_synth;
    QGroupBox* m_deviceBox;
    QComboBox* m_input;
    QComboBox* m_output;
    QSpinBox* m_deviceId;
    QCheckBox* m_realtime;
    QVBoxLayout* m_pageLayout;
    int m_deviceIdOffset = 0;
};

namespace tonalith::ui {

// Makes a plug-in's settings page as a child of parent.
using SettingsPageFactory = std::function<CSettingsTemplateDlg*(CSynth& synth, QWidget* parent)>;

// While it lives, the settings dialog shows the page factory makes for the
// synth memory named memoryName instead of the page built from the setting
// fields. A plug-in keeps one as a static object of its editors, so the
// registration ends before its library is unloaded. The latest registration
// for a name wins.
class CSettingsPageRegistration {
public:
    CSettingsPageRegistration(std::string memoryName, SettingsPageFactory factory);
    ~CSettingsPageRegistration();
    CSettingsPageRegistration(const CSettingsPageRegistration&) = delete;
    CSettingsPageRegistration& operator=(const CSettingsPageRegistration&) = delete;

private:
    unsigned m_id;
};

// The registered page for memoryName, made as a child of parent (not loaded
// yet); null when none is registered.
CSettingsTemplateDlg* CreateSettingsPage(std::string_view memoryName, CSynth& synth, QWidget* parent);

}  // namespace tonalith::ui
