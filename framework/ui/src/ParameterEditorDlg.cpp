#include "tonalith/ui/ParameterEditorDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include <tonalith/LiveSender.h>
#include <tonalith/Parameters.h>
#include <tonalith/Patch.h>
#include <tonalith/Synth.h>

#include "tonalith/ui/ChooseCtrl.h"
#include "tonalith/ui/Knob.h"
#include "tonalith/ui/TabPage.h"
#include "tonalith/ui/PatchText.h"

namespace {

// Lists of a few entries read better as a selector than as a knob; a long
// numeric range reads better as a knob.
bool UsesChooser(const CParameter& p) { return p.IsList(); }

}  // namespace

// One page of the table: its parameters in boxes by group, side by side.
class CParameterEditorDlg::Page final : public CTabPage {
public:
    Page(CParameterEditorDlg& editor, std::vector<const CParameter*> parameters)
        : m_editor(editor), m_parameters(std::move(parameters)) {}
    ~Page() override { m_editor.Unregister(); }

    void Create(QWidget* parent) override {
        QWidget* content = ScrollingContent(parent);
        auto* boxes = new QHBoxLayout(content);

        std::vector<std::string> groups;
        for (const CParameter* p : m_parameters)
            if (std::find(groups.begin(), groups.end(), p->group) == groups.end()) groups.push_back(p->group);
        // Several groups (tones) stand in columns of two controls; one group fills rows of six.
        const int perRow = groups.size() > 1 ? 2 : 6;
        for (const std::string& group : groups) {
            auto* box = new QGroupBox(QString::fromStdString(group), content);
            auto* grid = new QGridLayout(box);
            int n = 0;
            for (const CParameter* p : m_parameters) {
                if (p->group != group) continue;
                grid->addWidget(MakeControl(*p, box), n / perRow, n % perRow, Qt::AlignTop | Qt::AlignHCenter);
                ++n;
            }
            grid->setRowStretch(n / perRow + 1, 1);
            boxes->addWidget(box, 0, Qt::AlignTop);
        }
        boxes->addStretch(1);
    }

private:
    QWidget* MakeControl(const CParameter& p, QWidget* parent) { return m_editor.MakeControl(p, parent); }

    CParameterEditorDlg& m_editor;
    std::vector<const CParameter*> m_parameters;
};

CParameterEditorDlg::CParameterEditorDlg(CPatch& patch, const CParameterTable& table, QWidget* parent)
    : CParameterEditorDlg(patch, table, Options{}, parent) {}

CParameterEditorDlg::CParameterEditorDlg(CPatch& patch, const CParameterTable& table, Options options, QWidget* parent)
    : QDialog(parent), m_patch(patch), m_table(table), m_options(std::move(options)), m_work(patch.Clone()),
      m_synth(table.GetSynth()) {
    setWindowTitle(m_options.title.isEmpty() ? tr("Edit %1").arg(QString::fromStdString(patch.GetTypeName()))
                                             : m_options.title);
    if (m_synth) m_sender = std::make_unique<CLiveSender>(*m_synth);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* nameLabel = new QLabel(tr("&Name:"), this);
    m_shownName = tonalith::ui::FromPatchText(patch.GetName());
    m_name = new QLineEdit(m_shownName, this);
    m_name->setMaxLength(patch.GetNameLength());
    m_name->setEnabled(patch.GetNameLength() > 0);
    nameLabel->setBuddy(m_name);
    top->addWidget(nameLabel);
    top->addWidget(m_name, 1);

    // Multi Edit offers the instances (tones) when there are few enough to tick.
    std::vector<std::pair<int, std::string>> instances;
    for (const CParameter& p : table.GetParameters())
        if (p.instance >= 0 &&
            std::none_of(instances.begin(), instances.end(), [&](const auto& i) { return i.first == p.instance; }))
            instances.emplace_back(p.instance, p.group);
    if (!instances.empty() && instances.size() <= 8) {
        auto* multi = new QGroupBox(tr("Multi Edit"), this);
        auto* row = new QHBoxLayout(multi);
        for (const auto& [instance, group] : instances) {
            auto* box = new QCheckBox(m_options.multiEditLabel ? m_options.multiEditLabel(instance, group)
                                                               : QString::fromStdString(group),
                                      multi);
            row->addWidget(box);
            m_multiEdit[instance] = box;
        }
        top->addWidget(multi);
    }
    layout->addLayout(top);

    m_middle = new QHBoxLayout;
    m_tabWidget = new QTabWidget(this);
    m_middle->addWidget(m_tabWidget, 1);
    layout->addLayout(m_middle, 1);
    m_tabs = new CTabbedEditor(*m_tabWidget);
    // Built before the first page, which is made as soon as it is added.
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* buttons = m_buttons;
    m_realtime = new QCheckBox(tr("&Realtime"), this);
    m_realtime->setChecked(m_synth && m_synth->GetRealtimeUpdate());
    m_realtime->setEnabled(m_synth != nullptr);
    if (m_options.tablePages)
        for (const std::string& page : table.GetPages()) {
            std::vector<const CParameter*> parameters;
            for (const CParameter& p : table.GetParameters())
                if (p.page == page) parameters.push_back(&p);
            AddTablePage(QString::fromStdString(page), std::move(parameters));
        }

    m_sendPatch = buttons->addButton(tr("&Send Patch"), QDialogButtonBox::ActionRole);
    m_sendPatch->setEnabled(m_synth != nullptr);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_realtime);
    bottom->addWidget(buttons, 1);
    layout->addLayout(bottom);

    // Pages turn with Ctrl+Tab and Ctrl+Page Down wherever the focus is, as in other tabbed editors.
    const auto turn = [this](int step) {
        const int count = m_tabWidget->count();
        if (count > 0) m_tabWidget->setCurrentIndex((m_tabWidget->currentIndex() + step + count) % count);
    };
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [turn] { turn(1); });
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
          QKeySequence(Qt::CTRL | Qt::Key_PageUp)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [turn] { turn(-1); });

    connect(m_realtime, &QCheckBox::toggled, this, [this](bool on) {
        if (m_synth) m_synth->SetRealtimeUpdate(on);
    });
    connect(m_sendPatch, &QPushButton::clicked, this, &CParameterEditorDlg::SendPatch);
    if (m_options.nameMessage)
        connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
            const std::string name = tonalith::ui::ToPatchText(text);
            m_work->SetName(name);
            SendMessage("(name)", m_options.nameMessage(name));
        });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Four tones side by side want a wide window; the screen sets the limit.
    QSize size(fontMetrics().averageCharWidth() * 200, fontMetrics().height() * 42);
    if (const QScreen* screen = this->screen()) size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
}

CParameterEditorDlg::~CParameterEditorDlg() {
    // The shown page unregisters its controls here; it must go while this dialog is whole.
    delete m_tabWidget;
}

bool CParameterEditorDlg::IsRealtime() const { return m_sender && m_realtime->isChecked(); }

int CParameterEditorDlg::AddTablePage(const QString& title, std::vector<const CParameter*> parameters) {
    return m_tabs->AddPage(title, [this, parameters] { return MakeTablePage(parameters); });
}

std::unique_ptr<CTabPage> CParameterEditorDlg::MakeTablePage(std::vector<const CParameter*> parameters) {
    return std::make_unique<Page>(*this, std::move(parameters));
}

int CParameterEditorDlg::AddCustomPage(const QString& title, CTabbedEditor::PageFactory factory) {
    return m_tabs->AddPage(title, std::move(factory));
}

void CParameterEditorDlg::ReloadPage() { m_tabs->Reload(); }

QPushButton* CParameterEditorDlg::AddButton(const QString& text, std::function<void()> clicked) {
    QPushButton* button = m_buttons->addButton(text, QDialogButtonBox::ActionRole);
    connect(button, &QPushButton::clicked, this, [clicked = std::move(clicked)] { clicked(); });
    return button;
}

void CParameterEditorDlg::SetSideWidget(QWidget* widget) { m_middle->insertWidget(0, widget); }

QWidget* CParameterEditorDlg::MakeControl(const CParameter& p, QWidget* parent) {
    const int value = m_table.GetValue(*m_work, p);
    const QString caption = QString::fromStdString(p.caption);
    const QString tip = QString::fromStdString(p.id + "  (" + m_table.DescribeRange(p) + ")");
    const QStringList names = m_options.valueNames && !p.IsList() ? m_options.valueNames(p, *m_work) : QStringList();
    if (UsesChooser(p) || !names.isEmpty()) {
        auto* cell = new QWidget(parent);
        auto* layout = new QVBoxLayout(cell);
        layout->setContentsMargins(0, 0, 0, 0);
        // A caption such as "Booster 1&2" must not turn into a mnemonic.
        auto* label = new QLabel(QString(caption).replace('&', "&&"), cell);
        auto* chooser = new CChooseCtrl(cell);
        label->setBuddy(chooser);
        if (names.isEmpty()) chooser->SetItems(p.texts, p.minimum);
        else chooser->SetItems(names, p.minimum);
        // Sized by the longest text, capped: a long list must not widen every tone column.
        qsizetype longest = 0;
        for (int i = 0; i < chooser->count(); ++i) longest = std::max(longest, chooser->itemText(i).size());
        chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        chooser->setMinimumContentsLength(static_cast<int>(std::min<qsizetype>(longest, 12)));
        chooser->SetDefault(p.defaultValue);
        if (!chooser->SelectByValue(value)) chooser->setCurrentIndex(-1);  // a damaged value shows none
        chooser->setToolTip(tip);
        layout->addWidget(label);
        layout->addWidget(chooser);
        connect(chooser, &CChooseCtrl::selectionChanged, chooser,
                [this, &p](int, int itemValue) { ChangeValue(p, itemValue); });
        Register(p, chooser);
        return cell;
    }
    auto* knob = new CKnob(caption, p.minimum, p.maximum, p.defaultValue, parent);
    const CParameterTable& table = m_table;
    knob->SetFormatter([&table, &p](int v) { return QString::fromStdString(table.FormatValue(p, v)); });
    knob->SetValue(value);
    knob->setToolTip(tip);
    connect(knob, &CKnob::valueChanged, knob, [this, &p](int v) { ChangeValue(p, v); });
    Register(p, knob);
    return knob;
}

CKnob* CParameterEditorDlg::FindKnob(const std::string& id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : qobject_cast<CKnob*>(it->second);
}

CChooseCtrl* CParameterEditorDlg::FindChooser(const std::string& id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : qobject_cast<CChooseCtrl*>(it->second);
}

void CParameterEditorDlg::SetMultiEdit(int instance, bool on) {
    if (const auto it = m_multiEdit.find(instance); it != m_multiEdit.end()) it->second->setChecked(on);
}

bool CParameterEditorDlg::IsMultiEdit(int instance) const {
    const auto it = m_multiEdit.find(instance);
    return it != m_multiEdit.end() && it->second->isChecked();
}

std::vector<int> CParameterEditorDlg::MultiEditTargets(int instance) const {
    std::vector<int> targets{instance};
    if (m_multiEdit.count(instance))
        for (const auto& [other, box] : m_multiEdit)
            if (other != instance && box->isChecked()) targets.push_back(other);
    return targets;
}

bool CParameterEditorDlg::RefreshValueNames(const CParameter& parameter) {
    CChooseCtrl* chooser = FindChooser(parameter.id);
    if (!chooser || !m_options.valueNames || parameter.IsList()) return false;
    const QStringList names = m_options.valueNames(parameter, *m_work);
    if (names.isEmpty()) return false;
    chooser->SetItems(names, parameter.minimum);
    if (!chooser->SelectByValue(m_table.GetValue(*m_work, parameter))) chooser->setCurrentIndex(-1);
    return true;
}

void CParameterEditorDlg::Register(const CParameter& parameter, QWidget* control) {
    if (!control) {
        m_controls.erase(parameter.id);
        return;
    }
    m_controls[parameter.id] = control;
    // A custom page's controls may go before the dialog does (a page rebuilt on a type change).
    connect(control, &QObject::destroyed, this, [this, id = parameter.id, control] {
        if (const auto it = m_controls.find(id); it != m_controls.end() && it->second == control) m_controls.erase(it);
    });
}

void CParameterEditorDlg::Unregister() { m_controls.clear(); }

void CParameterEditorDlg::ShowValue(const CParameter& parameter, int value) {
    if (CKnob* knob = FindKnob(parameter.id)) knob->SetValue(value);
    if (CChooseCtrl* chooser = FindChooser(parameter.id)) chooser->SelectByValue(value);
}

void CParameterEditorDlg::ChangeValue(const CParameter& parameter, int value) {
    std::vector<const CParameter*> targets{&parameter};
    for (const int instance : MultiEditTargets(parameter.instance))
        if (instance != parameter.instance)
            if (const CParameter* sibling = m_table.FindSibling(parameter, instance)) targets.push_back(sibling);
    for (const CParameter* p : targets) {
        m_table.SetValue(*m_work, *p, value);
        const int stored = m_table.GetValue(*m_work, *p);
        if (p != &parameter) ShowValue(*p, stored);
        Send(*p);
        emit valueChanged(p, stored);
    }
}

void CParameterEditorDlg::StoreValue(const CParameter& parameter, int value) {
    m_table.SetValue(*m_work, parameter, value);
}

void CParameterEditorDlg::SendMessage(const std::string& key, std::vector<std::uint8_t> message) {
    if (!IsRealtime() || message.empty()) return;
    m_sender->Send(key, std::move(message));
}

void CParameterEditorDlg::Send(const CParameter& parameter) {
    if (!IsRealtime()) return;
    std::vector<std::uint8_t> message = m_table.BuildLiveMessage(*m_work, parameter);
    if (!message.empty()) m_sender->Send(parameter.id, std::move(message));
}

void CParameterEditorDlg::SendPatch() {
    if (!m_synth) return;
    m_tabs->OnOK();
    if (m_name->text() != m_shownName) m_work->SetName(tonalith::ui::ToPatchText(m_name->text()));
    if (m_sender) m_sender->Flush();
    m_work->Send(*m_synth, true);
}

void CParameterEditorDlg::accept() {
    m_tabs->OnOK();
    // An untouched name keeps its bytes, also those the code page leaves undefined.
    if (m_name->isEnabled() && m_name->text() != m_shownName)
        m_work->SetName(tonalith::ui::ToPatchText(m_name->text()));
    // The patch keeps its identity (layer links); only its bytes change.
    const std::span<const std::uint8_t> edited = m_work->Data();
    const std::span<std::uint8_t> target = m_patch.Data();
    std::copy_n(edited.begin(), std::min(edited.size(), target.size()), target.begin());
    // The last change must reach the instrument: the sender drops what it still holds when it goes.
    if (m_sender) m_sender->Flush();
    QDialog::accept();
}

void CParameterEditorDlg::reject() {
    m_tabs->OnCancel();
    QDialog::reject();
}
