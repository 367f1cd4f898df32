#include "EmberkitEditing.h"

namespace emberkit {

namespace {
CEditors& Installed() {
    static CEditors editors;
    return editors;
}
}  // namespace

void SetEditors(CEditors editors) { Installed() = std::move(editors); }
const CEditors& GetEditors() { return Installed(); }

}  // namespace emberkit
