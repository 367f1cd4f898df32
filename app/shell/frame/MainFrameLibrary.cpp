// The frame's library windows: open and new.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>
#include <filesystem>

#include "LibraryDocument.h"
#include "LibraryView.h"
#include "MainFrame.h"
#include "tonalith/ui/QtUi.h"

namespace {

// Owns the document behind a library view; the view leaves the document before it goes.
class CLibraryWindow : public QWidget {
public:
    explicit CLibraryWindow(std::unique_ptr<CLibraryDocument> document)
        : m_document(std::move(document)) {
        m_view = new CLibraryView(*m_document, LibraryEngine::FactoryMemoryNames(), this);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_view);
        setFocusProxy(m_view);
    }
    ~CLibraryWindow() override { delete m_view; }

    CLibraryDocument& Document() { return *m_document; }

private:
    std::unique_ptr<CLibraryDocument> m_document;
    CLibraryView* m_view = nullptr;
};

}  // namespace

QMdiSubWindow* CMainFrame::OpenLibrary(const std::string& path) {
    const std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    for (QMdiSubWindow* window : MdiArea().subWindowList()) {
        auto* library = dynamic_cast<CLibraryWindow*>(window->widget());
        if (library && library->Document().GetPathName() == absolute) {
            MdiArea().setActiveSubWindow(window);
            return window;
        }
    }
    auto document = std::make_unique<CLibraryDocument>();
    {
        tonalith::ui::CWaitCursor wait;
        if (!document->OnOpenDocument(absolute)) return nullptr;
    }
    return AddLibraryWindow(std::move(document));
}

QMdiSubWindow* CMainFrame::NewLibrary() { return AddLibraryWindow(std::make_unique<CLibraryDocument>()); }

QMdiSubWindow* CMainFrame::AddLibraryWindow(std::unique_ptr<CLibraryDocument> document) {
    CLibraryDocument& doc = *document;
    auto* content = new CLibraryWindow(std::move(document));
    QMdiSubWindow* window = MdiArea().addSubWindow(content);
    window->setAttribute(Qt::WA_DeleteOnClose);
    const auto title = [window, &doc] {
        window->setWindowTitle(QString::fromStdString(doc.GetTitle() + (doc.IsModified() ? " *" : "")));
    };
    doc.SetModifiedListener([title](bool) { title(); });
    title();
    window->resize(std::max(480, MdiArea().viewport()->width() * 3 / 4),
                   std::max(320, MdiArea().viewport()->height() * 3 / 4));
    window->show();
    content->setFocus();
    MdiArea().setActiveSubWindow(window);
    return window;
}
