#include "TonalithApp.h"

#include <QApplication>
#include <QIcon>

#include "AppConfig.h"
#include "MainFrame.h"
#include "SettingsDlg.h"
#include "SynthMemoryFactory.h"
#include "Ui.h"
#include "tonalith/ui/QtUi.h"

QIcon ProgramIcon() {
    QIcon icon;
    icon.addFile(":/icons/tonalith-32.png", QSize(32, 32));
    icon.addFile(":/icons/tonalith-256.png", QSize(256, 256));
    return icon;
}

void UseInstalledFont(CAppConfig& config) {
    config.m_fontType = InstalledFontFamily(QString::fromStdString(config.m_fontType)).toStdString();
}

CTonalithApp::CTonalithApp() = default;

CTonalithApp::~CTonalithApp() { ExitInstance(); }

bool CTonalithApp::InitInstance(const std::vector<std::string>& arguments) {
    QApplication::setApplicationName("Tonalith");
    QApplication::setApplicationDisplayName("Tonalith!");
    QApplication::setWindowIcon(ProgramIcon());
    // The settings are read once, on first use; file dialogs start in ACTPATH.
    CAppConfig& config = CAppConfig::Get();
    UseInstalledFont(config);
    auto ui = std::make_unique<tonalith::ui::CQtUi>();
    tonalith::ui::CQtUi* qtUi = ui.get();
    qtUi->SetFolderMemory({[] { return CAppConfig::Get().m_actPath; },
                           [](const std::string& folder) { CAppConfig::Get().m_actPath = folder; }});
    CUi::Install(std::move(ui));
    m_frame = std::make_unique<CMainFrame>();
    qtUi->SetMainWindow(m_frame.get());
    m_frame->RestoreLayout(arguments);
    return true;
}

QMdiSubWindow* CTonalithApp::OpenDocumentFile(const std::string& path) {
    return m_frame ? m_frame->OpenDocumentFile(path) : nullptr;
}

void CTonalithApp::ExitInstance() {
    if (!m_frame) return;
    m_frame.reset();
    // The Qt services refer to the frame; the console ones need nothing.
    CUi::Install(std::make_unique<CConsoleUi>());
}
