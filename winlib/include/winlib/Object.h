// The root class and runtime class information: a class declared with
// DECLARE_DYNCREATE can be named and created from its CRuntimeClass.
#pragma once

#include <windows.h>

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    const CRuntimeClass* m_pBaseClass;
    CObject* (*m_pfnCreateObject)();

    // A new object of the class, or null when the class is not creatable.
    CObject* CreateObject() const;
    // True when this class is pBase or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* pBase) const;
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* pClass) const;

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                 \
public:                                                             \
    static const CRuntimeClass class##class_name;                   \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                               \
    DECLARE_DYNAMIC(class_name)                                     \
    static CObject* CreateObject();

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)              \
    const CRuntimeClass class_name::class##class_name = {           \
        #class_name, sizeof(class_name), RUNTIME_CLASS(base_class_name), nullptr}; \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)            \
    CObject* class_name::CreateObject() { return new class_name; }  \
    const CRuntimeClass class_name::class##class_name = {           \
        #class_name, sizeof(class_name), RUNTIME_CLASS(base_class_name), \
        &class_name::CreateObject};                                 \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }
