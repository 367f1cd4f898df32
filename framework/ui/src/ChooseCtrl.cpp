#include "tonalith/ui/ChooseCtrl.h"

namespace {
// Marks changes made by the program for the duration of one call.
class CQuiet {
public:
    explicit CQuiet(bool& flag) : m_flag(flag), m_previous(flag) { m_flag = true; }
    ~CQuiet() { m_flag = m_previous; }
    CQuiet(const CQuiet&) = delete;
    CQuiet& operator=(const CQuiet&) = delete;

private:
    bool& m_flag;
    bool m_previous;
};
}  // namespace

CChooseCtrl::CChooseCtrl(QWidget* parent) : QComboBox(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_quiet || index < 0) return;
        emit selectionChanged(index, GetItemValue(index).value_or(m_default));
    });
}

void CChooseCtrl::AddItem(const QString& text, int itemValue) {
    const CQuiet quiet(m_quiet);
    addItem(text, itemValue);
}

void CChooseCtrl::SetItems(const QStringList& texts, int firstValue) {
    const CQuiet quiet(m_quiet);
    clear();
    for (int i = 0; i < texts.size(); ++i) addItem(texts[i], firstValue + i);
    Reset();
}

void CChooseCtrl::SetItems(const std::vector<std::string>& texts, int firstValue) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& text : texts) list << QString::fromStdString(text);
    SetItems(list, firstValue);
}

void CChooseCtrl::SetSelection(int index) {
    if (index < 0 || index >= count()) return;
    const CQuiet quiet(m_quiet);
    setCurrentIndex(index);
}

std::optional<int> CChooseCtrl::GetItemValue(int index) const {
    if (index < 0 || index >= count()) return std::nullopt;
    return itemData(index).toInt();
}

int CChooseCtrl::GetValue() const { return GetItemValue(currentIndex()).value_or(m_default); }

bool CChooseCtrl::SelectByValue(int itemValue) {
    const int index = findData(itemValue);
    if (index < 0) return false;
    SetSelection(index);
    return true;
}

void CChooseCtrl::Reset() {
    if (!SelectByValue(m_default)) SetSelection(0);
}
