#pragma once

// Small pieces the form's dialogs share.

#include <QDialog>
#include <QDialogButtonBox>
#include <QString>

#include <string>
#include <string_view>

#include "tonalith/ui/PatchText.h"

namespace tonalith::ui {

// "&OK" and "&Cancel", wired to the dialog's accept and reject.
inline QDialogButtonBox* OkCancelButtons(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton("&OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

// The form's multi-line texts (radio lists, the description) keep CR LF line
// ends in the file; the edit widgets show plain line feeds.

inline QString FromFormLines(std::string_view text) {
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
    return FromPatchText(lines);
}

inline std::string ToFormLines(const QString& text) {
    const std::string plain = ToPatchText(text);
    std::string lines;
    lines.reserve(plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i) {
        if (plain[i] == '\n' && (i == 0 || plain[i - 1] != '\r')) lines += '\r';
        lines += plain[i];
    }
    return lines;
}

}  // namespace tonalith::ui
