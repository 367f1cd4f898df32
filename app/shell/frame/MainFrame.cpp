#include "MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <filesystem>

#include "AppConfig.h"
#include "BankDialogs.h"
#include "BankView.h"
#include "CopyBox.h"
#include "Patch.h"
#include "Functions.h"
#include "MainFrameTransfer.h"
#include "MidiStatusBar.h"
#include "PianoKeyboardWnd.h"
#include "TransferDlgs.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TonalithApp.h"
#include "TonalithDoc.h"
#include "Ui.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/Guard.h"
#include "tonalith/ui/QtUi.h"

namespace {
CMainFrame* g_frame = nullptr;

std::string Key(const char* format, int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, i);
    return buf;
}

CWindowPlacement PlacementOf(const QWidget& w, bool maximized) {
    CWindowPlacement p;
    const QRect g = w.isMaximized() || w.isMinimized() ? w.normalGeometry() : w.geometry();
    p.left = g.left();
    p.top = g.top();
    p.right = g.left() + g.width();
    p.bottom = g.top() + g.height();
    p.showCmd = maximized ? 3 : (w.isMinimized() ? 2 : 1);
    p.valid = true;
    return p;
}

void ApplyPlacement(QWidget& w, const CWindowPlacement& p) {
    if (p.right > p.left && p.bottom > p.top) w.setGeometry(p.left, p.top, p.right - p.left, p.bottom - p.top);
    if (p.showCmd == 3) w.showMaximized();
    else if (p.showCmd == 2) w.showMinimized();
}
}  // namespace

CMainFrame* CMainFrame::Get() { return g_frame; }

CMainFrame::CMainFrame()
    : m_mdi(new QMdiArea(this)), m_statusBar(new CMidiStatusBar(this)), m_activityTimer(new QTimer(this)) {
    g_frame = this;
    setWindowTitle("Tonalith! V2.11");
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    setStatusBar(m_statusBar);
    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateControllerCommands();
    m_activityTimer->setSingleShot(true);
    connect(m_activityTimer, &QTimer::timeout, this, [this] { m_statusBar->SetIndicator(false); });
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);
    StartMidi();
    UpdateCommands();
}

CMainFrame::~CMainFrame() {
    // Documents hold objects of the plug-ins: they go before the plug-ins are unloaded.
    for (QMdiSubWindow* window : m_mdi->subWindowList()) delete window;
    m_piano.reset();  // its player sends to the MIDI devices
    AbandonTransfer();
    StopMidi();
    CCopyBox::Delete();
    CAppConfig::Delete();  // writes Tonalith.ini
    CMidi::Delete();
    CSynthMemoryFactory::Delete();
    g_frame = nullptr;
}

CTonalithView* CMainFrame::ActiveBankView() const {
    QMdiSubWindow* window = m_mdi->activeSubWindow();
    if (!window) window = m_lastActive;
    return window ? qobject_cast<CTonalithView*>(window->widget()) : nullptr;
}

QMdiSubWindow* CMainFrame::AddBankWindow(CTonalithView* view) {
    QMdiSubWindow* window = m_mdi->addSubWindow(view);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(view->windowTitle());
    connect(view, &CTonalithView::StateChanged, this, [this, view] {
        if (ActiveBankView() == view) UpdateCommands();
    });
    connect(view, &CTonalithView::SynthNeeded, this, &CMainFrame::StopMidiFile);
    // A bank window wants to show its whole grid.
    const CBankGrid& grid = view->Grid();
    const QSize frameExtra = window->sizeHint() - view->viewport()->sizeHint();
    QSize wanted(grid.TotalWidth() + 40, grid.TotalHeight() + 40);
    wanted += QSize(std::max(0, frameExtra.width()), std::max(0, frameExtra.height()));
    PlaceSubWindow(*window, wanted);
    window->show();
    view->setFocus();
    m_mdi->setActiveSubWindow(window);
    OnSubWindowActivated(window);
    return window;
}

namespace {
// Keeps the only document window filling the work area while the frame finds its
// size (at start-up the area grows after the first window opened) and when the
// user resizes the frame; it lets go once another window opens or the window moved.
class CFillWorkArea final : public QObject {
public:
    CFillWorkArea(QMdiArea& area, QMdiSubWindow& window) : QObject(&window), m_area(area), m_window(window) {
        area.viewport()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            if (m_area.subWindowList().size() != 1 || m_window.pos() != QPoint(0, 0)) deleteLater();
            else m_window.setGeometry(m_area.viewport()->rect());
        }
        return false;
    }

private:
    QMdiArea& m_area;
    QMdiSubWindow& m_window;
};
}  // namespace

void CMainFrame::PlaceSubWindow(QMdiSubWindow& window, QSize wanted) {
    window.setWindowIcon(windowIcon());
    const QSize area = m_mdi->viewport()->size();
    const auto others = static_cast<int>(m_mdi->subWindowList().size()) - 1;  // the window is in the list
    if (others <= 0) {
        window.setGeometry(0, 0, std::max(320, area.width()), std::max(240, area.height()));
        new CFillWorkArea(*m_mdi, window);  // owned by the window
        return;
    }
    // Each later window moves one step; past a quarter of the area the cascade
    // starts again at the top left, so no window opens out of sight.
    constexpr int kStep = 24;
    const int steps = std::max(1, std::min(area.width(), area.height()) / 4 / kStep);
    const int offset = kStep * (others % steps);
    const QSize room(std::max(320, area.width() - offset), std::max(240, area.height() - offset));
    if (wanted.isEmpty()) wanted = room;
    window.setGeometry(offset, offset, std::min(wanted.width(), room.width()),
                       std::min(wanted.height(), room.height()));
}

QMdiSubWindow* CMainFrame::OpenDocumentFile(const std::string& path) {
    const QString file = QString::fromStdString(path);
    switch (DocumentKindOf(path)) {
    case DocumentKind::Library: return OpenLibrary(path);
    case DocumentKind::Controller: return OpenControllerForm(path);
    case DocumentKind::Bank: break;
    }
    // A document that is open already comes to the front instead of opening twice.
    const std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        auto* view = qobject_cast<CTonalithView*>(window->widget());
        if (view && view->GetDocument().GetPathName() == absolute) {
            m_mdi->setActiveSubWindow(window);
            return window;
        }
    }
    auto document = std::make_unique<CTonalithDoc>();
    tonalith::ui::CWaitCursor wait;
    if (!document->OnOpenDocument(absolute)) return nullptr;
    (void)file;
    return AddBankWindow(new CTonalithView(std::move(document)));
}

QMdiSubWindow* CMainFrame::NewBank() {
    CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    std::vector<int> indexes;
    std::vector<std::string> names;
    {
        tonalith::ui::CWaitCursor wait;
        indexes = CTonalithDoc::ChoosableMemories(factory);
        for (int i : indexes) names.push_back(factory.GetMemory(i).GetName());
    }
    CChooseSynthMemoryDlg dialog(names, this);
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return nullptr;
    const int row = dialog.GetSelection();
    if (row < 0 || row >= static_cast<int>(indexes.size())) return nullptr;
    auto document = std::make_unique<CTonalithDoc>();
    if (!document->OnNewDocument(factory, indexes[static_cast<std::size_t>(row)])) return nullptr;
    if (++m_newDocuments > 1) document->SetTitle("Untitled " + std::to_string(m_newDocuments));
    return AddBankWindow(new CTonalithView(std::move(document)));
}

void CMainFrame::OnFileOpen() {
    const auto path = CUi::Get().ChooseOpenFile(
        "Open", "Common Files (*.syx, *.clb, *.cof)|*.syx; *.clb; *.cof|Libraries (*.clb)|*.clb|System Exclusive "
                "(*.syx)|*.syx|Controller Forms (*.cof)|*.cof|MIDI Files (*.mid)|*.mid; *.midi|WAV Files (*.wav)|*.wav|"
                "All Files (*.*)|*.*||");
    if (path) OpenDocumentFile(*path);
}

void CMainFrame::RestoreLayout(const std::vector<std::string>& arguments) {
    CAppConfig& config = CAppConfig::Get();
    const CWindowPlacement main = config.ReadWindowPlacement(0, "MAIN");
    if (main.valid) {
        ApplyPlacement(*this, main);
        if (main.showCmd == 1) show();
    } else {
        resize(QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableSize() * 3 / 4
                                                : QSize(1024, 768));
        show();
    }
    if (const std::string docking = config.GetString("DOCKING"); !docking.empty())
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(docking)));
    const std::vector<std::string> paths = ReadLayoutPaths(config);
    for (std::size_t k = 0; k < paths.size(); ++k) {
        QMdiSubWindow* window = OpenDocumentFile(paths[k]);
        const CWindowPlacement placement = config.ReadWindowPlacement(static_cast<int>(k + 1), "");
        if (window && placement.valid) ApplyPlacement(*window, placement);
        if (window) RestoreWindowExtras(*window, static_cast<int>(k + 1));
    }
    for (const std::string& argument : arguments) OpenDocumentFile(argument);
    if (config.m_pianoKeyboardActive) PianoKeyboard().show();
}

void CMainFrame::SaveLayout() {
    CAppConfig& config = CAppConfig::Get();
    config.WriteWindowPlacement(PlacementOf(*this, isMaximized()), 0, "MAIN");
    int i = 0;
    for (QMdiSubWindow* window : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        const std::string path = WindowDocumentPath(*window);
        if (path.empty()) continue;
        ++i;
        config.PutString(Key("WIN_POS_CHILDWINPATH%d", i), path);
        config.WriteWindowPlacement(PlacementOf(*window, window->isMaximized()), i, "");
        SaveWindowExtras(*window, i);
    }
    config.PutString(Key("WIN_POS_CHILDWINPATH%d", i + 1), "");
    m_statusBar->KillMessageTimer();
    config.PutString("DOCKING", saveState().toBase64().toStdString());
    if (m_piano) m_piano->SaveState(config);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    SaveLayout();
    // Each window asks about its unsaved changes; one that refuses keeps the program open.
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (!window->close()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) OpenDocumentFile(url.toLocalFile().toStdString());
    event->acceptProposedAction();
}

void CMainFrame::RunOnActiveView(void (CTonalithView::*command)()) {
    CTonalithView* view = ActiveBankView();
    if (!view) return;
    // A failed command is reported; the menus then show the state as it is.
    if (!tonalith::ui::RunGuarded([&] { (view->*command)(); })) {
        view->viewport()->update();
        UpdateCommands();
    }
}
