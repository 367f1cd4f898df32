#pragma once

#include <QDialog>

#include <vector>

class CCopyBox;
class QComboBox;
class QTreeWidget;

// "Copybox": picks patches of the copybox to paste.
class CCopyBoxDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CCopyBoxDlg(CCopyBox& box, QWidget* parent = nullptr);
    ~CCopyBoxDlg() override;

    // The chosen patch indexes, rows top to bottom (after Paste).
    const std::vector<int>& GetSelection() const { return m_selection; }
    QTreeWidget& List() const { return *m_list; }
    QComboBox& TypeCombo() const { return *m_types; }

    void Fill();
    void RemoveSelected();
    void SelectAll();
    void Paste();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitColumns();

    CCopyBox& m_box;
    QComboBox* m_types;
    QTreeWidget* m_list;
    int m_sortColumn = 0;
    std::vector<int> m_selection;
};
