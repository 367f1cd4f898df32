#include "RuntimeClass.h"

CRuntimeClass CObject::classCObject{"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

std::unique_ptr<CObject> CRuntimeClass::CreateObject() const {
    if (!m_pfnCreateObject) return nullptr;
    return std::unique_ptr<CObject>(m_pfnCreateObject());
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
        if (c == base) return true;
    return false;
}
