#include "JVCopyDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

#include <tonalith/Layer.h>
#include <tonalith/ui/DialogRunner.h>
#include <tonalith/ui/ParameterEditorDlg.h>
#include <tonalith/ui/PatchText.h>

#include "amberkit/JVParameters.h"
#include "amberkit/JVRecords.h"
#include "amberkit/JVSynth.h"

namespace amberkit {

namespace {

// More blocks than this are chosen from a list rather than radio buttons.
constexpr int kMostRadios = 16;
constexpr int kRadiosPerRow = 4;

std::span<const std::uint8_t> BlockData(const CJVRecord& record, int block) {
    const int m = 1 + block;
    return record.Message(m).subspan(kHeaderSize,
                                     static_cast<std::size_t>(record.Layout().MessageSize(m) - kFrameOverhead));
}

// Every other layer of the memory a record's links reach, that holds records of its type.
std::vector<const CLayer*> LayersOfType(const CJVRecord& record) {
    std::vector<const CLayer*> reached;
    const auto add = [&](const CLayer* layer) {
        if (std::find(reached.begin(), reached.end(), layer) == reached.end()) reached.push_back(layer);
    };
    for (int i = 0; i < record.GetParentLayerCount(); ++i) {
        const CLayer* parent = record.GetParentLayer(i);
        for (int c = 0; c < parent->GetChildLayerCount(); ++c) add(parent->GetChildLayer(c));
    }
    for (int i = 0; i < record.GetChildLayerCount(); ++i) {
        const CLayer* child = record.GetChildLayer(i);
        for (int p = 0; p < child->GetParentLayerCount(); ++p) add(child->GetParentLayer(p));
    }
    std::vector<const CLayer*> out;
    for (const CLayer* layer : reached)
        if (layer->GetPatchCount() > 0 && layer->GetPatch(0)->GetPatchType() == record.GetPatchType())
            out.push_back(layer);
    return out;
}

}  // namespace

int CJVCopyBlockDlg::Choice::Get() const { return radios ? radios->checkedId() : list->currentIndex(); }

void CJVCopyBlockDlg::Choice::Set(int block) {
    if (radios) {
        if (QAbstractButton* button = radios->button(block)) button->setChecked(true);
    } else {
        list->setCurrentIndex(block);
    }
}

CJVCopyBlockDlg::CJVCopyBlockDlg(const QString& title, const QStringList& sources, const QStringList& blocks,
                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("Source Patch:"), this);
    m_sources = new QListWidget(this);
    m_sources->addItems(sources);
    m_sources->setCurrentRow(0);
    label->setBuddy(m_sources);
    layout->addWidget(label);
    layout->addWidget(m_sources, 1);
    auto* row = new QHBoxLayout;
    QWidget* box = nullptr;
    m_from = MakeChoice(tr("From"), blocks, this, box);
    row->addWidget(box);
    m_to = MakeChoice(tr("To"), blocks, this, box);
    row->addWidget(box);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

CJVCopyBlockDlg::Choice CJVCopyBlockDlg::MakeChoice(const QString& title, const QStringList& blocks, QWidget* parent,
                                                    QWidget*& box) {
    auto* group = new QGroupBox(title, parent);
    box = group;
    Choice choice;
    if (blocks.size() > kMostRadios) {
        auto* layout = new QVBoxLayout(group);
        choice.list = new QComboBox(group);
        choice.list->addItems(blocks);
        layout->addWidget(choice.list);
    } else {
        auto* grid = new QGridLayout(group);
        choice.radios = new QButtonGroup(group);
        for (int i = 0; i < blocks.size(); ++i) {
            auto* radio = new QRadioButton(blocks[i], group);
            choice.radios->addButton(radio, i);
            grid->addWidget(radio, i / kRadiosPerRow, i % kRadiosPerRow);
        }
    }
    choice.Set(0);
    return choice;
}

int CJVCopyBlockDlg::GetSource() const { return m_sources->currentRow(); }
int CJVCopyBlockDlg::GetFrom() const { return m_from.Get(); }
int CJVCopyBlockDlg::GetTo() const { return m_to.Get(); }
void CJVCopyBlockDlg::SetSource(int source) { m_sources->setCurrentRow(source); }
void CJVCopyBlockDlg::SetFrom(int block) { m_from.Set(block); }
void CJVCopyBlockDlg::SetTo(int block) { m_to.Set(block); }

void CopyBlock(const CJVRecord& source, int from, CJVRecord& target, int to) {
    // Copied first: source and target may be the same record.
    const std::span<const std::uint8_t> data = BlockData(source, from);
    const std::vector<std::uint8_t> bytes(data.begin(), data.end());
    const std::span<std::uint8_t> into = target.Message(1 + to).subspan(kHeaderSize, bytes.size());
    std::copy(bytes.begin(), bytes.end(), into.begin());
}

void AddCopyButton(CParameterEditorDlg& editor, const CJVRecord& record, TemporaryArea area) {
    const bool parts = area == TemporaryArea::Performance;
    const bool keys = area == TemporaryArea::Rhythm;
    const QString text = parts ? QObject::tr("Copy &Part") : QObject::tr("Copy &Tone");
    editor.AddButton(text, [&editor, &record, area, parts, keys, text] {
        auto& work = dynamic_cast<CJVRecord&>(editor.GetWorkingPatch());
        QStringList blocks;
        for (int b = 0; b < work.Layout().blockCount; ++b)
            blocks << (keys ? QString::fromStdString(NoteName(kFirstRhythmKeyNote + b))
                            : (parts ? QObject::tr("Part %1") : QObject::tr("Tone %1")).arg(b + 1));
        std::vector<const CJVRecord*> sources{&work};
        QStringList names{QObject::tr("%1 (being edited)").arg(tonalith::ui::FromPatchText(work.GetName()).trimmed())};
        for (const CLayer* layer : LayersOfType(record))
            for (int i = 0; i < layer->GetPatchCount(); ++i)
                if (const auto* r = dynamic_cast<const CJVRecord*>(layer->GetPatch(i))) {
                    sources.push_back(r);
                    names << QString::fromStdString(layer->GetName()) + QStringLiteral(": ") +
                                 tonalith::ui::FromPatchText(layer->GetPatchLabel(i)).trimmed();
                }
        CJVCopyBlockDlg dialog(QString(text).remove('&'), names, blocks, &editor);
        if (tonalith::ui::RunDialog(dialog) != QDialog::Accepted) return;
        const int source = dialog.GetSource();
        const int from = dialog.GetFrom();
        const int to = dialog.GetTo();
        if (source < 0 || from < 0 || to < 0) return;
        editor.GetTabs().OnOK();
        CopyBlock(*sources[static_cast<std::size_t>(source)], from, work, to);
        editor.ReloadPage();
        // The unit's edit area gets the block as the generation in use reads it.
        const int m = 1 + to;
        const int size = work.Layout().WireSize(m, CJVSynth::Get().GetWhichSynth()) - kFrameOverhead;
        editor.SendMessage("copy" + std::to_string(to),
                           BuildParameterMessage(CJVSynth::Get().GetDeviceByte(), area, work.Layout().BlockAddress(to),
                                                 0, BlockData(work, to).first(static_cast<std::size_t>(size))));
    });
}

}  // namespace amberkit
