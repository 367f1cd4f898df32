#pragma once

#include <QDialog>

#include <cstdint>
#include <span>

class CBytemapCtrl;
class QLabel;
class QScrollBar;

// A patch's raw data in the hex viewer, with a scroll bar and the control's
// information line below it. The default editor of every patch.
class CBytemapDialog final : public QDialog {
    Q_OBJECT

public:
    CBytemapDialog(std::span<const std::uint8_t> bytes, const QString& title, QWidget* parent = nullptr);
    CBytemapCtrl& Control() const { return *m_bytemap; }
    QScrollBar& ScrollBar() const { return *m_scroll; }
    QString InformationText() const;

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateScrollBar();

    CBytemapCtrl* m_bytemap;
    QScrollBar* m_scroll;
    QLabel* m_info;
};
