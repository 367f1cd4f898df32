#pragma once

#include <QDialog>

class QListWidget;

// The About box: the version and the registered synth memories.
class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QListWidget& Modules() const { return *m_modules; }

private:
    QListWidget* m_modules;
};
