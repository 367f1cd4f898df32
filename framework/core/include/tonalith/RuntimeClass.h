#pragma once

#include <memory>

struct CRuntimeClass;

// Root of the classes the framework creates from a class record.
class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;

    static CRuntimeClass classCObject;
};

// The class record: name, size, schema, create function and base. A plug-in hands
// the record of its memory class to the framework through SynthMemoryInfo.
struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    unsigned m_wSchema;
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* m_pBaseClass;

    // A new object of the class, or null for a class without a create function.
    std::unique_ptr<CObject> CreateObject() const;
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNCREATE(class_name)                                                                                  \
public:                                                                                                                \
    static CRuntimeClass class##class_name;                                                                            \
    static CObject* CreateObject();                                                                                    \
    const CRuntimeClass* GetRuntimeClass() const override;

// The raw new is the create function's contract: CRuntimeClass::CreateObject
// takes the object into a unique_ptr at once.
#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema)                                                    \
    CObject* class_name::CreateObject() { return new class_name; }                                                     \
    CRuntimeClass class_name::class##class_name {                                                                      \
#class_name, static_cast < int>(sizeof(class_name)), schema, &class_name::CreateObject,                        \
            RUNTIME_CLASS(base_class_name)                                                                             \
    };                                                                                                                 \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNCREATE(class_name, base_class_name) IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF)

#define IMPLEMENT_SERIAL(class_name, base_class_name, schema)                                                          \
    IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema)
