#pragma once

// The controls a form hosts: group frame, button, radio group ("Choose"), knob
// and slider, each created from the class identifier its item carries. A control
// takes its item data's numbered properties and reports the user's changes as
// value events; setting a value from the program never fires one.

#include <QWidget>

#include <cstdint>
#include <string>

#include <tonalith/Guid.h>

#include "ItemData.h"

class CFormControl : public QWidget, public CControlProperties {
    Q_OBJECT

public:
    using QWidget::QWidget;

    void SetIntProperty(int, std::int16_t) override {}
    void SetBoolProperty(int, bool) override {}
    void SetTextProperty(int, const std::string&) override {}
    void SetValue(std::int16_t) override {}
    virtual int GetValue() const { return 0; }

signals:
    // eventId is the control's event number (the item data decides which one counts).
    void ValueEvent(int eventId, int value);
};

// A new control of the type the identifier names, or null for an unknown one.
CFormControl* CreateFormControl(const GUID& classId, QWidget* parent);
