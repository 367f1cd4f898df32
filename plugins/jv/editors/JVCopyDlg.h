#pragma once

// "Copy Tone" and "Copy Part": one block (a tone, a part or a rhythm key) of a
// source record copied over one block of the record being edited.

#include <QDialog>
#include <QStringList>

#include <vector>

class CParameterEditorDlg;
class QButtonGroup;
class QComboBox;
class QListWidget;

namespace amberkit {

class CJVRecord;
enum class TemporaryArea : int;

class CJVCopyBlockDlg final : public QDialog {
public:
    // sources: what "Source Patch:" lists; blocks: the names of the blocks
    // ("Tone 1".."Tone 4"), offered as radio buttons when few, else as lists.
    CJVCopyBlockDlg(const QString& title, const QStringList& sources, const QStringList& blocks,
                    QWidget* parent = nullptr);

    int GetSource() const;
    int GetFrom() const;
    int GetTo() const;
    void SetSource(int source);
    void SetFrom(int block);
    void SetTo(int block);

private:
    struct Choice {
        QButtonGroup* radios = nullptr;
        QComboBox* list = nullptr;
        int Get() const;
        void Set(int block);
    };
    Choice MakeChoice(const QString& title, const QStringList& blocks, QWidget* parent, QWidget*& box);

    QListWidget* m_sources;
    Choice m_from;
    Choice m_to;
};

// Copies block `from` of source into block `to` of target: the data bytes only,
// the target's address stays.
void CopyBlock(const CJVRecord& source, int from, CJVRecord& target, int to);

// Adds the editor's copy button ("Copy &Tone" or "Copy &Part"): the sources are
// the record being edited and the records of its type in the same memory.
void AddCopyButton(CParameterEditorDlg& editor, const CJVRecord& record, TemporaryArea area);

}  // namespace amberkit
