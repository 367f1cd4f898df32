#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "Midi.h"

class QTabWidget;
class QWidget;

// One page of a tabbed editor. A page exists only while its tab is shown: it
// is made when the tab is entered, builds its widgets from the record in
// Create, stores them back in OnOK when the tab is left, and is destroyed. So
// an editor with many pages builds only one at a time, and every page shows
// what the others stored.
class CTabPage {
public:
    CTabPage() = default;
    virtual ~CTabPage() = default;
    CTabPage(const CTabPage&) = delete;
    CTabPage& operator=(const CTabPage&) = delete;

    // Builds the widgets into parent (the tab's empty area; it owns them) and
    // fills them from the record. The widgets are destroyed before the page.
    virtual void Create(QWidget* parent) = 0;
    // Stores the widgets into the record: the tab is left, or the editor closes with OK.
    virtual void OnOK() {}
    // The editor closes with Cancel while this page is shown.
    virtual void OnCancel() {}
    // A controller of the remote MIDI input arrived while this page is shown.
    virtual void OnMidiController(int controller, int value) {}

protected:
    // Fills parent with a frameless scroll area and returns the widget inside it,
    // for a page whose controls may not fit. The area takes no tab stop of its
    // own: it would take a Tab press without showing focus, and it scrolls to
    // whichever control gets the focus anyway.
    static QWidget* ScrollingContent(QWidget* parent);
};

// Drives a QTabWidget whose tabs are made by page factories: only the shown
// tab has a page. Switching tabs stores the old page (OnOK), destroys it and
// creates the new one. A page must not switch tabs from inside one of its own
// widgets' handlers (that would destroy the widget while it runs); post the
// switch with a queued call instead.
class CTabbedEditor final : public QObject, public IMidiListener {
    Q_OBJECT

public:
    using PageFactory = std::function<std::unique_ptr<CTabPage>()>;

    // Becomes a child of tabs, which should have no tabs yet.
    explicit CTabbedEditor(QTabWidget& tabs);
    ~CTabbedEditor() override;  // destroys the shown page without storing it

    // Adds a tab; the first one added is shown (and its page made) at once.
    int AddPage(const QString& title, PageFactory factory);
    CTabPage* GetCurrentPage() const { return m_page.get(); }
    int GetCurrentIndex() const { return m_index; }
    QTabWidget& Tabs() const { return m_tabs; }

    // Makes the shown page anew without storing it first (the record changed
    // behind its back). Not from inside one of the page's own handlers.
    void Reload();
    // The editor's OK and Cancel, passed to the shown page.
    void OnOK();
    void OnCancel();
    void OnMidiController(int controller, int value);
    // Receives the remote controllers (the program's basic MIDI controller
    // listeners) and passes them to the shown page.
    void ListenToRemoteControllers(bool listen);
    void OnMidiNotify(unsigned message, unsigned wParam, long lParam) override;

signals:
    // A page was made and built for tab index.
    void pageCreated(int index);

private:
    void Show(int index);
    void DestroyPage();

    QTabWidget& m_tabs;
    std::vector<PageFactory> m_factories;
    std::vector<QWidget*> m_areas;  // one empty area per tab, owned by the tab widget
    std::unique_ptr<CTabPage> m_page;
    QPointer<QWidget> m_content;  // the page's widgets, a child of its area
    int m_index = -1;
    bool m_listening = false;
};
