#include "tonalith/ui/TabPage.h"

#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

CTabbedEditor::CTabbedEditor(QTabWidget& tabs) : QObject(&tabs), m_tabs(tabs) {
    connect(&m_tabs, &QTabWidget::currentChanged, this, &CTabbedEditor::Show);
}

CTabbedEditor::~CTabbedEditor() {
    ListenToRemoteControllers(false);
    DestroyPage();
}

int CTabbedEditor::AddPage(const QString& title, PageFactory factory) {
    // The factory is in place before addTab, which shows the first tab at once.
    m_factories.push_back(std::move(factory));
    auto* area = new QWidget;
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    m_areas.push_back(area);
    return m_tabs.addTab(area, title);
}

void CTabbedEditor::DestroyPage() {
    // Widgets first: their last signals may still reach the page.
    delete m_content.data();
    m_page.reset();
}

void CTabbedEditor::Show(int index) {
    if (index == m_index) return;
    if (m_page) m_page->OnOK();
    DestroyPage();
    m_index = index;
    if (index < 0 || index >= static_cast<int>(m_factories.size()) || !m_factories[static_cast<std::size_t>(index)])
        return;
    QWidget* area = m_areas[static_cast<std::size_t>(index)];
    auto content = std::make_unique<QWidget>(area);
    m_page = m_factories[static_cast<std::size_t>(index)]();
    if (!m_page) return;
    m_page->Create(content.get());
    area->layout()->addWidget(content.get());
    m_content = content.release();  // owned by the area from here on
    m_content->show();
    emit pageCreated(index);
}

void CTabbedEditor::Reload() {
    const int index = m_index;
    DestroyPage();
    m_index = -1;
    Show(index);
}

void CTabbedEditor::OnOK() {
    if (m_page) m_page->OnOK();
}

void CTabbedEditor::OnCancel() {
    if (m_page) m_page->OnCancel();
}

void CTabbedEditor::OnMidiController(int controller, int value) {
    if (m_page) m_page->OnMidiController(controller, value);
}

void CTabbedEditor::ListenToRemoteControllers(bool listen) {
    if (listen == m_listening) return;
    m_listening = listen;
    if (listen) CMidi::Get().AddControllerListener(this);
    else CMidi::Get().RemoveControllerListener(this);
}

void CTabbedEditor::OnMidiNotify(unsigned message, unsigned wParam, long lParam) {
    if (message == MIDI_CONTROLLER) OnMidiController(static_cast<int>(wParam & 0x7F), static_cast<int>(lParam & 0x7F));
}

QWidget* CTabPage::ScrollingContent(QWidget* parent) {
    auto* outer = new QVBoxLayout(parent);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(parent);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    outer->addWidget(scroll);
    auto* content = new QWidget;
    scroll->setWidget(content);
    return content;
}
