#include "FormControls.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <array>

#include "tonalith/ui/ChooseCtrl.h"
#include "tonalith/ui/Knob.h"
#include "tonalith/ui/PatchText.h"

namespace {

// Puts the one widget that does the work over the whole control.
template <typename T>
T* Fill(CFormControl& control, T* inner) {
    auto* layout = new QHBoxLayout(&control);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(inner);
    control.setFocusProxy(inner);
    return inner;
}

// Texts travel as the form stores them: Windows-1252 bytes, lines ending in CR LF.
QStringList Lines(const std::string& text) {
    QStringList lines = tonalith::ui::FromPatchText(text).split('\n');
    for (QString& line : lines) line.remove('\r');
    while (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

// Group/Text: 1 text, 2 frame shown, 3 vertical borders, 4 horizontal borders.
class CGroupControl final : public CFormControl {
public:
    using CFormControl::CFormControl;
    void SetTextProperty(int id, const std::string& text) override {
        if (id == 1) m_text = tonalith::ui::FromPatchText(text), update();
    }
    void SetBoolProperty(int id, bool on) override {
        if (id == 2) m_frame = on;
        else if (id == 3) m_vertical = on;
        else if (id == 4) m_horizontal = on;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const QRect all = rect().adjusted(0, 0, -1, -1);
        painter.setPen(palette().color(QPalette::Mid));
        if (m_vertical)
            painter.drawLine(all.topLeft(), all.bottomLeft()), painter.drawLine(all.topRight(), all.bottomRight());
        if (m_horizontal)
            painter.drawLine(all.topLeft(), all.topRight()), painter.drawLine(all.bottomLeft(), all.bottomRight());
        const int textTop = m_frame ? 0 : 2;
        QRect textRect(8, textTop, std::max(0, width() - 16), metrics.height());
        textRect.setWidth(std::min(textRect.width(), metrics.horizontalAdvance(m_text) + 4));
        if (m_frame) {
            const QRect frame = all.adjusted(0, metrics.height() / 2, 0, 0);
            painter.drawRoundedRect(frame, 3, 3);
            painter.fillRect(textRect, palette().color(QPalette::Window));
        }
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_text);
    }

private:
    QString m_text;
    bool m_frame = true;
    bool m_vertical = false;
    bool m_horizontal = false;
};

// Button: 1 push button (sends On while held, Off on release) or toggle, 2 Off,
// 3 On, 5 caption; value property 4; event 1.
class CButtonControl final : public CFormControl {
public:
    explicit CButtonControl(QWidget* parent) : CFormControl(parent), m_button(Fill(*this, new QPushButton(this))) {
        m_button->setCheckable(true);
        connect(m_button, &QPushButton::clicked, this, [this](bool checked) {
            if (m_button->isCheckable()) emit ValueEvent(1, checked ? m_on : m_off);
        });
        connect(m_button, &QPushButton::pressed, this, [this] {
            if (!m_button->isCheckable()) m_value = m_on, emit ValueEvent(1, m_on);
        });
        connect(m_button, &QPushButton::released, this, [this] {
            if (!m_button->isCheckable()) m_value = m_off, emit ValueEvent(1, m_off);
        });
        connect(m_button, &QPushButton::toggled, this, [this](bool checked) { m_value = checked ? m_on : m_off; });
    }
    void SetIntProperty(int id, std::int16_t value) override {
        if (id == 2) m_off = value;
        else if (id == 3) m_on = value;
    }
    void SetBoolProperty(int id, bool on) override {
        if (id == 1) m_button->setCheckable(!on);
    }
    void SetTextProperty(int id, const std::string& text) override {
        if (id == 5) m_button->setText(tonalith::ui::FromPatchText(text));
    }
    void SetValue(std::int16_t value) override {
        m_value = value;
        const QSignalBlocker quiet(m_button);
        if (m_button->isCheckable()) m_button->setChecked(value == m_on && m_on != m_off);
    }
    int GetValue() const override { return m_value; }

private:
    QPushButton* m_button;
    int m_off = 0;
    int m_on = 127;
    int m_value = 0;
};

// Radio group: 1 texts, 3 values (one per line); value property 4; event 1 with
// the chosen entry's value.
class CRadioControl final : public CFormControl {
public:
    explicit CRadioControl(QWidget* parent) : CFormControl(parent), m_choose(Fill(*this, new CChooseCtrl(this))) {
        connect(m_choose, &CChooseCtrl::selectionChanged, this, [this](int, int itemValue) {
            m_value = itemValue;
            emit ValueEvent(1, itemValue);
        });
    }
    void SetTextProperty(int id, const std::string& text) override {
        if (id == 1) m_texts = Lines(text);
        else if (id == 3) m_values = Lines(text);
        else return;
        Rebuild();
    }
    void SetValue(std::int16_t value) override {
        m_value = value;
        m_choose->SelectByValue(value);
    }
    int GetValue() const override { return m_value; }

private:
    void Rebuild() {
        m_choose->clear();
        for (int i = 0; i < m_texts.size(); ++i) {
            bool ok = false;
            const int value = m_values.value(i).trimmed().toInt(&ok);
            m_choose->AddItem(m_texts[i], ok ? value : i);
        }
        m_choose->SelectByValue(m_value);
    }

    CChooseCtrl* m_choose;
    QStringList m_texts;
    QStringList m_values;
    int m_value = 0;
};

// Knob: 3 Minimum, 4 Maximum; value property 5; event 2.
class CKnobControl final : public CFormControl {
public:
    explicit CKnobControl(QWidget* parent) : CFormControl(parent), m_knob(Fill(*this, new CKnob(this))) {
        m_knob->setMinimumSize(0, 0);
        connect(m_knob, &CKnob::valueChanged, this, [this](int value) { emit ValueEvent(2, value); });
    }
    void SetIntProperty(int id, std::int16_t value) override {
        if (id == 3) m_minimum = value;
        else if (id == 4) m_maximum = value;
        else return;
        m_knob->SetRange(m_minimum, m_maximum);
    }
    void SetValue(std::int16_t value) override { m_knob->SetValue(value); }
    int GetValue() const override { return m_knob->GetValue(); }

private:
    CKnob* m_knob;
    int m_minimum = 0;
    int m_maximum = 127;
};

// Slider: 1 Minimum, 2 Maximum, 4 vertical; value property 3; event 1.
class CSliderControl final : public CFormControl {
public:
    explicit CSliderControl(QWidget* parent) : CFormControl(parent), m_slider(Fill(*this, new QSlider(this))) {
        m_slider->setRange(0, 127);
        connect(m_slider, &QSlider::valueChanged, this, [this](int value) { emit ValueEvent(1, value); });
    }
    void SetIntProperty(int id, std::int16_t value) override {
        const QSignalBlocker quiet(m_slider);
        if (id == 1) m_slider->setMinimum(value);
        else if (id == 2) m_slider->setMaximum(value);
    }
    void SetBoolProperty(int id, bool on) override {
        if (id == 4) m_slider->setOrientation(on ? Qt::Vertical : Qt::Horizontal);
    }
    void SetValue(std::int16_t value) override {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(value);
    }
    int GetValue() const override { return m_slider->value(); }

private:
    QSlider* m_slider;
};

template <typename T>
CFormControl* Make(QWidget* parent) {
    return new T(parent);
}

struct CControlType {
    GUID classId;
    CFormControl* (*create)(QWidget*);
};

constexpr std::array kControlTypes{
    CControlType{CGroupItemData::kClassId, &Make<CGroupControl>},
    CControlType{CButtonItemData::kClassId, &Make<CButtonControl>},
    CControlType{CRadioItemData::kClassId, &Make<CRadioControl>},
    CControlType{CKnobItemData::kClassId, &Make<CKnobControl>},
    CControlType{CSliderItemData::kClassId, &Make<CSliderControl>},
};

}  // namespace

CFormControl* CreateFormControl(const GUID& classId, QWidget* parent) {
    for (const CControlType& type : kControlTypes)
        if (type.classId == classId) return type.create(parent);
    return nullptr;
}
