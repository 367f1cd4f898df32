#pragma once

#include <memory>
#include <string>
#include <vector>

class CAppConfig;
class CMainFrame;
class QIcon;
class QMdiSubWindow;

// Tonalith's own icon, for the program and its document windows.
QIcon ProgramIcon();

// A stored font face this machine lacks becomes the system's font, so the
// views and the settings' font list show a face that is there.
void UseInstalledFont(CAppConfig& config);

// The application object: start-up and opening documents.
class CTonalithApp {
public:
    CTonalithApp();
    ~CTonalithApp();

    // Installs the services, creates the main frame and restores the layout,
    // then opens every argument as a document.
    bool InitInstance(const std::vector<std::string>& arguments);
    QMdiSubWindow* OpenDocumentFile(const std::string& path);
    CMainFrame* GetMainFrame() const { return m_frame.get(); }
    // Destroys the frame (and with it the singletons, in their order).
    void ExitInstance();

private:
    std::unique_ptr<CMainFrame> m_frame;
};
