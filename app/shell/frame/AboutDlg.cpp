#include "AboutDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QStyle>
#include <QVBoxLayout>

#include "MainFrame.h"
#include "SettingsDlg.h"
#include "AppConfig.h"
#include "BankDialogs.h"
#include "BankView.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/QtUi.h"

#include <QMdiArea>
#include <QMdiSubWindow>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), m_modules(new QListWidget(this)) {
    setWindowTitle("About Tonalith!");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("<b>Tonalith!</b>", this));
    layout->addWidget(new QLabel("Tonalith! V2.11", this));
    layout->addWidget(new QLabel("Registered Modules:", this));
    layout->addWidget(m_modules);
    const CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
    for (int i = 0; i < factory.GetCount(); ++i) {
        const CSynthMemory& memory = factory.GetMemory(i);
        m_modules->addItem(QString::fromStdString(memory.GetName() + "\tV" + memory.GetVersion()));
    }
    // Every module's whole line shows, without scrolling sideways.
    const int scrollBar = m_modules->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_modules->setMinimumWidth(m_modules->sizeHintForColumn(0) + 2 * m_modules->frameWidth() + scrollBar);
    KeepTitleVisible(*this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void CMainFrame::OnAbout() {
    std::unique_ptr<CAboutDlg> dialog;
    {
        tonalith::ui::CWaitCursor wait;
        dialog = std::make_unique<CAboutDlg>(this);
    }
    tonalith::ui::RunDialog(*dialog);
}

void CMainFrame::OnSettings() {
    CSettingsDlg dialog(CAppConfig::Get(), this);
    if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
    for (QMdiSubWindow* window : m_mdi->subWindowList())
        if (auto* view = qobject_cast<CTonalithView*>(window->widget())) view->RefreshSettings();
}
