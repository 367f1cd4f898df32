#include "FlintkitEditing.h"

namespace flintkit {
namespace {

CEditors& Installed() {
    static CEditors editors;
    return editors;
}

}  // namespace

void SetEditors(CEditors editors) { Installed() = std::move(editors); }
const CEditors& GetEditors() { return Installed(); }

}  // namespace flintkit
