#pragma once

#include <memory>
#include <string>
#include <vector>

class CMainFrame;
class QMdiSubWindow;

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
